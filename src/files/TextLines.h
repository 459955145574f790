#pragma once

#include <optional>
#include <string>
#include <vector>

#include "files/FileIo.h"

// Plain text files of one entry per line, such as the disqualification reasons.

// The lines of the file, decoded like a protocol; CR LF, CR or LF end a line, and a last line
// without an end counts. Nothing when the file cannot be read.
std::optional<std::vector<std::string>> ReadTextLines(const std::string& path);

// Writes the lines, each ended by CR LF, encoded like a protocol.
FileWriteResult WriteTextLines(const std::string& path, const std::vector<std::string>& lines);
