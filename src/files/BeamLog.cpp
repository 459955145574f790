#include "files/BeamLog.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "files/FileIo.h"

BeamLog::~BeamLog() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

std::string BeamLog::FileName(const std::string& day) const {
    return folder_ + "/Lichtschranke-" + day + ".log";
}

bool BeamLog::Append(const std::string& day, std::string_view line) {
    if (fd_ < 0 || day != day_) {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        day_ = day;
        fd_ = ::open(FileName(day).c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
        if (fd_ < 0) {
            error_ = std::strerror(errno);
            return false;
        }
    }
    std::string text(line);
    text += '\n';
    ssize_t written = 0;
    do {
        written = ::write(fd_, text.data(), text.size());
    } while (written < 0 && errno == EINTR);
    if (written != static_cast<ssize_t>(text.size())) {
        error_ = written < 0 ? std::strerror(errno) : "unvollständig geschrieben";
        return false;
    }
    return true;
}

void BeamLog::Sync() {
    if (fd_ >= 0) {
        SyncFile(fd_);
    }
}
