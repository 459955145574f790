#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>
#include <cerrno>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "serial/Comms.h"
#include "serial/ManualUiQueue.h"
#include "support/FakeSerialBackend.h"

namespace {

using testing::ElementsAre;

// The message of the exception Open raises, or "opened".
template <typename Exception>
std::string OpenFailure(TComPort& port) {
    try {
        port.Open();
    } catch (const Exception& e) {
        return e.what();
    }
    return "opened";
}

class ComPortTest : public testing::Test {
protected:
    ComPortTest() {
        backend.AddDevice(path);
        port.Port = 1;
        port.OnOpen = [this](TComPort&) { calls.push_back("open"); };
        port.OnClose = [this](TComPort&) { calls.push_back("close"); };
    }

    void Record(std::function<void(TComPort&)>& callback, const std::string& name) {
        callback = [this, name](TComPort&) { calls.push_back(name); };
    }

    // Plays the UI thread until the watcher has posted count closures, and runs them.
    void Deliver(std::size_t count) {
        ASSERT_TRUE(ui.WaitForPosted(count));
        ui.RunPending();
    }

    FakeSerialBackend backend;
    const std::string path = ComPortDevicePath(1);
    ManualUiQueue ui;
    std::vector<std::string> calls;  // outlives the port, whose destruction calls OnClose
    TComPort port{backend, ui.Poster()};
};

TEST_F(ComPortTest, DataBitsAreClampedToFiveToEight) {
    port.SetDataBits(9);
    EXPECT_EQ(port.DataBits(), 8);
    port.SetDataBits(4);
    EXPECT_EQ(port.DataBits(), 5);
    port.SetDataBits(6);
    EXPECT_EQ(port.DataBits(), 6);
}

TEST_F(ComPortTest, ADefaultPortIsConfiguredFor9600Bits8N1WithDtrOn) {
    port.Open();
    const LineSettings settings = backend.Settings(path);
    EXPECT_EQ(settings.Speed, 9600u);
    EXPECT_EQ(settings.DataBits, 8);
    EXPECT_EQ(settings.Parity, prNone);
    EXPECT_EQ(settings.StopBits, sbOneStopBit);
    EXPECT_EQ(settings.FlowControl, fcNone);
    EXPECT_TRUE(settings.EnableDTR);
}

TEST_F(ComPortTest, LineSettingsFollowTheProperties) {
    port.BaudRate = br76500;
    port.SetDataBits(7);
    port.Parity = prMark;
    port.StopBits = sbTwoStopBits;
    port.FlowControl = fcRtsCts;
    port.EnableDTR = false;
    port.Open();
    const LineSettings settings = backend.Settings(path);
    EXPECT_EQ(settings.Speed, 57600u);
    EXPECT_EQ(settings.DataBits, 7);
    EXPECT_EQ(settings.Parity, prMark);
    EXPECT_EQ(settings.StopBits, sbTwoStopBits);
    EXPECT_EQ(settings.FlowControl, fcRtsCts);
    EXPECT_FALSE(settings.EnableDTR);

    port.BaudRate = brUser;
    port.BaudRateUser = 28800;
    port.Open();
    EXPECT_EQ(backend.Settings(path).Speed, 28800u);
}

TEST_F(ComPortTest, BaudRateTableGivesTheLineSpeeds) {
    EXPECT_EQ(LineSpeed(br110, 0), 110u);
    EXPECT_EQ(LineSpeed(br9600, 0), 9600u);
    EXPECT_EQ(LineSpeed(br56000, 0), 56000u);
    EXPECT_EQ(LineSpeed(br76500, 0), 57600u);
    EXPECT_EQ(LineSpeed(br256000, 0), 256000u);
    EXPECT_EQ(LineSpeed(brUser, 28800), 28800u);
}

TEST(ComPortDevicePath, NumbersOneToThirtyTwoAreTtySAndThirtyThreeToSixtyFourTtyUsb) {
    EXPECT_EQ(ComPortDevicePath(1), "/dev/ttyS0");
    EXPECT_EQ(ComPortDevicePath(32), "/dev/ttyS31");
    EXPECT_EQ(ComPortDevicePath(33), "/dev/ttyUSB0");
    EXPECT_EQ(ComPortDevicePath(64), "/dev/ttyUSB31");
    EXPECT_EQ(ComPortDevicePath(0), "");
    EXPECT_EQ(ComPortDevicePath(65), "");
    EXPECT_EQ(ComPortDevicePath(-1), "");
}

TEST_F(ComPortTest, DevicePathIsOpenedInsteadOfThePortNumber) {
    backend.AddDevice("/tmp/lightbarrier");
    port.DevicePath = "/tmp/lightbarrier";
    port.Open();
    EXPECT_TRUE(backend.IsOpen("/tmp/lightbarrier"));
    EXPECT_FALSE(backend.IsOpen(path));
}

TEST_F(ComPortTest, AFailedOpenTellsTheOperatorWhyAndLeavesThePortClosed) {
    struct Case {
        int Port;
        int Error;
        ComFailure Reason;
        const char* Message;
    };
    const Case cases[] = {
        {5, 0, ComFailure::Missing, "Anschluss COM5 (/dev/ttyS4) ist nicht vorhanden"},
        {0, 0, ComFailure::Missing, "Anschluss COM0 ist nicht vorhanden"},
        {1, EIO, ComFailure::Missing, "Anschluss COM1 (/dev/ttyS0) ist nicht vorhanden"},
        {1, EACCES, ComFailure::NoPermission,
         "Keine Berechtigung für /dev/ttyS0: Benutzer zur Gruppe dialout hinzufügen "
         "(sudo usermod -aG dialout $USER, dann neu anmelden)"},
        {1, EBUSY, ComFailure::Busy,
         "Anschluss COM1 (/dev/ttyS0) wird schon von einem anderen Programm benutzt"},
        {1, EINVAL, ComFailure::Other,
         "Anschluss COM1 (/dev/ttyS0) lässt sich nicht öffnen: Invalid argument"},
    };
    for (const Case& c : cases) {
        backend.FailOpen(path, FakeSerialBackend::Failure::Handle, c.Error);
        port.Port = c.Port;
        try {
            port.Open();
            ADD_FAILURE() << c.Message;
        } catch (const EComHandle& e) {
            EXPECT_EQ(e.what(), std::string(c.Message));
            EXPECT_EQ(e.Reason(), c.Reason) << c.Message;
        }
        EXPECT_FALSE(port.Connected());
        EXPECT_FALSE(port.HasDevice());
    }
    EXPECT_TRUE(calls.empty());
}

TEST_F(ComPortTest, AFailedConfigurationRaisesEComStateAndReleasesTheDevice) {
    backend.FailOpen(path, FakeSerialBackend::Failure::State, EIO);
    EXPECT_EQ(OpenFailure<EComState>(port),
              "Anschluss COM1 (/dev/ttyS0) lässt sich nicht einstellen: Input/output error");
    EXPECT_FALSE(port.Connected());
    EXPECT_FALSE(backend.IsOpen(path));
    EXPECT_TRUE(calls.empty());

    backend.FailOpen(path, FakeSerialBackend::Failure::None);
    port.Open();
    EXPECT_TRUE(port.Connected());
}

TEST_F(ComPortTest, AnAdaptersStableNameWinsOverThePortNumberWhileItIsThere) {
    const std::string stable = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A1-if00-port0";
    backend.AddDevice(ComPortDevicePath(34), 0, "FT232R USB UART", stable);
    port.PortName = stable;
    port.Open();
    EXPECT_TRUE(backend.IsOpen(ComPortDevicePath(34)));
    EXPECT_FALSE(backend.IsOpen(path));

    backend.RemoveDevice(ComPortDevicePath(34));
    port.Open();  // the adapter is gone: the port number is what is left
    EXPECT_TRUE(backend.IsOpen(path));

    port.Port = 0;
    EXPECT_EQ(OpenFailure<EComHandle>(port), "Anschluss " + stable + " ist nicht vorhanden");
}

TEST_F(ComPortTest, OneBatchCallsTheAssignedCallbacksInDispatchOrder) {
    Record(port.OnCTS, "cts");
    Record(port.OnDSR, "dsr");
    Record(port.OnRing, "ring");
    Record(port.OnRLSD, "rlsd");
    port.Open();
    backend.SetModemStatus(path, ModemCtsOn | ModemDsrOn | ModemRingOn | ModemRlsdOn, 1);
    Deliver(1);
    EXPECT_THAT(calls, ElementsAre("open", "ring", "cts", "dsr", "rlsd"));
}

TEST_F(ComPortTest, CtsAndDsrInOneBatchCallOnCtsBeforeOnDsrAndOnlyAssignedOnes) {
    Record(port.OnCTS, "cts");
    Record(port.OnDSR, "dsr");
    port.Open();
    backend.SetModemStatus(path, ModemCtsOn | ModemDsrOn, 1);
    Deliver(1);
    EXPECT_THAT(calls, ElementsAre("open", "cts", "dsr"));

    port.OnDSR = nullptr;
    backend.SetModemStatus(path, 0, 2);
    Deliver(1);
    EXPECT_THAT(calls, ElementsAre("open", "cts", "dsr", "cts"));
}

TEST_F(ComPortTest, CurrentEventGivesTheStatusAndTimestampSeenByTheWatcher) {
    ComEvent seen;
    port.OnCTS = [&](TComPort& sender) { seen = sender.CurrentEvent(); };
    port.Open();
    backend.SetModemStatus(path, ModemCtsOn | ModemDsrOn, 123'456'789);
    Deliver(1);
    EXPECT_EQ(seen.EventMask, EventBit(evCTS) | EventBit(evDSR));
    EXPECT_EQ(seen.ModemStatus, ModemCtsOn | ModemDsrOn);
    EXPECT_EQ(seen.Timestamp, 123'456'789);
    EXPECT_EQ(seen.Count, 1u);
}

TEST_F(ComPortTest, AnEdgeBetweenTwoWaitsOrAsAWaitBeginsIsDeliveredWithItsOwnTime) {
    // Before the wait's last look at the line, the look finds it; after it, as the kernel's wait
    // begins counting, only reconciling the wait does.
    for (auto script : {&FakeSerialBackend::SetModemStatusBeforeNextWait,
                        &FakeSerialBackend::SetModemStatusAsWaitBegins}) {
        std::vector<ComEvent> seen;
        port.OnCTS = [&](TComPort& sender) { seen.push_back(sender.CurrentEvent()); };
        port.Open();
        backend.WaitUntilWatched(path);
        (backend.*script)(path, 0, 200);
        backend.SetModemStatus(path, ModemCtsOn, 100);
        // No later change wakes the watcher: the edge back must not wait for one.
        while (seen.size() < 2 && ui.WaitForPosted(1, std::chrono::seconds(2))) {
            ui.RunPending();
        }
        ASSERT_EQ(seen.size(), 2u);
        EXPECT_EQ(seen[0].ModemStatus, ModemCtsOn);
        EXPECT_EQ(seen[0].Timestamp, 100);
        EXPECT_EQ(seen[1].ModemStatus, 0u);
        EXPECT_EQ(seen[1].Timestamp, 200);
        EXPECT_EQ(port.EdgeCount(), 2u);
        EXPECT_EQ(port.LineStatus(), 0u);
        port.Close();
        ui.RunPending();
    }
}

TEST_F(ComPortTest, AFloodOfEdgesWaitsAsOneBoundedHandOverAndKeepsEveryCount) {
    std::vector<ComEvent> seen;
    port.OnCTS = [&](TComPort& sender) { seen.push_back(sender.CurrentEvent()); };
    port.Open();
    constexpr int Edges = 5000;
    backend.SetModemStatus(path, ModemCtsOn, 1);
    ASSERT_TRUE(ui.WaitForPosted(1));
    for (int i = 2; i <= Edges; ++i) {
        backend.SetModemStatus(path, i % 2 == 1 ? ModemCtsOn : 0, i);
        if (i % 100 == 0) {
            std::this_thread::sleep_for(std::chrono::microseconds(200));  // let it look often
        }
    }
    // The UI thread has been away the whole time: one closure waits for it, however many edges,
    // and it holds a bounded number of batches.
    while (port.EdgeCount() < Edges && ui.WaitForPosted(1, std::chrono::seconds(2))) {
        EXPECT_FALSE(ui.WaitForPosted(2, std::chrono::milliseconds(0)));
        const std::size_t before = seen.size();
        ui.RunPending();  // the closure that waited, and perhaps one posted while it ran
        EXPECT_LE(seen.size() - before, 2u * 16u);
    }
    EXPECT_EQ(port.EdgeCount(), static_cast<std::uint64_t>(Edges));
    EXPECT_EQ(port.LineStatus(), 0u);
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.front().ModemStatus, ModemCtsOn);
    EXPECT_EQ(seen.front().Timestamp, 1);
    EXPECT_EQ(seen.front().Count, 1u);
    EXPECT_EQ(seen.back().ModemStatus, 0u);
}

TEST_F(ComPortTest, AStalledUiKeepsTheFirstEdgesOfEveryBouncingCrossingWithTheirOwnTimes) {
    std::vector<ComEvent> seen;
    port.OnCTS = [&](TComPort& sender) { seen.push_back(sender.CurrentEvent()); };
    port.Open();
    backend.WaitUntilWatched(path);
    // Three crossings 12 s apart, each contact bouncing 8 times within 3 ms, while the UI thread
    // is away: nothing runs the posted closure until the end.
    constexpr std::int64_t Second = 1'000'000'000;
    constexpr int EdgesPerCrossing = 18;
    const std::vector<std::int64_t> crossings{Second, 13 * Second, 25 * Second};
    for (const std::int64_t start : crossings) {
        for (int i = 0; i < EdgesPerCrossing; ++i) {
            backend.SetModemStatus(path, i % 2 == 0 ? ModemCtsOn : 0, start + i * 160'000);
            backend.WaitUntilWatched(path);
        }
    }
    ui.RunPending();
    for (const std::int64_t start : crossings) {
        const auto first = std::find_if(seen.begin(), seen.end(), [&](const ComEvent& event) {
            return event.Timestamp == start;
        });
        ASSERT_NE(first, seen.end()) << "crossing at " << start / Second << " s lost";
        EXPECT_EQ(first->ModemStatus, ModemCtsOn);
        EXPECT_EQ(first->Count, 1u);
        const auto second = std::next(first);
        ASSERT_NE(second, seen.end());
        EXPECT_EQ(second->ModemStatus, 0u);
        EXPECT_EQ(second->Timestamp, start + 160'000);
    }
    EXPECT_EQ(port.EdgeCount(), crossings.size() * EdgesPerCrossing);
    EXPECT_EQ(port.LineStatus(), 0u);
}

TEST_F(ComPortTest, OnlyTheWatchedEventsAreDelivered) {
    Record(port.OnCTS, "cts");
    Record(port.OnDSR, "dsr");
    port.Events = TEvents{evCTS};
    port.Open();
    backend.SetModemStatus(path, ModemDsrOn, 1);
    backend.SetModemStatus(path, ModemDsrOn | ModemCtsOn, 2);
    Deliver(1);
    ui.RunPending();
    EXPECT_THAT(calls, ElementsAre("open", "cts"));
}

TEST_F(ComPortTest, ACallbackThatClosesThePortEndsItsBatch) {
    port.OnCTS = [this](TComPort& sender) {
        calls.push_back("cts");
        sender.Close();
    };
    Record(port.OnDSR, "dsr");
    port.Open();
    backend.SetModemStatus(path, ModemCtsOn | ModemDsrOn, 1);
    Deliver(1);
    EXPECT_THAT(calls, ElementsAre("open", "cts", "close"));
}

TEST_F(ComPortTest, ClosingWhileTheWatcherIsBlockedReturns) {
    port.Open();
    backend.WaitUntilWatched(path);
    port.Close();
    EXPECT_FALSE(backend.IsOpen(path));
    EXPECT_THAT(calls, ElementsAre("open", "close"));
}

TEST_F(ComPortTest, ReadModemStatusGivesTheLineWhileOpenAndZeroWhileClosed) {
    backend.AddDevice(path, ModemCtsOn | ModemDsrOn);
    EXPECT_EQ(port.ReadModemStatus(), 0u);
    port.Open();
    EXPECT_EQ(port.ReadModemStatus(), ModemCtsOn | ModemDsrOn);
}

TEST_F(ComPortTest, ALostDeviceClosesThePortOnTheUiThread) {
    port.Open();
    backend.RemoveDevice(path);
    EXPECT_TRUE(port.Connected());  // nothing happens behind the UI thread's back
    Deliver(1);
    EXPECT_FALSE(port.Connected());
    EXPECT_TRUE(port.DeviceLost());
    EXPECT_THAT(calls, ElementsAre("open", "close"));
    EXPECT_FALSE(backend.IsOpen(path));

    port.Close();  // the operator's close ends the lost state and calls nothing
    EXPECT_FALSE(port.DeviceLost());
    EXPECT_THAT(calls, ElementsAre("open", "close"));
}

TEST_F(ComPortTest, EdgesBeforeTheLossAreStillDelivered) {
    Record(port.OnCTS, "cts");
    port.Open();
    backend.SetModemStatus(path, ModemCtsOn, 1);
    backend.RemoveDevice(path);
    Deliver(2);
    EXPECT_THAT(calls, ElementsAre("open", "cts", "close"));
}

TEST_F(ComPortTest, ClosuresLeftInTheQueueAfterThePortIsGoneAreDropped) {
    int ctsCalls = 0;
    {
        TComPort shortLived(backend, ui.Poster());
        shortLived.Port = 1;
        shortLived.OnCTS = [&](TComPort&) { ++ctsCalls; };
        shortLived.Open();
        backend.SetModemStatus(path, ModemCtsOn, 1);
        ASSERT_TRUE(ui.WaitForPosted(1));
    }
    EXPECT_EQ(ui.RunPending(), 1u);
    EXPECT_EQ(ctsCalls, 0);
}

// Run in a child process that may not set real-time priority itself (no root, no rtprio limit).
void ExpectRealtimeKitAskedForTheWatcherAlone() {
    const rlimit noRealtime{0, 0};
    if (setrlimit(RLIMIT_RTPRIO, &noRealtime) != 0 || (geteuid() == 0 && setuid(65534) != 0)) {
        std::exit(2);
    }
    FakeSerialBackend backend;
    backend.AddDevice(ComPortDevicePath(1));
    ManualUiQueue ui;
    TComPort port(backend, ui.Poster());
    std::vector<std::uint64_t> asked;
    bool cpuTimeBounded = false;
    port.RequestRealtime = [&](std::uint64_t tid, int priority) {
        rlimit cpu{};
        getrlimit(RLIMIT_RTTIME, &cpu);
        cpuTimeBounded = cpu.rlim_max != RLIM_INFINITY;
        asked.push_back(tid);
        return priority == WatcherRealtimePriority ? RealtimeAnswer::Granted
                                                   : RealtimeAnswer::Refused;
    };
    port.Open();
    const bool watcherAsked =
        asked.size() == 1 && asked[0] != static_cast<std::uint64_t>(gettid()) &&
        std::filesystem::exists("/proc/self/task/" + std::to_string(asked[0]));
    const bool kitGranted = port.Priority() == WatcherPriority::RealtimeKit;
    port.RequestRealtime = [](std::uint64_t, int) { return RealtimeAnswer::Refused; };
    port.Open();
    const bool normalWhenRefused = port.Priority() == WatcherPriority::Normal &&
                                   port.Shortfall() == PriorityShortfall::Refused;
    std::exit(watcherAsked && cpuTimeBounded && kitGranted && normalWhenRefused ? 0 : 1);
}

TEST(ComPortPriority, WithoutRightsOfItsOwnThePortAsksRealtimeKitForTheWatcherThread) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(ExpectRealtimeKitAskedForTheWatcherAlone(), testing::ExitedWithCode(0), "");
}

struct DemotionCase {
    RealtimeAnswer askedAgain;
    bool noticed;
    WatcherPriority priority;
    PriorityShortfall shortfall;
};

TEST(ComPortPriority, AWatcherDemotedByRealtimeKitIsNoticedAndAsksAgain) {
    const std::vector<DemotionCase> cases{
        {RealtimeAnswer::Granted, true, WatcherPriority::RealtimeKit, PriorityShortfall::None},
        {RealtimeAnswer::Refused, true, WatcherPriority::Normal, PriorityShortfall::Demoted},
    };
    for (const DemotionCase& c : cases) {
        FakeSerialBackend backend;
        backend.AddDevice(ComPortDevicePath(1));
        ManualUiQueue ui;
        TComPort port(backend, ui.Poster());
        port.Port = 1;
        bool realtime = false;  // the watcher's policy as the fake scheduler reports it
        RealtimeAnswer answer = RealtimeAnswer::Granted;
        int asked = 0;
        port.Scheduler = {[](std::uint64_t, int) { return false; },
                          [&](std::uint64_t) { return realtime; }};
        port.RequestRealtime = [&](std::uint64_t, int) {
            ++asked;
            realtime = answer == RealtimeAnswer::Granted;
            return answer;
        };
        port.Open();
        ASSERT_EQ(port.Priority(), WatcherPriority::RealtimeKit);
        EXPECT_FALSE(port.CheckPriority()) << "nothing taken, nothing asked";
        EXPECT_EQ(asked, 1);

        realtime = false;  // RealtimeKit's watchdog fired
        answer = c.askedAgain;
        EXPECT_EQ(port.CheckPriority(), c.noticed);
        EXPECT_EQ(asked, 2);
        EXPECT_EQ(port.Priority(), c.priority);
        EXPECT_EQ(port.Shortfall(), c.shortfall);
    }
}

}  // namespace
