// The behaviour of TComPort that every backend must give: run against the in-memory fake and
// against the Linux backend on a FIFO (the simulated light barrier).

#include <gtest/gtest.h>

#include <vector>

#include "TestLines.h"
#include "clock/MonotonicClock.h"
#include "serial/Comms.h"
#include "serial/ManualUiQueue.h"

namespace {

template <typename Line>
class ComPortBehaviour : public testing::Test {
protected:
    ComPortBehaviour() {
        port.DevicePath = line.path;
        port.OnOpen = [this](TComPort&) { ++opens; };
        port.OnClose = [this](TComPort&) { ++closes; };
        port.OnCTS = [this](TComPort& sender) { seen.push_back(sender.CurrentEvent()); };
    }

    // Plays the UI thread until count line changes have been delivered.
    bool DeliverCts(std::uint32_t count) {
        while (Changes() < count) {
            if (!ui.WaitForPosted(1)) {
                return false;
            }
            ui.RunPending();
        }
        return true;
    }

    // Line changes delivered so far; changes seen at one look may come as one counted batch.
    std::uint32_t Changes() const {
        std::uint32_t changes = 0;
        for (const ComEvent& event : seen) {
            changes += event.Count;
        }
        return changes;
    }

    bool CtsNow() { return (port.ReadModemStatus() & ModemCtsOn) != 0; }

    Line line;
    ManualUiQueue ui;
    std::vector<ComEvent> seen;
    int opens = 0;
    int closes = 0;
    TComPort port{line.backend, ui.Poster()};
};

using Lines = testing::Types<FakeLine, FifoLine>;
TYPED_TEST_SUITE(ComPortBehaviour, Lines);

TYPED_TEST(ComPortBehaviour, OpenCallsOnOpenAndCloseCallsOnCloseOnce) {
    this->port.Open();
    EXPECT_TRUE(this->port.Connected());
    EXPECT_TRUE(this->port.HasDevice());
    EXPECT_EQ(this->opens, 1);

    this->port.Close();
    this->port.Close();
    EXPECT_FALSE(this->port.Connected());
    EXPECT_FALSE(this->port.HasDevice());
    EXPECT_EQ(this->closes, 1);
}

TYPED_TEST(ComPortBehaviour, CtsChangesReachTheUiThreadInOrderWithStatusAndTimestamp) {
    this->port.Open();
    const bool rest = this->CtsNow();
    const std::int64_t before = MonotonicRawNow();
    this->line.SetCts(!rest);
    this->line.SetCts(rest);
    this->line.SetCts(!rest);
    ASSERT_TRUE(this->DeliverCts(3));
    const std::int64_t after = MonotonicRawNow();

    std::uint32_t changes = 0;
    for (std::size_t i = 0; i < this->seen.size(); ++i) {
        changes += this->seen[i].Count;
        EXPECT_EQ(this->seen[i].EventMask, EventBit(evCTS));
        EXPECT_EQ((this->seen[i].ModemStatus & ModemCtsOn) != 0, (changes % 2 == 1) != rest) << i;
        EXPECT_GE(this->seen[i].Timestamp, before);
        EXPECT_LE(this->seen[i].Timestamp, after);
        if (i > 0) {
            EXPECT_GE(this->seen[i].Timestamp, this->seen[i - 1].Timestamp);
        }
    }
    EXPECT_EQ(changes, 3u);
    EXPECT_EQ(this->CtsNow(), !rest);
}

TYPED_TEST(ComPortBehaviour, TheLevelAtOpeningAndRepeatsOfItAreNoEdges) {
    this->port.Open();
    const bool rest = this->CtsNow();
    this->line.SetCts(rest);
    this->line.SetCts(!rest);
    ASSERT_TRUE(this->DeliverCts(1));
    this->ui.RunPending();

    ASSERT_EQ(this->seen.size(), 1u);
    EXPECT_EQ((this->seen[0].ModemStatus & ModemCtsOn) != 0, !rest);
}

TYPED_TEST(ComPortBehaviour, ClosesWhileTheWatcherWaitsForTheLine) {
    this->port.Open();
    this->line.SetCts(!this->CtsNow());
    ASSERT_TRUE(this->DeliverCts(1));  // the watcher is back waiting

    this->port.Close();
    EXPECT_FALSE(this->port.Connected());
    EXPECT_EQ(this->closes, 1);
}

TYPED_TEST(ComPortBehaviour, NothingIsDeliveredAfterClose) {
    this->port.Open();
    this->line.SetCts(!this->CtsNow());
    ASSERT_TRUE(this->ui.WaitForPosted(1));

    this->port.Close();
    this->ui.RunPending();
    EXPECT_TRUE(this->seen.empty());
}

TYPED_TEST(ComPortBehaviour, ReopeningClosesFirstAndDeliversOnlyTheNewOpensEdges) {
    this->port.Open();
    this->line.SetCts(!this->CtsNow());
    ASSERT_TRUE(this->ui.WaitForPosted(1));

    this->port.Open();
    EXPECT_EQ(this->closes, 1);
    EXPECT_EQ(this->opens, 2);
    this->ui.RunPending();
    EXPECT_TRUE(this->seen.empty());

    const bool rest = this->CtsNow();
    this->line.SetCts(!rest);
    ASSERT_TRUE(this->DeliverCts(1));
    EXPECT_EQ((this->seen[0].ModemStatus & ModemCtsOn) != 0, !rest);
}

}  // namespace
