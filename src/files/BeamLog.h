#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The light barrier's log of the day in the data folder ("Lichtschranke-<day>.log"): one line per
// line change, what it did and for which starter, for the judges when a time is appealed. Each
// line reaches the file with one append, so a program that is killed leaves every line written
// before the kill. UI thread only.
class BeamLog {
public:
    explicit BeamLog(std::string folder) : folder_(std::move(folder)) {}
    ~BeamLog();
    BeamLog(const BeamLog&) = delete;
    BeamLog& operator=(const BeamLog&) = delete;

    // Appends the line and a line end to the log of day ("2026-12-07"); false when it could not
    // be written, with the cause in Error().
    bool Append(const std::string& day, std::string_view line);
    // Forces what was appended to the disk.
    void Sync();
    const std::string& Error() const { return error_; }
    std::string FileName(const std::string& day) const;

private:
    std::string folder_;
    std::string day_;
    int fd_ = -1;
    std::string error_;
};

// The last run the beam log saw start: its starter and stamps. A program that ended while this
// run was on the clock, or before it was entered, left it only here.
struct BeamRun {
    std::string StartNumber;  // "-" when no starter was chosen
    std::int64_t StartStamp = 0;
    std::optional<std::int64_t> StopStamp;
};
std::optional<BeamRun> LastBeamRun(std::string_view logText);
