#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "files/FileIo.h"
#include "results/ResultTable.h"

// The automatic backup's file name inside the data folder.
inline constexpr std::string_view BackupFileTitle = "Sicherungsdatei.txt";

// The text of the table as saved: rows from the header on in the current order, columns 0 to 9
// each followed by TAB, every line ending in CR LF (the start position column is not saved).
std::string ProtocolText(const ResultTable& table);
// ProtocolText as the bytes stored in the file (see EncodeFileText).
std::string EncodeProtocol(const ResultTable& table);
// The backup's bytes: like EncodeProtocol, but the body rows in start order (by the start
// position), so an event can go on from a loaded backup whatever view it was taken in.
std::string EncodeBackup(const ResultTable& table);

// Writes the table to path; clears the modified flag only when the whole file was written.
// A file that could not be created reports NotCreated and is not shown to the operator;
// WriteFailed carries the cause to show.
// UI thread only, like every access to the table.
FileWriteResult WriteProtocolFile(ResultTable& table, const std::string& path);

// Writes EncodeBackup to path, replacing the previous backup atomically, so a
// crash or a full disk leaves the previous or the new complete backup. Never silent: any
// failure comes back with its cause.
FileWriteResult WriteBackupFile(ResultTable& table, const std::string& path);

// Whose table the backup holds: a class of a show (the show file's absolute path and the class's
// name), or a single table (both empty).
struct BackupOwner {
    std::string ShowFile;
    std::string ClassName;
    // The backup may still hold the table of someone else: the program ended while the backup
    // was being replaced by this owner's, or before it wrote one.
    bool Unsure = false;
    bool operator==(const BackupOwner&) const = default;
};

// The text of the marker that tells the program is running: the process id on the first line,
// then whose table the backup holds, if known.
std::string RunningMarkerText(long pid, const std::optional<BackupOwner>& owner);
// Whose table the backup holds as the marker says; none for a marker without it (written by an
// older version). A marker whose record cannot be read says "unsure".
std::optional<BackupOwner> BackupOwnerOf(std::string_view marker);

// Replaces the body rows by the lines of a protocol or start list. The table first becomes
// the header (untouched) plus one empty row. Lines end at CR LF, CR or LF; the byte 0x1A ends
// the data; header lines (the first field ends in "Nr.") and blank lines are skipped. Fields are
// split at TAB when the line holds one, else at ";"; an empty field stays an empty cell, a
// separator at the end of the line adds no field, and fields beyond the table's columns are
// dropped.
void ReadProtocolText(ResultTable& table, std::string_view bytes);

// Every line of a text list split into fields as ReadProtocolText splits them, header lines
// included; a blank line gives no fields, so line n of the file is element n - 1.
std::vector<std::vector<std::string>> ReadTextRows(std::string_view bytes);

// The number of lines of a text list as the two readers above see them (up to the byte 0x1A).
std::size_t CountTextLines(std::string_view bytes);
