// The LED scoreboard as the competition feeds it: what it shows during a countdown, a run, the
// stop and the entry, and where its line goes.
#include <set>

#include "CompetitionFixture.h"
#include "serial/Scoreboard.h"

namespace {

// A board's line that keeps every frame it is handed, laid out as the board gets it.
class RecordingScoreboard : public IScoreboard {
public:
    void Connect(const ScoreboardTarget& target) override { targets.push_back(target); }
    void Show(const ScoreboardFrame& frame) override {
        lines.push_back(targets.back().Format(frame));
    }
    ScoreboardState State() const override { return state; }

    std::vector<ScoreboardTarget> targets;
    std::vector<std::string> lines;
    ScoreboardState state;
};

class ScoreboardFeedTest : public CompetitionTest {
protected:
    void OpenWithBoard(Settings settings, const std::string& simulated = {}) {
        WriteSettings(store, settings);
        CompetitionEnvironment environment{
            serial,       store,   cues, time,        timers,
            dialogs,      desktop, live, ui.Poster(), folder.Path().string(),
            DataFolder(), "",      ',',  "corralix",  nullptr,
            ::write,      &broker};
        environment.Scoreboard = &board;
        environment.SimulatedBoard = simulated;
        competition = std::make_unique<Competition>(environment);
        competition->Start(StartList("7;Anna;Blue\r\n8;Ben;Rio\r\n"));
    }
    static Settings WithBoard(bool countdown) {
        Settings settings;
        settings.CountDown = countdown;
        settings.BoardPort = 34;
        return settings;
    }
    // The clock's 10 ms ticks for ms of the program's time.
    void Tick(int ms) {
        for (int elapsed = 0; elapsed < ms; elapsed += 10) {
            time.now += 10 * TicksPerMs;
            timers.Clock().expired();
        }
    }
    std::size_t LinesSince(std::size_t from, char phase) const {
        std::size_t count = 0;
        for (std::size_t i = from; i < board.lines.size(); ++i) {
            count += board.lines[i][5] == phase ? 1 : 0;
        }
        return count;
    }

    RecordingScoreboard board;
};

TEST_F(ScoreboardFeedTest,
       TheRunningTimeChangesTenTimesASecondAndTheStopAndEntryCarryTimeAndPlace) {
    OpenWithBoard(WithBoard(false));
    ASSERT_FALSE(board.targets.empty());
    EXPECT_EQ(board.targets.back().Paths, std::vector<std::string>{"/dev/ttyUSB1"});
    EXPECT_EQ(board.targets.back().Baud, 2400u);
    EXPECT_EQ(board.lines.back(), "   7 -              \r") << "the starter who is up";

    Key(Command::Start);
    const std::size_t started = board.lines.size();
    Tick(2000);
    const std::set<std::string> running(board.lines.begin() + started, board.lines.end());
    EXPECT_EQ(LinesSince(started, 'R'), board.lines.size() - started);
    EXPECT_GE(running.size(), 20u) << "ten running times a second";
    EXPECT_EQ(board.lines.back(), "   7 R     2.0      \r");

    time.now += 13'456 * TicksPerMs;
    Key(Command::Start);
    EXPECT_EQ(board.lines.back(), "   7 S    15.45     \r") << "the time measured, cut";
    Key(Command::PenaltyPlus);
    Key(Command::Entry);
    EXPECT_EQ(board.lines.back(), "   7 F    20.45    1\r") << "the total and its place";
    Key(Command::Entry);
    EXPECT_EQ(board.lines.back(), "   8 -              \r");
}

TEST_F(ScoreboardFeedTest, TheCountdownShowsItsSecondsAndADisqualificationItsMark) {
    OpenWithBoard(WithBoard(true));
    Key(Command::Start);
    EXPECT_EQ(board.lines.back(), "   7 C    30        \r") << "the whole countdown at once";
    const std::size_t counting = board.lines.size();
    Tick(3000);
    EXPECT_EQ(board.lines.back(), "   7 C    27        \r");
    EXPECT_EQ(LinesSince(counting, 'C'), 3u) << "one line for each second";

    Key(Command::Start);  // the run starts
    EXPECT_EQ(board.lines.back(), "   7 R     0.0      \r") << "not the countdown's seconds";
    Tick(500);
    Key(Command::Start);
    Key(Command::Dq);
    EXPECT_EQ(board.lines.back(), "   7 S            DQ\r");
    Key(Command::Entry);
    EXPECT_EQ(board.lines.back(), "   7 F            DQ\r");
}

TEST_F(ScoreboardFeedTest, TheSimulatedBoardTakesThePortsPlaceAndAFailingLineIsSaid) {
    OpenWithBoard(NoCountdown(), "/tmp/board-pty");
    ASSERT_FALSE(board.targets.empty());
    EXPECT_EQ(board.targets.back().Paths, std::vector<std::string>{"/tmp/board-pty"});

    board.state = {ScoreboardState::Kind::Failed, "Anschluss /tmp/board-pty ist nicht vorhanden"};
    timers.Reconnect().expired();
    EXPECT_EQ(competition->StatusMessage(),
              "Anzeigetafel: Anschluss /tmp/board-pty ist nicht vorhanden");
    Key(Command::Start);
    Key(Command::Start);
    EXPECT_EQ(board.lines.back()[5], 'S') << "the clock goes on, and so do the frames";
    board.state = {ScoreboardState::Kind::Open, "/tmp/board-pty"};
    timers.Reconnect().expired();
    EXPECT_EQ(competition->StatusMessage(), "");
}

TEST_F(ScoreboardFeedTest, TheSettingsDialogShowsTheBoardsStateAndAnotherPortReconnects) {
    OpenWithBoard(WithBoard(false));
    board.state = {ScoreboardState::Kind::Open, "/dev/ttyUSB1"};
    dialogs.editSettings = [](CfgValues& values) {
        values.BoardPortIndex = 0;  // "Kein"
        values.BoardBaud = 9600;
    };
    Key(Command::Settings);
    ASSERT_EQ(dialogs.shownSettings.size(), 1u);
    const CfgValues& shown = dialogs.shownSettings.back();
    EXPECT_EQ(shown.BoardLamp, PortLamp::Open);
    EXPECT_EQ(shown.BoardState, "geöffnet: /dev/ttyUSB1");
    EXPECT_EQ(shown.BoardPortEntries.at(shown.BoardPortIndex).substr(0, 5), "COM34");
    EXPECT_EQ(shown.BoardFormats.front(), "Standard");

    EXPECT_TRUE(board.targets.back().Paths.empty()) << "the board closed";
    EXPECT_EQ(competition->CurrentSettings().BoardPort, 0);
    EXPECT_EQ(competition->CurrentSettings().BoardBaud, 9600);
}

}  // namespace
