#include "timing/BackupTiming.h"

#include <gtest/gtest.h>

namespace {

constexpr std::int64_t Ms = 1'000'000;  // nanosecond ticks

SourceReading Saw(std::optional<std::int64_t> start, std::optional<std::int64_t> stop) {
    return {start, stop, 0};
}

}  // namespace

TEST(ChooseRunTime, PrimaryOfficialBackupStandsInAskedBeyondTheTolerance) {
    const std::int64_t tolerance = 10 * Ms;
    const struct {
        const char* what;
        RunReadings run;
        RunChoice choice;
    } cases[] = {
        {"both agree", {Saw(0, 12'345 * Ms), Saw(3 * Ms, 12'350 * Ms)}, RunChoice::Primary},
        {"at the tolerance", {Saw(0, 12'345 * Ms), Saw(0, 12'355 * Ms)}, RunChoice::Primary},
        {"beyond it", {Saw(0, 12'345 * Ms), Saw(0, 12'356 * Ms)}, RunChoice::Ask},
        {"backup missed", {Saw(0, 12'345 * Ms), Saw(0, {})}, RunChoice::Primary},
        {"primary missed the stop", {Saw(0, {}), Saw(1, 12'345 * Ms)}, RunChoice::Backup},
        {"primary missed the start", {Saw({}, 9), Saw(1, 12'345 * Ms)}, RunChoice::Backup},
        {"nobody saw both", {Saw({}, 9), Saw(1, {})}, RunChoice::Neither},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(ChooseRunTime(c.run, tolerance), c.choice);
    }
}

TEST(ChooseRunTime, ClockThatBeginsAgainCountsOnOverIt) {
    const std::int64_t day = 86'400'000 * Ms;
    const SourceReading timer{day - 5'000 * Ms, 7'345 * Ms, day};
    EXPECT_EQ(timer.RunTicks(), 12'345 * Ms);
    EXPECT_EQ(ChooseRunTime({Saw(0, 12'345 * Ms), timer}, Ms), RunChoice::Primary);
}

TEST(CrossingPairs, BackupEdgeWithinHalfASecondOfThePrimarysIsTheSameCrossing) {
    CrossingPairs pairs(500 * Ms);
    // The primary first, the backup 3 ms later: paired at once with what the primary did.
    EXPECT_TRUE(pairs.Primary(1'000 * Ms, Crossing::Start).empty());
    EXPECT_EQ(pairs.Backup({1'003 * Ms, 1'003 * Ms}), Crossing::Start);
    // The backup first: it waits, and the primary's edge 200 ms later takes it along.
    EXPECT_FALSE(pairs.Backup({9'000 * Ms, 9'000 * Ms}).has_value());
    EXPECT_EQ(pairs.NextDue(), 9'500 * Ms);
    const auto paired = pairs.Primary(9'200 * Ms, Crossing::Stop);
    ASSERT_EQ(paired.size(), 1u);
    EXPECT_EQ(paired[0].Own, 9'000 * Ms);
    EXPECT_FALSE(pairs.NextDue().has_value());
}

TEST(CrossingPairs, BackupEdgeThePrimaryMissedStandsInAfterItsWindow) {
    CrossingPairs pairs(500 * Ms);
    pairs.Primary(1'000 * Ms, Crossing::Start);
    EXPECT_FALSE(pairs.Backup({13'000 * Ms, 13'000 * Ms}).has_value());
    EXPECT_TRUE(pairs.Unpaired(13'500 * Ms).empty());  // the primary may still come
    const auto alone = pairs.Unpaired(13'501 * Ms);
    ASSERT_EQ(alone.size(), 1u);
    EXPECT_EQ(alone[0].Local, 13'000 * Ms);
    // A primary edge after the window is a crossing of its own.
    EXPECT_TRUE(pairs.Primary(13'600 * Ms, Crossing::Stop).empty());
}

TEST(ClassifyLineChange, RepeatRestAndTriggerByPolarity) {
    std::uint32_t last = 0;
    EXPECT_EQ(ClassifyLineChange(last, 0x10, 0), LineChange::Trigger);
    EXPECT_EQ(ClassifyLineChange(last, 0x10, 0), LineChange::Bounce);
    EXPECT_EQ(ClassifyLineChange(last, 0x00, 0), LineChange::Resting);
    EXPECT_EQ(ClassifyLineChange(last, 0x10, 1), LineChange::Resting);
    EXPECT_EQ(ClassifyLineChange(last, 0x00, 1), LineChange::Trigger);
}

TEST(BackupReadingText, NamesBothReadingsAndBothRunTimes) {
    const RunReadings run{Saw(100, 100 + 12'345 * Ms), Saw(103, 103 + 12'349 * Ms)};
    EXPECT_EQ(
        BackupReadingText(
            run, "zweite Lichtschranke",
            [](std::int64_t own, std::int64_t) { return std::to_string(own); }, 1000 * Ms, ','),
        "zweite Lichtschranke Start 103, Stopp 12349000103; Laufzeit 12,345 / 12,349 s");
}
