#include "serial/PortDiscovery.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "serial/LinuxSerialBackend.h"
#include "serial/ManualUiQueue.h"
#include "support/FakeSerialBackend.h"

namespace {

namespace fs = std::filesystem;
using testing::ElementsAre;

// A sysfs and /dev tree in a temporary folder, laid out as the kernel and udev lay them out.
class SystemTree {
public:
    SystemTree() {
        char dir[] = "/tmp/corralix-ports-XXXXXX";
        root = mkdtemp(dir);
        sys = root / "sys";
        dev = root / "dev";
        fs::create_directories(sys / "class/tty");
        fs::create_directories(dev / "serial/by-id");
    }
    ~SystemTree() { fs::remove_all(root); }

    // A tty node of the device at sys/devices/device (linked as its device unless told not to),
    // with its /dev node unless told not to; returns its sysfs folder.
    fs::path AddTty(const std::string& name, const std::string& device, bool linked = true,
                    bool node = true) {
        const fs::path parent = sys / "devices" / device;
        const fs::path tty = parent / "tty" / name;
        fs::create_directories(tty);
        if (linked) {
            fs::create_directory_symlink(parent, tty / "device");
        }
        fs::create_directory_symlink(tty, sys / "class/tty" / name);
        if (node) {
            Write(dev / name, "");
        }
        return tty;
    }
    static void Write(const fs::path& file, const std::string& text) {
        std::ofstream(file) << text << '\n';
    }

    fs::path root, sys, dev;
};

TEST(ScanComPorts, ListsUartsAndUsbAdaptersFromSysfsInComOrder) {
    SystemTree tree;
    SystemTree::Write(tree.AddTty("ttyS0", "pnp0/00:04") / "type", "4");
    SystemTree::Write(tree.sys / "class/tty/ttyS0/console", "Y");  // the system console
    SystemTree::Write(tree.AddTty("ttyS1", "pnp0/00:05") / "type", "4");
    SystemTree::Write(tree.AddTty("ttyS2", "platform/serial8250") / "type", "0");  // no UART
    SystemTree::Write(tree.AddTty("ttyS3", "platform/serial8250b", false) / "type", "4");
    tree.AddTty("ttyACM0", "usb1/1-2/1-2:1.0");
    SystemTree::Write(tree.sys / "devices/usb1/1-2/product", "Arduino Uno");
    tree.AddTty("ttyUSB0", "usb1/1-1/1-1:1.0/ttyUSB0");
    SystemTree::Write(tree.sys / "devices/usb1/1-1/product", "FT232R USB UART");
    fs::create_symlink("../../ttyUSB0", tree.dev / "serial/by-id/usb-FTDI_FT232R_A1-if00-port0");
    tree.AddTty("ttyUSB1", "usb1/1-3/1-3:1.0/ttyUSB1", true, false);  // no /dev node
    tree.AddTty("tty5", "virtual/tty5");

    LinuxSerialBackend backend(tree.sys.string(), tree.dev.string());
    std::vector<std::string> texts;
    for (const SerialPort& port : ScanComPorts(backend)) {
        texts.push_back(PortText(port));
    }
    EXPECT_THAT(texts, ElementsAre("COM2 – ttyS1", "COM33 – ttyUSB0 – FT232R USB UART",
                                   "ttyACM0 – Arduino Uno"));
    const std::vector<SerialPort> ports = ScanComPorts(backend);
    ASSERT_EQ(ports.size(), 3u);
    EXPECT_EQ(ports[1].Device, (tree.dev / "ttyUSB0").string());
    EXPECT_EQ(ports[1].StableName,
              (tree.dev / "serial/by-id/usb-FTDI_FT232R_A1-if00-port0").string());
    EXPECT_EQ(ports[2].Number, 0);
    EXPECT_EQ(ports[2].StableName, "");
}

TEST(ReadLatencyTimerMs, ReadsTheFtdiTimerOfTheNodeBehindAStableName) {
    SystemTree tree;
    const fs::path tty = tree.AddTty("ttyUSB0", "usb1/1-1/1-1:1.0/ttyUSB0");
    SystemTree::Write(tree.sys / "devices/usb1/1-1/1-1:1.0/ttyUSB0/latency_timer", "16");
    tree.AddTty("ttyACM0", "usb1/1-2/1-2:1.0");
    fs::create_symlink("../../ttyUSB0", tree.dev / "serial/by-id/usb-FTDI_FT232R_A1-if00-port0");
    EXPECT_EQ(
        ReadLatencyTimerMs(tree.sys.string(),
                           (tree.dev / "serial/by-id/usb-FTDI_FT232R_A1-if00-port0").string()),
        16);
    EXPECT_EQ(ReadLatencyTimerMs(tree.sys.string(), (tree.dev / "ttyACM0").string()), 0);
}

const std::string Ftdi = "/dev/serial/by-id/usb-FTDI_FT232R_A1-if00-port0";

// ttyS0, ttyS2, the FTDI adapter as ttyUSB1 and an ACM adapter without a stable name.
std::vector<SerialPort> Ports() {
    return {{1, "/dev/ttyS0", "", ""},
            {3, "/dev/ttyS2", "", ""},
            {34, "/dev/ttyUSB1", "FT232R USB UART", Ftdi},
            {0, "/dev/ttyACM0", "Arduino Uno", ""}};
}

TEST(PortChoice, ListsKeinThenThePortsAndAMissingConfiguredPortAsMissing) {
    EXPECT_THAT(PortChoice(Ports(), 0, "").Entries(),
                ElementsAre("Kein", "COM1 – ttyS0", "COM3 – ttyS2",
                            "COM34 – ttyUSB1 – FT232R USB UART", "ttyACM0 – Arduino Uno"));
    EXPECT_THAT(PortChoice({}, 5, "").Entries(), ElementsAre("Kein", "COM5 – fehlt"));
    EXPECT_THAT(PortChoice({}, 33, Ftdi).Entries(),
                ElementsAre("Kein", "COM33 – usb-FTDI_FT232R_A1-if00-port0 – fehlt"));
}

TEST(PortChoice, ShowsThePortThatOpeningWouldUseAndConfirmingItChangesNothing) {
    struct Case {
        int Port;
        std::string PortName;
        int Shown;
    };
    const Case cases[] = {
        {0, "", 0},
        {3, "", 2},
        {33, Ftdi, 3},  // the adapter moved from ttyUSB0 to ttyUSB1: its stable name finds it
        {1, "/dev/serial/by-id/gone", 1},  // a stable name that is gone falls back to the number
        {5, "", 5},                        // missing: the added entry, not the last port
    };
    for (const Case& c : cases) {
        const PortChoice choice(Ports(), c.Port, c.PortName);
        EXPECT_EQ(choice.Shown(), c.Shown) << c.Port;
        const PortChange change = choice.Confirm(choice.Shown());
        EXPECT_EQ(change.Do, PortChange::Action::None) << c.Port;
        EXPECT_EQ(change.Port, c.Port);
        EXPECT_EQ(change.PortName, c.PortName);
    }
}

TEST(PortChoice, PickingAnotherEntryStoresItsNumberAndStableNameAndOpensIt) {
    const PortChoice choice(Ports(), 5, "");
    struct Case {
        int Entry;
        int Port;
        std::string PortName;
        PortChange::Action Do;
    };
    const Case cases[] = {
        {0, 0, "", PortChange::Action::Close},
        {1, 1, "", PortChange::Action::Open},
        {3, 34, Ftdi, PortChange::Action::Open},
        {4, 0, "/dev/ttyACM0", PortChange::Action::Open},
    };
    for (const Case& c : cases) {
        const PortChange change = choice.Confirm(c.Entry);
        EXPECT_EQ(change.Port, c.Port) << c.Entry;
        EXPECT_EQ(change.PortName, c.PortName) << c.Entry;
        EXPECT_EQ(change.Do, c.Do) << c.Entry;
    }
}

class PortReconnectorTest : public testing::Test {
protected:
    PortReconnectorTest() {
        backend.AddDevice(ComPortDevicePath(1));
        port.OnOpen = [this](TComPort& sender) {
            calls.push_back("open " + std::to_string(sender.Port));
        };
        port.OnClose = [this](TComPort&) { calls.push_back("close"); };
        port.Port = 1;
        port.Open();
    }

    void LoseDevice() {
        backend.RemoveDevice(ComPortDevicePath(1));
        ASSERT_TRUE(ui.WaitForPosted(1));
        ui.RunPending();
        ASSERT_TRUE(port.DeviceLost());
    }

    FakeSerialBackend backend;
    ManualUiQueue ui;
    std::vector<std::string> calls;
    TComPort port{backend, ui.Poster()};
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
    port.Close();
    port.Port = 0;
    backend.AddDevice(ComPortDevicePath(1));
    reconnector.Poll();
    EXPECT_FALSE(port.Connected());
    EXPECT_EQ(port.Port, 0);
    EXPECT_EQ(backend.OpenCount(ComPortDevicePath(1)), 1);
}

}  // namespace
