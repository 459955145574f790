#include "serial/PortDiscovery.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include "serial/FakeSerialBackend.h"
#include "serial/ManualUiQueue.h"

namespace {

using testing::ElementsAre;

constexpr std::uint64_t Bit(int port) {
    return std::uint64_t{1} << (port - 1);
}

TEST(ScanComPorts, ListsTheCharacterDevicesThatOpenAndClosesThemAgain) {
    FakeSerialBackend backend;
    for (int n : {1, 3, 64}) {
        backend.AddDevice(ComPortDevicePath(n));
    }
    backend.AddDevice(ComPortDevicePath(5), 0, false);  // a file named like a port
    backend.AddDevice(ComPortDevicePath(7));
    backend.FailOpen(ComPortDevicePath(7), FakeSerialBackend::Failure::Handle, EACCES);

    EXPECT_EQ(ScanComPorts(backend), Bit(1) | Bit(3) | Bit(64));
    EXPECT_EQ(AvailablePorts, Bit(1) | Bit(3) | Bit(64));
    for (int n : {1, 3, 5, 7, 64}) {
        EXPECT_FALSE(backend.IsOpen(ComPortDevicePath(n))) << n;
    }
}

TEST(ScanComPorts, FindsNothingWithoutDevices) {
    FakeSerialBackend backend;
    EXPECT_EQ(ScanComPorts(backend), 0u);
    EXPECT_EQ(AvailablePorts, 0u);
}

TEST(PortChoice, ListsKeinThenEveryPortFoundAscending) {
    EXPECT_THAT(PortChoice(Bit(64) | Bit(3) | Bit(1)).Entries(),
                ElementsAre("Kein", "COM1", "COM3", "COM64"));
    EXPECT_THAT(PortChoice(0).Entries(), ElementsAre("Kein"));
}

TEST(PortChoice, ShowingSelectsTheConfiguredPortOrElseTheLastEntry) {
    PortChoice choice(Bit(1) | Bit(3));
    EXPECT_EQ(choice.Show(3), 2);
    EXPECT_EQ(choice.ShownIndex(), 2);
    EXPECT_EQ(choice.Show(0), 0);
    EXPECT_EQ(choice.ShownIndex(), 0);
    EXPECT_EQ(choice.Show(5), 2);
    EXPECT_EQ(choice.ShownIndex(), -1);

    PortChoice none(0);
    EXPECT_EQ(none.Show(5), 0);
    EXPECT_EQ(none.ShownIndex(), -1);
}

class PortChoiceConfirm : public testing::Test {
protected:
    PortChoiceConfirm() {
        backend.AddDevice(ComPortDevicePath(1));
        backend.AddDevice(ComPortDevicePath(3));
        port.OnOpen = [this](TComPort& sender) {
            calls.push_back("open " + std::to_string(sender.Port));
        };
        port.OnClose = [this](TComPort&) { calls.push_back("close"); };
    }

    FakeSerialBackend backend;
    ManualUiQueue ui;
    std::vector<std::string> calls;
    TComPort port{backend, ui.Poster()};
    PortChoice choice{Bit(1) | Bit(3)};
};

TEST_F(PortChoiceConfirm, AnUnlistedPortConfirmedAsShownOpensTheLastPortAndStoresIt) {
    port.Port = 5;
    const int k = choice.Show(port.Port);
    choice.Confirm(port, k);
    EXPECT_EQ(port.Port, 3);
    EXPECT_TRUE(port.Connected());
    EXPECT_TRUE(backend.IsOpen(ComPortDevicePath(3)));
    EXPECT_THAT(calls, ElementsAre("open 3"));
}

TEST_F(PortChoiceConfirm, KeinClosesAnOpenPortOnceAndStoresZero) {
    port.Port = 1;
    port.Open();
    choice.Confirm(port, 0);
    EXPECT_FALSE(port.Connected());
    EXPECT_EQ(port.Port, 0);
    EXPECT_THAT(calls, ElementsAre("open 1", "close"));
}

TEST_F(PortChoiceConfirm, AnotherPortClosesTheOldOneAndOpensTheNew) {
    port.Port = 1;
    port.Open();
    choice.Show(port.Port);
    choice.Confirm(port, 2);
    EXPECT_EQ(port.Port, 3);
    EXPECT_FALSE(backend.IsOpen(ComPortDevicePath(1)));
    EXPECT_TRUE(backend.IsOpen(ComPortDevicePath(3)));
    EXPECT_THAT(calls, ElementsAre("open 1", "close", "open 3"));
}

TEST_F(PortChoiceConfirm, TheShownEntryAgainDoesNotReopenAClosedPort) {
    port.Port = 3;
    choice.Confirm(port, choice.Show(port.Port));
    EXPECT_FALSE(port.Connected());
    EXPECT_EQ(port.Port, 3);
    EXPECT_TRUE(calls.empty());
}

TEST_F(PortChoiceConfirm, AFailedOpenKeepsTheNewNumberAndRaises) {
    backend.FailOpen(ComPortDevicePath(3), FakeSerialBackend::Failure::Handle, EBUSY);
    port.Port = 1;
    choice.Show(port.Port);
    EXPECT_THROW(choice.Confirm(port, 2), EComHandle);
    EXPECT_EQ(port.Port, 3);
    EXPECT_FALSE(port.Connected());
}

class PortReconnectorTest : public PortChoiceConfirm {
protected:
    PortReconnectorTest() {
        port.Port = 1;
        port.Open();
    }

    void LoseDevice() {
        backend.RemoveDevice(ComPortDevicePath(1));
        ASSERT_TRUE(ui.WaitForPosted(1));
        ui.RunPending();
        ASSERT_TRUE(port.DeviceLost());
    }

    PortReconnector reconnector{port};
};

TEST_F(PortReconnectorTest, ReopensALostPortOnceItsDeviceIsBack) {
    LoseDevice();
    reconnector.Poll();
    reconnector.Poll();
    EXPECT_FALSE(port.Connected());
    EXPECT_TRUE(port.DeviceLost());

    backend.AddDevice(ComPortDevicePath(1));
    reconnector.Poll();
    EXPECT_TRUE(port.Connected());
    EXPECT_FALSE(port.DeviceLost());
    EXPECT_THAT(calls, ElementsAre("open 1", "close", "open 1"));
}

TEST_F(PortReconnectorTest, KeepsRetryingWhileTheDeviceCannotBeConfigured) {
    LoseDevice();
    backend.AddDevice(ComPortDevicePath(1));
    backend.FailOpen(ComPortDevicePath(1), FakeSerialBackend::Failure::State, EIO);
    reconnector.Poll();
    EXPECT_FALSE(port.Connected());
    EXPECT_TRUE(port.DeviceLost());

    backend.FailOpen(ComPortDevicePath(1), FakeSerialBackend::Failure::None);
    reconnector.Poll();
    EXPECT_TRUE(port.Connected());
}

TEST_F(PortReconnectorTest, NeverReopensAPortTheOperatorClosed) {
    port.Close();
    reconnector.Poll();
    EXPECT_FALSE(port.Connected());
    EXPECT_EQ(backend.OpenCount(ComPortDevicePath(1)), 1);
}

TEST_F(PortReconnectorTest, KeinAfterALossStopsTheRetries) {
    LoseDevice();
    choice.Confirm(port, 0);
    backend.AddDevice(ComPortDevicePath(1));
    reconnector.Poll();
    EXPECT_FALSE(port.Connected());
    EXPECT_EQ(port.Port, 0);
    EXPECT_EQ(backend.OpenCount(ComPortDevicePath(1)), 1);
}

}  // namespace
