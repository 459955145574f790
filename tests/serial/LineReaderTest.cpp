// termios2 comes from the kernel headers, as in the backend; glibc's <termios.h> stays out.
#include "serial/LineReader.h"

#include <asm/termbits.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

#include "TestLines.h"
#include "clock/MonotonicClock.h"
#include "serial/ManualUiQueue.h"

namespace {

class LineReaderTest : public testing::Test {
protected:
    LineReaderTest() {
        reader.OnLine = [this](const ReceivedLine& line) { lines.push_back(line); };
        reader.OnLost = [this] { ++lost; };
    }
    // Hands what the reader thread queued to the user-interface thread until count lines came.
    void WaitForLines(std::size_t count) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (lines.size() < count && std::chrono::steady_clock::now() < end) {
            if (ui.WaitForPosted(1, std::chrono::milliseconds(100))) {
                ui.RunPending();
            }
        }
    }

    PtyLine pty;
    ManualUiQueue ui;
    LineReader reader{pty.backend, ui.Poster()};
    std::vector<ReceivedLine> lines;
    int lost = 0;
};

TEST_F(LineReaderTest, CutsATimersTextIntoLinesStampedWhenTheyBegan) {
    // Opened before the reader takes the terminal exclusively, to see its speed.
    const int observer = open(pty.path.c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(observer, 0);
    reader.Open(pty.path, 38400);
    termios2 tio{};
    ASSERT_EQ(ioctl(observer, TCGETS2, &tio), 0);
    EXPECT_EQ(tio.c_ispeed, 38400u);
    EXPECT_EQ(tio.c_cflag & (CSIZE | PARENB | CSTOPB), static_cast<tcflag_t>(CS8));
    close(observer);

    const std::int64_t before = MonotonicRawNow();
    // A line in two pieces, an empty line, and noise without an end that goes on and on.
    pty.Write(" 0001 c0  13:05:07.1234\r\n 0002 c1");
    pty.Write("  13:05:21.0051\r\n\r\n" + std::string(300, 'x') + "\n");
    WaitForLines(3);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].Text, " 0001 c0  13:05:07.1234");
    EXPECT_EQ(lines[1].Text, " 0002 c1  13:05:21.0051");
    EXPECT_GE(lines[0].Timestamp, before);
    EXPECT_LE(lines[0].Timestamp, lines[1].Timestamp);
    EXPECT_FALSE(lines[1].Overlong);
    EXPECT_TRUE(lines[2].Overlong);
    EXPECT_EQ(lines[2].Text.size(), LineReader::MaxLineBytes);
    EXPECT_EQ(lost, 0);
}

TEST_F(LineReaderTest, ALineThatHangsUpIsReportedLostAndClosed) {
    reader.Open(pty.path, 9600);
    pty.Hangup();
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (lost == 0 && std::chrono::steady_clock::now() < end) {
        if (ui.WaitForPosted(1, std::chrono::milliseconds(100))) {
            ui.RunPending();
        }
    }
    EXPECT_EQ(lost, 1);
    EXPECT_FALSE(reader.Connected());
    EXPECT_TRUE(reader.DeviceLost());
}

TEST(LineReaderFifo, TheSimulatedTimerLineIsAFifoOfText) {
    FifoLine fifo;
    ManualUiQueue ui;
    LineReader reader(fifo.backend, ui.Poster());
    std::vector<std::string> lines;
    reader.OnLine = [&](const ReceivedLine& line) { lines.push_back(line.Text); };
    reader.Open(fifo.path, 9600);
    fifo.Write(" 0001 c0  13:05:07.1234\n");
    ASSERT_TRUE(ui.WaitForPosted(1));
    ui.RunPending();
    EXPECT_EQ(lines, std::vector<std::string>{" 0001 c0  13:05:07.1234"});
}

}  // namespace
