#include "files/BeamLog.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

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

namespace {

std::vector<std::string_view> Fields(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t from = 0;
    for (std::size_t tab = line.find('\t'); tab != std::string_view::npos;
         tab = line.find('\t', from)) {
        fields.push_back(line.substr(from, tab - from));
        from = tab + 1;
    }
    fields.push_back(line.substr(from));
    return fields;
}

std::optional<std::int64_t> Stamp(std::string_view text) {
    std::int64_t value = 0;
    if (text.empty() || text.size() > 19) {
        return std::nullopt;
    }
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
    }
    return value;
}

}  // namespace

std::optional<BeamRun> LastBeamRun(std::string_view logText) {
    std::optional<BeamRun> run;
    std::size_t from = 0;
    while (from < logText.size()) {
        std::size_t end = logText.find('\n', from);
        if (end == std::string_view::npos) {
            end = logText.size();
        }
        std::string_view line = logText.substr(from, end - from);
        from = end + 1;
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        // wall time, stamp, line state, action, "Nr. 12"
        const std::vector<std::string_view> fields = Fields(line);
        if (fields.size() < 5) {
            continue;
        }
        const std::optional<std::int64_t> stamp = Stamp(fields[1]);
        if (!stamp) {
            continue;
        }
        if (fields[3] == "Start") {
            std::string_view number = fields[4];
            if (number.substr(0, 4) == "Nr. ") {
                number.remove_prefix(4);
            }
            run = BeamRun{std::string(number), *stamp, std::nullopt};
        } else if (fields[3] == "Stopp" && run && !run->StopStamp) {
            run->StopStamp = *stamp;
        }
    }
    return run;
}
