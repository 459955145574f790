#include "core/ScoreboardFeed.h"

#include "serial/Comms.h"

namespace {

// The time the seven digits of the time boards show, in milliseconds.
std::int64_t ShownMs(const TimingView& view) {
    const std::int64_t minutes = view.Digit3.Value * 10 + view.Digit4.Value;
    const std::int64_t seconds = view.Digit5.Value * 10 + view.Digit6.Value;
    return (minutes * 60 + seconds) * 1000 + view.Digit7.Value * 100 + view.Digit8.Value * 10 +
           view.Digit9.Value;
}

}  // namespace

void ScoreboardFeed::Apply(const Settings& settings, const std::string& simulated) {
    ScoreboardTarget target;
    simulated_ = !simulated.empty();
    if (simulated_) {
        target.Paths = {simulated};
    } else {
        // As the light barrier's port: the adapter's stable name first, then the port's device.
        if (!settings.BoardPortName.empty()) {
            target.Paths.push_back(settings.BoardPortName);
        }
        if (const std::string device = ComPortDevicePath(settings.BoardPort); !device.empty()) {
            target.Paths.push_back(device);
        }
        target.Port = settings.BoardPort;
    }
    target.Baud = settings.BoardBaud > 0 ? static_cast<std::uint32_t>(settings.BoardBaud) : 2400;
    target.Format = FindScoreboardFormat(settings.BoardFormat).Format;
    if (board_ && !(target == target_)) {
        board_->Connect(target);
        target_ = std::move(target);
        shown_.reset();
    }
}

void ScoreboardFeed::Close() {
    Apply(Settings{}, {});
}

void ScoreboardFeed::Show(const ScoreboardFrame& frame) {
    if (On() && shown_ != frame) {
        board_->Show(frame);
        shown_ = frame;
    }
}

void ScoreboardFeed::Describe(CfgValues& values) const {
    const ScoreboardState board = State();
    switch (board.State) {
        case ScoreboardState::Kind::Open:
            values.BoardLamp = PortLamp::Open;
            values.BoardState = "geöffnet: " + board.Text + (simulated_ ? " (simuliert)" : "");
            break;
        case ScoreboardState::Kind::Failed:
            values.BoardLamp = PortLamp::Closed;
            values.BoardState = board.Text;
            break;
        case ScoreboardState::Kind::Opening:
            values.BoardState = "wird geöffnet …";
            break;
        case ScoreboardState::Kind::Off:
            break;
    }
    for (const ScoreboardFormat& format : ScoreboardFormats()) {
        values.BoardFormats.emplace_back(format.Name);
    }
}

bool ScoreboardFeed::Poll() {
    const ScoreboardState state = State();
    StatusLine line;
    if (state.State == ScoreboardState::Kind::Failed) {
        line = {"Anzeigetafel: " + state.Text,
                state.Text +
                    ". Die Zeitnahme läuft ohne Tafel weiter; der Anschluss wird jede Sekunde "
                    "wieder versucht (Einstellungen, F2: Anzeigetafel).",
                false};
    }
    const bool changed = line.Text != line_.Text;
    line_ = std::move(line);
    return changed;
}

ScoreboardFrame MakeScoreboardFrame(AnnouncerClock clock, const TimingView& view,
                                    const std::string& startNumber, const Standing& standing) {
    ScoreboardFrame frame;
    frame.StartNumber = startNumber;
    const int decimals = standing.TimeResolution == Resolution::Thousandths ? 3 : 2;
    switch (clock) {
        case AnnouncerClock::Countdown:
            frame.Phase = ScoreboardPhase::Countdown;
            frame.TimeMs = ShownMs(view) / 1000 * 1000;
            break;
        case AnnouncerClock::Running:
            // The boards show tenths while the clock runs.
            frame.Phase = ScoreboardPhase::Running;
            frame.TimeMs = ShownMs(view) / 100 * 100;
            frame.Decimals = 1;
            break;
        case AnnouncerClock::Stopped:
            frame.Decimals = decimals;
            if (view.EntryStep == 1 && standing.LastRunRow >= 0) {
                const StandingRow& run = standing.At(standing.LastRunRow);
                frame.Phase = ScoreboardPhase::Final;
                frame.StartNumber = run.StartNumber;
                frame.TimeMs = run.TotalMs;
                frame.Place = run.State == Validity::Disqualified ? "DQ"
                              : run.Place > 0                     ? std::to_string(run.Place)
                                                                  : std::string();
            } else {
                frame.Phase = ScoreboardPhase::Stopped;
                if (view.DqFlag != 0) {
                    frame.Place = "DQ";
                } else {
                    frame.TimeMs = ShownMs(view);
                }
            }
            break;
        case AnnouncerClock::Idle:
            break;
    }
    return frame;
}
