// termios2 comes from the kernel headers, as in the backend; glibc's <termios.h> stays out.
#include <asm/termbits.h>
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <system_error>
#include <vector>

#include "TestLines.h"
#include "serial/Comms.h"
#include "serial/LinuxSerialBackend.h"
#include "serial/ManualUiQueue.h"

namespace {

using testing::ElementsAre;
using testing::FieldsAre;

int OpenError(ISerialBackend& backend, const std::string& path) {
    try {
        backend.Open(path);
    } catch (const std::system_error& e) {
        return e.code().value();
    }
    return 0;
}

TEST(LinuxSerialBackend, AMissingDeviceRaisesItsSystemError) {
    LinuxSerialBackend backend;
    EXPECT_EQ(OpenError(backend, "/dev/corralix-no-such-port"), ENOENT);
}

TEST(LinuxSerialBackend, AFileThatIsNoTerminalIsRefused) {
    char name[] = "/tmp/corralix-file-XXXXXX";
    const int fd = mkstemp(name);
    ASSERT_GE(fd, 0);
    LinuxSerialBackend backend;
    EXPECT_EQ(OpenError(backend, name), ENOTTY);
    close(fd);
    unlink(name);
}

TEST(LinuxSerialBackend, ATerminalIsOpenedOnlyOnce) {
    PtyLine pty;
    auto first = pty.backend.Open(pty.path);
    EXPECT_EQ(OpenError(pty.backend, pty.path), EBUSY);
    first.reset();
    EXPECT_NO_THROW(pty.backend.Open(pty.path));
}

TEST(LinuxSerialBackend, TheSimulatedLightBarrierIsOpenedOnlyOnce) {
    FifoLine fifo;
    auto first = fifo.backend.Open(fifo.path);
    EXPECT_EQ(OpenError(fifo.backend, fifo.path), EBUSY);
}

TEST(TerminalControlFlags, CarryDataBitsParityStopBitsAndHardwareFlowControl) {
    const auto flags = [](int dataBits, TParity parity, TStopBits stopBits, TFlowControl flow) {
        return TerminalControlFlags({9600, dataBits, parity, stopBits, flow, true});
    };
    EXPECT_EQ(flags(8, prNone, sbOneStopBit, fcNone), CREAD | CLOCAL | HUPCL | CS8);
    EXPECT_EQ(flags(5, prNone, sbOneStopBit, fcNone) & CSIZE, static_cast<tcflag_t>(CS5));
    EXPECT_EQ(flags(6, prNone, sbOneStopBit, fcNone) & CSIZE, static_cast<tcflag_t>(CS6));
    EXPECT_EQ(flags(7, prNone, sbOneStopBit, fcNone) & CSIZE, static_cast<tcflag_t>(CS7));

    const tcflag_t parityBits = PARENB | PARODD | CMSPAR;
    EXPECT_EQ(flags(8, prOdd, sbOneStopBit, fcNone) & parityBits, PARENB | PARODD);
    EXPECT_EQ(flags(8, prEven, sbOneStopBit, fcNone) & parityBits, static_cast<tcflag_t>(PARENB));
    EXPECT_EQ(flags(8, prMark, sbOneStopBit, fcNone) & parityBits, PARENB | PARODD | CMSPAR);
    EXPECT_EQ(flags(8, prSpace, sbOneStopBit, fcNone) & parityBits, PARENB | CMSPAR);

    EXPECT_NE(flags(8, prNone, sbOne5StopBits, fcNone) & CSTOPB, 0u);
    EXPECT_NE(flags(8, prNone, sbTwoStopBits, fcNone) & CSTOPB, 0u);
    EXPECT_NE(flags(8, prNone, sbOneStopBit, fcRtsCts) & CRTSCTS, 0u);
    EXPECT_EQ(flags(8, prNone, sbOneStopBit, fcXonXoff) & CRTSCTS, 0u);
}

termios2 ReadTermios(int fd) {
    termios2 tio{};
    EXPECT_EQ(ioctl(fd, TCGETS2, &tio), 0);
    return tio;
}

// A pseudo-terminal always keeps 8 data bits and no parity check; the rest is read back.
TEST(LinuxSerialBackend, LineSettingsPutTheTerminalInRawModeAtTheirSpeed) {
    PtyLine pty;
    // Opened before the port takes the terminal exclusively, to watch its settings.
    const int observer = open(pty.path.c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(observer, 0);
    auto device = pty.backend.Open(pty.path);

    device->Configure({57600, 8, prMark, sbTwoStopBits, fcRtsCts, true});
    termios2 tio = ReadTermios(observer);
    EXPECT_EQ(tio.c_ospeed, 57600u);
    EXPECT_EQ(tio.c_ispeed, 57600u);
    EXPECT_EQ(tio.c_cflag & CBAUD, static_cast<tcflag_t>(BOTHER));
    EXPECT_EQ(tio.c_cflag & (PARODD | CMSPAR), PARODD | CMSPAR);
    EXPECT_NE(tio.c_cflag & CSTOPB, 0u);
    EXPECT_NE(tio.c_cflag & CRTSCTS, 0u);
    EXPECT_EQ(tio.c_cflag & (CLOCAL | CREAD), static_cast<tcflag_t>(CLOCAL | CREAD));
    EXPECT_EQ(tio.c_iflag & (IXON | IXOFF | ICRNL | INPCK), 0u);
    EXPECT_EQ(tio.c_oflag & OPOST, 0u);
    EXPECT_EQ(tio.c_lflag & (ICANON | ECHO | ISIG), 0u);

    device->Configure({28800, 8, prNone, sbOneStopBit, fcXonXoff, true});
    tio = ReadTermios(observer);
    EXPECT_EQ(tio.c_ospeed, 28800u);
    EXPECT_EQ(tio.c_cflag & (CSTOPB | CRTSCTS | PARODD | CMSPAR), 0u);
    EXPECT_EQ(tio.c_iflag & (IXON | IXOFF), static_cast<tcflag_t>(IXON | IXOFF));
    EXPECT_EQ(tio.c_cc[VSTART], 0x11);
    EXPECT_EQ(tio.c_cc[VSTOP], 0x13);
    close(observer);
}

class LinuxComPort : public testing::Test {
protected:
    LinuxComPort() {
        port.OnClose = [this](TComPort&) { ++closes; };
        port.OnCTS = [this](TComPort& sender) { seen.push_back(sender.CurrentEvent()); };
    }

    ManualUiQueue ui;
    PtyLine pty;
    FifoLine fifo;
    std::vector<ComEvent> seen;
    int closes = 0;
    TComPort port{pty.backend, ui.Poster()};
};

TEST_F(LinuxComPort, AHungUpTerminalClosesThePortAsALostDevice) {
    port.DevicePath = pty.path;
    port.Open();
    pty.Hangup();
    ASSERT_TRUE(ui.WaitForPosted(1));
    ui.RunPending();
    EXPECT_FALSE(port.Connected());
    EXPECT_TRUE(port.DeviceLost());
    EXPECT_EQ(closes, 1);
}

TEST_F(LinuxComPort, ATerminalWithoutModemLinesClosesCleanly) {
    port.DevicePath = pty.path;
    port.Open();
    EXPECT_EQ(port.ReadModemStatus(), 0u);
    port.Close();
    EXPECT_FALSE(port.DeviceLost());
    EXPECT_EQ(closes, 1);
}

TEST_F(LinuxComPort, TheSimulatedLightBarrierStartsWithCtsOffAndIgnoresOtherBytes) {
    port.DevicePath = fifo.path;
    port.Open();
    EXPECT_EQ(port.ReadModemStatus(), 0u);
    fifo.Write("x\n1 ");
    ASSERT_TRUE(ui.WaitForPosted(1));
    ui.RunPending();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].ModemStatus, ModemCtsOn);
    EXPECT_EQ(port.ReadModemStatus(), ModemCtsOn);
}

std::vector<ModemChange> Changes(std::uint32_t previous, std::uint32_t current,
                                 std::uint32_t ctsChanges) {
    std::vector<ModemChange> changes;
    AppendModemChanges(previous, current, ctsChanges, 77, changes);
    return changes;
}

TEST(AppendModemChanges, ALevelChangeIsOneChange) {
    EXPECT_THAT(Changes(0, ModemCtsOn, 1), ElementsAre(FieldsAre(ModemCtsOn, 77, 1)));
    EXPECT_THAT(Changes(0, ModemCtsOn, 0), ElementsAre(FieldsAre(ModemCtsOn, 77, 1)));
    EXPECT_THAT(Changes(ModemCtsOn, ModemCtsOn | ModemDsrOn, 0),
                ElementsAre(FieldsAre(ModemCtsOn | ModemDsrOn, 77, 1)));
    EXPECT_TRUE(Changes(ModemCtsOn, ModemCtsOn, 0).empty());
}

TEST(AppendModemChanges, ChangesShorterThanTheWakeUpComeAsTheFirstAndTheRestCounted) {
    EXPECT_THAT(Changes(0, 0, 2), ElementsAre(FieldsAre(ModemCtsOn, 77, 1), FieldsAre(0u, 77, 1)));
    EXPECT_THAT(Changes(0, ModemCtsOn, 3),
                ElementsAre(FieldsAre(ModemCtsOn, 77, 1), FieldsAre(ModemCtsOn, 77, 2)));
    EXPECT_THAT(Changes(0, ModemDsrOn, 2),
                ElementsAre(FieldsAre(ModemCtsOn, 77, 1), FieldsAre(ModemDsrOn, 77, 1)));
    // A count that has not caught up with the level: the level's own move is not lost.
    EXPECT_THAT(Changes(0, 0, 1), ElementsAre(FieldsAre(ModemCtsOn, 77, 1), FieldsAre(0u, 77, 1)));
    EXPECT_THAT(Changes(0, ModemCtsOn, 2),
                ElementsAre(FieldsAre(ModemCtsOn, 77, 1), FieldsAre(ModemCtsOn, 77, 2)));
}

}  // namespace
