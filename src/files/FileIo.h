#pragma once

#include <sys/types.h>
#include <unistd.h>

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

enum class FileWriteStatus {
    Ok,
    NotCreated,   // the file could not be created or truncated; nothing was written
    WriteFailed,  // writing, flushing or replacing failed after the file was created
};

struct FileWriteResult {
    FileWriteStatus Status = FileWriteStatus::Ok;
    std::string Error;  // the system's text for the cause, e.g. "No space left on device"

    bool Ok() const { return Status == FileWriteStatus::Ok; }
};

// The call that puts bytes into an open file descriptor, with the contract of write(2).
// Tests pass one that fails part-way to play a full disk.
using WriteCall = std::function<ssize_t(int fd, const void* data, std::size_t size)>;

// Creates or truncates path and writes the bytes; a failure part-way leaves the partial file.
FileWriteResult WriteFileBytes(const std::string& path, std::string_view bytes,
                               const WriteCall& write = ::write);

// Writes the bytes to a temporary file beside path, forces it to disk and renames it over
// path, so that path holds either its previous or its new complete content at any moment.
// On failure the temporary file is removed and path is untouched.
FileWriteResult ReplaceFileBytes(const std::string& path, std::string_view bytes,
                                 const WriteCall& write = ::write);

// The whole content of a regular file; nothing when it cannot be opened or read
// (gone, a folder, a pipe or device).
std::optional<std::string> ReadFileBytes(const std::string& path);
