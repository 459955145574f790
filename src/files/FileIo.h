#pragma once

#include <sys/types.h>
#include <unistd.h>

#include <cstddef>
#include <functional>
#include <limits>
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
using WriteCall = std::function<ssize_t(int fd, const void* data, std::size_t size)>;

// The calls that put a file on the disk, with the contracts of write(2), fsync(2) and
// rename(2). Tests put in their own to play a full disk, a failing sync or rename, or to watch
// the order in which files reach the disk.
struct FileCalls {
    WriteCall write = ::write;
    std::function<int(int fd)> sync = ::fsync;
    std::function<int(const char* from, const char* to)> rename = ::rename;
};

// The calls every file write of this thread makes: the system's, unless a ScopedFileCalls lives.
const FileCalls& CurrentFileCalls();

// While it lives, file writes on this thread go through calls.
class ScopedFileCalls {
public:
    explicit ScopedFileCalls(FileCalls calls);
    ~ScopedFileCalls();
    ScopedFileCalls(const ScopedFileCalls&) = delete;
    ScopedFileCalls& operator=(const ScopedFileCalls&) = delete;

private:
    FileCalls calls_;
    const FileCalls* previous_;
};

// Creates or truncates path and writes the bytes; a failure part-way leaves the partial file.
FileWriteResult WriteFileBytes(const std::string& path, std::string_view bytes);

// Writes the bytes to a new temporary file of a unique name beside path (created exclusively,
// never through a link), forces it to disk and renames it over path, so that path holds either
// its previous or its new complete content at any moment. On failure the temporary file is
// removed and path is untouched.
FileWriteResult ReplaceFileBytes(const std::string& path, std::string_view bytes);
// The same with write in place of the current calls' write.
FileWriteResult ReplaceFileBytes(const std::string& path, std::string_view bytes,
                                 const WriteCall& write);

// Forces what was written to the descriptor to the disk; 0 or the errno of the failure.
int SyncFile(int fd);

// The whole content of a regular file; nothing when it cannot be opened or read
// (gone, a folder, a pipe or device), or when it holds more than maxBytes (then it is not read).
std::optional<std::string> ReadFileBytes(
    const std::string& path, std::size_t maxBytes = std::numeric_limits<std::size_t>::max());
