#pragma once

#include <optional>
#include <string>

#include "config/CfgExchange.h"
#include "config/Settings.h"
#include "core/BarrierLine.h"
#include "files/Announcer.h"
#include "results/Standing.h"
#include "serial/Scoreboard.h"
#include "timing/TimingView.h"

// The LED scoreboard: its serial line opened as the settings say, and every change of what it
// shows handed to the line's own writer, which never keeps the clock waiting.
class ScoreboardFeed {
public:
    // No board: the program does without.
    explicit ScoreboardFeed(IScoreboard* board) : board_(board) {}

    // Opens the board's port as the settings say (the simulated board's device in its place) or
    // closes it when none is set; a line already open as they say is left alone.
    void Apply(const Settings& settings, const std::string& simulated);
    void Close();
    // A board's port is set: its frames are wanted.
    bool On() const { return board_ && !target_.Paths.empty(); }
    // Hands the frame to the board when it differs from the last one handed.
    void Show(const ScoreboardFrame& frame);
    // Once a second: true when what the status bar says of the board changed.
    bool Poll();
    ScoreboardState State() const { return board_ ? board_->State() : ScoreboardState{}; }
    // For the settings dialog: the board's lamp and state, and the line formats to choose from.
    void Describe(CfgValues& values) const;
    // The status bar's line while the configured board cannot be written; empty otherwise.
    const StatusLine& Line() const { return line_; }

private:
    IScoreboard* board_;
    ScoreboardTarget target_;
    bool simulated_ = false;
    std::optional<ScoreboardFrame> shown_;
    StatusLine line_;
};

// What the board shows: the run clock as the time boards show it (the countdown's seconds, the
// running tenths, the stopped time), the current starter's number, and once the run is entered
// its total and place from the standing.
ScoreboardFrame MakeScoreboardFrame(AnnouncerClock clock, const TimingView& view,
                                    const std::string& startNumber, const Standing& standing);
