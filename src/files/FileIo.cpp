#include "files/FileIo.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <random>
#include <utility>

namespace {

const FileCalls SystemCalls;
thread_local const FileCalls* activeCalls = &SystemCalls;

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
int WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = CurrentFileCalls().write(fd, bytes.data(), bytes.size());
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
int WriteAndClose(FileDescriptor& file, std::string_view bytes, bool sync) {
    int error = WriteAll(file.Get(), bytes);
    if (error == 0 && sync) {
        error = SyncFile(file.Get());
    }
    const int closeError = ::close(file.Release()) == 0 ? 0 : errno;
    return error != 0 ? error : closeError;
}

int CreateFile(const std::string& path) {
    return ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
}

// A new file of a unique name beside path ("<path>.<random>.tmp"), created exclusively: an
// existing file or link of that name is never opened. Its name is put in name.
int CreateTemporaryBeside(const std::string& path, std::string& name) {
    static constexpr char Letters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    thread_local std::mt19937_64 random(std::random_device{}() ^
                                        static_cast<std::uint64_t>(::getpid()));
    int error = EEXIST;
    for (int attempt = 0; attempt < 100 && error == EEXIST; ++attempt) {
        name = path + '.';
        for (int i = 0; i < 8; ++i) {
            name += Letters[random() % (sizeof Letters - 1)];
        }
        name += ".tmp";
        const int fd =
            ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0) {
            return fd;
        }
        error = errno;
    }
    errno = error;
    return -1;
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

const FileCalls& CurrentFileCalls() {
    return *activeCalls;
}

ScopedFileCalls::ScopedFileCalls(FileCalls calls)
    : calls_(std::move(calls)), previous_(std::exchange(activeCalls, &calls_)) {}

ScopedFileCalls::~ScopedFileCalls() {
    activeCalls = previous_;
}

int SyncFile(int fd) {
    return CurrentFileCalls().sync(fd) == 0 ? 0 : errno;
}

FileWriteResult WriteFileBytes(const std::string& path, std::string_view bytes) {
    FileDescriptor file(CreateFile(path));
    if (file.Get() < 0) {
        return Failure(FileWriteStatus::NotCreated, errno);
    }
    const int error = WriteAndClose(file, bytes, false);
    return error == 0 ? FileWriteResult{} : Failure(FileWriteStatus::WriteFailed, error);
}

FileWriteResult ReplaceFileBytes(const std::string& path, std::string_view bytes) {
    std::string temporary;
    FileDescriptor file(CreateTemporaryBeside(path, temporary));
    if (file.Get() < 0) {
        return Failure(FileWriteStatus::NotCreated, errno);
    }
    int error = WriteAndClose(file, bytes, true);
    if (error == 0 && CurrentFileCalls().rename(temporary.c_str(), path.c_str()) != 0) {
        error = errno;
    }
    if (error != 0) {
        ::unlink(temporary.c_str());
        return Failure(FileWriteStatus::WriteFailed, error);
    }
    SyncFolderOf(path);
    return {};
}

FileWriteResult ReplaceFileBytes(const std::string& path, std::string_view bytes,
                                 const WriteCall& write) {
    FileCalls calls = CurrentFileCalls();
    calls.write = write;
    const ScopedFileCalls writing(std::move(calls));
    return ReplaceFileBytes(path, bytes);
}

std::optional<std::string> ReadFileBytes(const std::string& path, std::size_t maxBytes) {
    // Non-blocking so that choosing a pipe cannot hang the program in open.
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    struct stat info {};
    if (file.Get() < 0 || ::fstat(file.Get(), &info) != 0 || !S_ISREG(info.st_mode) ||
        static_cast<std::uintmax_t>(info.st_size) > maxBytes) {
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
        if (bytes.size() > maxBytes) {
            return std::nullopt;  // it grew while it was read
        }
    }
}
