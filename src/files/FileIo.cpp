#include "files/FileIo.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <utility>

namespace {

FileWriteResult Failure(FileWriteStatus status, int error) {
    return {status, std::strerror(error)};
}

// Closes the descriptor when it goes out of scope, unless it was handed over by Release.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    int Get() const { return fd_; }
    int Release() { return std::exchange(fd_, -1); }

private:
    int fd_;
};

// 0 when all bytes went out, else the errno of the failing call.
int WriteAll(int fd, std::string_view bytes, const WriteCall& write) {
    while (!bytes.empty()) {
        const ssize_t written = write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        if (written == 0) {
            return EIO;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return 0;
}

// Writes, forces the data to disk when asked, and closes; 0 or the errno of the first failure
// (close reports late write errors on some file systems).
int WriteAndClose(FileDescriptor& file, std::string_view bytes, const WriteCall& write, bool sync) {
    int error = WriteAll(file.Get(), bytes, write);
    if (error == 0 && sync && ::fsync(file.Get()) != 0) {
        error = errno;
    }
    const int closeError = ::close(file.Release()) == 0 ? 0 : errno;
    return error != 0 ? error : closeError;
}

int CreateFile(const std::string& path) {
    return ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
}

void SyncFolderOf(const std::string& path) {
    const std::string folder = std::filesystem::path(path).parent_path().string();
    FileDescriptor dir(
        ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.Get() >= 0) {
        ::fsync(dir.Get());  // best effort: some file systems cannot sync a folder
    }
}

}  // namespace

FileWriteResult WriteFileBytes(const std::string& path, std::string_view bytes,
                               const WriteCall& write) {
    FileDescriptor file(CreateFile(path));
    if (file.Get() < 0) {
        return Failure(FileWriteStatus::NotCreated, errno);
    }
    const int error = WriteAndClose(file, bytes, write, false);
    return error == 0 ? FileWriteResult{} : Failure(FileWriteStatus::WriteFailed, error);
}

FileWriteResult ReplaceFileBytes(const std::string& path, std::string_view bytes,
                                 const WriteCall& write) {
    const std::string temporary = path + ".tmp";
    FileDescriptor file(CreateFile(temporary));
    if (file.Get() < 0) {
        return Failure(FileWriteStatus::NotCreated, errno);
    }
    int error = WriteAndClose(file, bytes, write, true);
    if (error == 0 && ::rename(temporary.c_str(), path.c_str()) != 0) {
        error = errno;
    }
    if (error != 0) {
        ::unlink(temporary.c_str());
        return Failure(FileWriteStatus::WriteFailed, error);
    }
    SyncFolderOf(path);
    return {};
}

std::optional<std::string> ReadFileBytes(const std::string& path) {
    // Non-blocking so that choosing a pipe cannot hang the program in open.
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    struct stat info {};
    if (file.Get() < 0 || ::fstat(file.Get(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return std::nullopt;
    }
    std::string bytes;
    char buffer[65536];
    for (;;) {
        const ssize_t count = ::read(file.Get(), buffer, sizeof buffer);
        if (count == 0) {
            return bytes;
        }
        if (count < 0 && errno != EINTR) {
            return std::nullopt;
        }
        if (count > 0) {
            bytes.append(buffer, static_cast<std::size_t>(count));
        }
    }
}
