#include "timing/BackupTiming.h"

#include <algorithm>
#include <cstdlib>

#include "results/TimeText.h"
#include "timing/TickMath.h"

std::optional<std::int64_t> SourceReading::RunTicks() const {
    if (!Start || !Stop) {
        return std::nullopt;
    }
    const std::int64_t ticks = *Stop - *Start;
    return Period > 0 ? (ticks % Period + Period) % Period : std::max<std::int64_t>(ticks, 0);
}

RunChoice ChooseRunTime(const RunReadings& run, std::int64_t toleranceTicks) {
    const auto primary = run.Primary.RunTicks();
    const auto backup = run.Backup.RunTicks();
    if (primary && backup) {
        return std::llabs(*primary - *backup) > toleranceTicks ? RunChoice::Ask
                                                               : RunChoice::Primary;
    }
    if (primary) {
        return RunChoice::Primary;
    }
    return backup ? RunChoice::Backup : RunChoice::Neither;
}

LineChange ClassifyLineChange(std::uint32_t& last, std::uint32_t status, int alg) {
    constexpr std::uint32_t CtsOn = 0x10;
    if (status == last) {
        return LineChange::Bounce;
    }
    last = status;
    const bool cts = (status & CtsOn) != 0;
    return (alg == 0 && cts) || (alg == 1 && !cts) ? LineChange::Trigger : LineChange::Resting;
}

std::vector<BackupEdge> CrossingPairs::Primary(std::int64_t local, Crossing did) {
    std::vector<BackupEdge> paired;
    std::erase_if(waiting_, [&](const BackupEdge& edge) {
        if (std::llabs(edge.Local - local) > window_) {
            return false;
        }
        paired.push_back(edge);
        return true;
    });
    while (!primary_.empty() && local - primary_.front().Local > window_) {
        primary_.pop_front();
    }
    primary_.push_back({local, did});
    return paired;
}

std::optional<Crossing> CrossingPairs::Backup(const BackupEdge& edge) {
    // The nearest primary edge within the window saw the same crossing.
    const PrimaryEdge* nearest = nullptr;
    for (const PrimaryEdge& primary : primary_) {
        const std::int64_t gap = std::llabs(primary.Local - edge.Local);
        if (gap <= window_ && (!nearest || gap < std::llabs(nearest->Local - edge.Local))) {
            nearest = &primary;
        }
    }
    if (nearest) {
        return nearest->Did;
    }
    waiting_.push_back(edge);
    return std::nullopt;
}

std::vector<BackupEdge> CrossingPairs::Unpaired(std::int64_t now) {
    std::vector<BackupEdge> due;
    std::erase_if(waiting_, [&](const BackupEdge& edge) {
        if (now - edge.Local <= window_) {
            return false;
        }
        due.push_back(edge);
        return true;
    });
    return due;
}

std::optional<std::int64_t> CrossingPairs::NextDue() const {
    if (waiting_.empty()) {
        return std::nullopt;
    }
    return waiting_.front().Local + window_;
}

void CrossingPairs::Clear() {
    primary_.clear();
    waiting_.clear();
}

std::string BackupReadingText(const RunReadings& run, const std::string& name,
                              std::string (*stamp)(std::int64_t own, std::int64_t frequency),
                              std::int64_t frequency, char separator) {
    const SourceReading& backup = run.Backup;
    std::string text = name;
    if (!backup.Start && !backup.Stop) {
        return text + " sah den Lauf nicht";
    }
    text += " Start " + (backup.Start ? stamp(*backup.Start, frequency) : "-");
    text += ", Stopp " + (backup.Stop ? stamp(*backup.Stop, frequency) : "-");
    const auto time = [&](const std::optional<std::int64_t>& ticks) {
        return ticks ? FormatTimeText(RunTimeMs(*ticks, frequency), separator,
                                      Resolution::Thousandths)
                     : std::string("-");
    };
    return text + "; Laufzeit " + time(run.Primary.RunTicks()) + " / " + time(backup.RunTicks()) +
           " s";
}
