// termios2 comes from the kernel headers, as in the backend; glibc's <termios.h> stays out.
#include <asm/termbits.h>
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "TestLines.h"
#include "serial/Scoreboard.h"
#include "serial/ScoreboardLine.h"

namespace {

using namespace std::chrono_literals;
using testing::HasSubstr;

ScoreboardFrame Frame(ScoreboardPhase phase, std::string number, std::optional<std::int64_t> ms,
                      int decimals, std::string place = {}) {
    return {phase, std::move(number), ms, decimals, std::move(place)};
}

TEST(StandardLine, LaysOutEachPhaseInFixedColumnsEndingWithCr) {
    using P = ScoreboardPhase;
    const struct {
        ScoreboardFrame frame;
        std::string line;
    } cases[] = {
        {Frame(P::Countdown, "7", 28'000, 0), "   7 C    28        \r"},
        {Frame(P::Running, "12", 5'000, 1), "  12 R     5.0      \r"},
        {Frame(P::Running, "12", 15'300, 1), "  12 R    15.3      \r"},
        {Frame(P::Running, "12", 65'300, 1), "  12 R  1:05.3      \r"},
        {Frame(P::Stopped, "12", 15'340, 2), "  12 S    15.34     \r"},
        {Frame(P::Final, "12", 20'340, 2, "3"), "  12 F    20.34    3\r"},
        {Frame(P::Final, "12", 15'342, 3, "12"), "  12 F    15.342  12\r"},
        {Frame(P::Final, "12", std::nullopt, 2, "DQ"), "  12 F            DQ\r"},
        {Frame(P::Ready, "13", std::nullopt, 0), "  13 -              \r"},
        // The last four characters of a long number; what is not plain ASCII becomes '?'.
        {Frame(P::Running, "12345", 15'300, 1), "2345 R    15.3      \r"},
        {Frame(P::Running, "Nr.\xC3\xA4", 15'300, 1), "Nr.? R    15.3      \r"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(StandardLine(c.frame), c.line);
        EXPECT_EQ(StandardLine(c.frame).size(), 21u);
    }
}

TEST(ScoreboardFormats, AreFoundByNameAndAnUnknownNameGetsTheDefault) {
    ASSERT_FALSE(ScoreboardFormats().empty());
    for (const ScoreboardFormat& format : ScoreboardFormats()) {
        EXPECT_EQ(FindScoreboardFormat(format.Name).Format, format.Format);
    }
    EXPECT_EQ(FindScoreboardFormat("Standard").Format, &StandardLine);
    EXPECT_EQ(FindScoreboardFormat("gibt es nicht").Format, ScoreboardFormats().front().Format);
}

TEST(LineDuration, LeavesRoomForTenLinesASecondAtTheDefaultSpeed) {
    const std::size_t line = StandardLine(Frame(ScoreboardPhase::Running, "12", 15'300, 1)).size();
    EXPECT_EQ(LineDuration(line, 2400), 87'500us);
    EXPECT_LT(10 * LineDuration(line, 2400), 1s);
    EXPECT_GT(10 * LineDuration(line, 1200), 1s) << "too slow for ten running times a second";
}

// The next line up to its CR read from fd; empty when none came within 5 s.
std::string ReadLineFrom(int fd) {
    std::string line;
    while (line.empty() || line.back() != '\r') {
        pollfd readable{fd, POLLIN, 0};
        char c = 0;
        if (poll(&readable, 1, 5000) != 1 || read(fd, &c, 1) != 1) {
            return {};
        }
        line += c;
    }
    return line;
}

// A pseudo terminal: the board's line is its terminal side, the test reads the other.
class PtyBoard {
public:
    PtyBoard() : slave(open(pty.path.c_str(), O_RDWR | O_NOCTTY)), path(pty.path) {
        EXPECT_GE(slave, 0);
    }
    ~PtyBoard() { close(slave); }
    // Output on the board's line stopped (a controller holding it off) or going again.
    void Flow(bool on) const { EXPECT_EQ(ioctl(slave, TCXONC, on ? TCOON : TCOOFF), 0); }
    std::string ReadLine() const { return ReadLineFrom(pty.Master()); }

    PtyLine pty;
    int slave;
    std::string path;
};

// Waits (up to 5 s) until the condition holds.
bool Eventually(const std::function<bool()>& condition) {
    const auto until = std::chrono::steady_clock::now() + 5s;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > until) {
            return false;
        }
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

TEST(ScoreboardLine, WritesEachFrameAsALineOnA2400Baud8N1Line) {
    PtyBoard board;
    ScoreboardLine line;
    line.Connect({{board.path}, 0, 2400, StandardLine});
    ASSERT_TRUE(Eventually([&] { return line.State().State == ScoreboardState::Kind::Open; }));
    EXPECT_EQ(line.State().Text, board.path);

    termios2 settings{};
    ASSERT_EQ(ioctl(board.slave, TCGETS2, &settings), 0);
    EXPECT_EQ(settings.c_ospeed, 2400u);
    EXPECT_EQ(settings.c_cflag & (CSIZE | PARENB | CSTOPB), static_cast<tcflag_t>(CS8));
    EXPECT_EQ(settings.c_oflag & OPOST, 0u) << "the CR goes out as it is";

    const ScoreboardFrame frames[] = {
        Frame(ScoreboardPhase::Running, "12", 15'300, 1),
        Frame(ScoreboardPhase::Stopped, "12", 15'340, 2),
        Frame(ScoreboardPhase::Final, "12", 20'340, 2, "3"),
    };
    for (const ScoreboardFrame& frame : frames) {
        line.Show(frame);
        EXPECT_EQ(board.ReadLine(), StandardLine(frame));
    }
}

TEST(ScoreboardLine, ABoardThatDoesNotReadKeepsOnlyTheNewestFrameAndNeverHoldsTheHandOver) {
    PtyBoard board;
    // The board takes nothing: output on its line is stopped, as a controller holding it off.
    board.Flow(false);
    ScoreboardLine line;
    line.Connect({{board.path}, 0, 1'000'000, StandardLine});
    ASSERT_TRUE(Eventually([&] { return line.State().State == ScoreboardState::Kind::Open; }));
    for (int tenth = 0; tenth < 3000; ++tenth) {
        line.Show(Frame(ScoreboardPhase::Running, "12", tenth * 100, 1));
    }
    board.Flow(true);
    EXPECT_EQ(board.ReadLine(), StandardLine(Frame(ScoreboardPhase::Running, "12", 299'900, 1)));
}

// A FIFO stands for a board that comes and goes: it is there only while something reads it.
class FifoBoard {
public:
    FifoBoard() {
        char dir[] = "/tmp/corralix-board-XXXXXX";
        dir_ = mkdtemp(dir);
        path = dir_ + "/board";
        EXPECT_EQ(mkfifo(path.c_str(), 0600), 0);
    }
    ~FifoBoard() {
        Unplug();
        unlink(path.c_str());
        rmdir(dir_.c_str());
    }
    void PlugIn() { reader_ = open(path.c_str(), O_RDONLY | O_NONBLOCK); }
    void Unplug() {
        if (reader_ >= 0) {
            close(reader_);
            reader_ = -1;
        }
    }
    std::string ReadLine() const { return ReadLineFrom(reader_); }
    std::string path;

private:
    std::string dir_;
    int reader_ = -1;
};

TEST(ScoreboardLine, ABoardThatGoesAwayIsOpenedAgainByItselfAndGetsTheNewestLine) {
    FifoBoard board;
    ScoreboardLine line(10ms, 20ms);
    line.Connect({{board.path}, 0, 1'000'000, StandardLine});
    ASSERT_TRUE(Eventually([&] { return line.State().State == ScoreboardState::Kind::Failed; }));
    EXPECT_EQ(line.State().Text, "Anschluss " + board.path + " ist nicht vorhanden");
    const ScoreboardFrame first = Frame(ScoreboardPhase::Countdown, "7", 28'000, 0);
    line.Show(first);

    board.PlugIn();
    EXPECT_EQ(board.ReadLine(), StandardLine(first));
    EXPECT_EQ(line.State().State, ScoreboardState::Kind::Open);

    board.Unplug();
    ASSERT_TRUE(Eventually([&] { return line.State().State == ScoreboardState::Kind::Failed; }));
    const ScoreboardFrame second = Frame(ScoreboardPhase::Running, "7", 1'200, 1);
    line.Show(second);
    board.PlugIn();
    EXPECT_EQ(board.ReadLine(), StandardLine(second));
}

TEST(ScoreboardLine, IsOffWithoutAPortAndSendsNothing) {
    ScoreboardLine line;
    line.Connect({});
    line.Show(Frame(ScoreboardPhase::Running, "12", 15'300, 1));
    EXPECT_EQ(line.State(), ScoreboardState{});
}

}  // namespace
