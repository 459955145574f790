#include "core/TimerInput.h"

namespace {

// A bad line as the status bar quotes it: printable, and short.
std::string Quoted(const std::string& text) {
    std::string quoted;
    for (const char c : text.substr(0, 40)) {
        quoted += static_cast<unsigned char>(c) < 0x20 ? '?' : c;
    }
    return "\"" + quoted + (text.size() > 40 ? "…\"" : "\"");
}

std::string Lines(int count) {
    return std::to_string(count) + (count == 1 ? " Zeile" : " Zeilen");
}

}  // namespace

TimerInput::TimerInput(ISerialBackend& serial, UiPost post, IOperator& op)
    : reader_(serial, std::move(post)), operator_(op) {
    reader_.OnLine = [this](const ReceivedLine& line) { Line(line); };
    reader_.OnLost = [this] {
        if (OnChanged) {
            OnChanged();
        }
    };
}

void TimerInput::Configure(const std::string& path, int baud, const std::string& format) {
    format_ = &FindTimerLineFormat(format);
    const bool reopen = path != path_ || baud != baud_ || !reader_.Connected();
    path_ = path;
    baud_ = baud;
    if (path_.empty()) {
        Close();
    } else if (reopen) {
        Open();
    }
}

void TimerInput::Open() {
    try {
        reader_.Open(path_, static_cast<std::uint32_t>(baud_));
        portError_.clear();
    } catch (const std::exception& error) {
        portError_ = error.what();
        operator_.ShowError("Zeitmesser: " + portError_);
    }
}

void TimerInput::Close() {
    reader_.Close();
    portError_.clear();
}

void TimerInput::Poll() {
    if (!reader_.DeviceLost() || path_.empty()) {
        return;
    }
    try {
        reader_.Open(path_, static_cast<std::uint32_t>(baud_));
        if (OnChanged) {
            OnChanged();
        }
    } catch (const std::exception&) {
        // Still away: tried again with the next poll.
    }
}

void TimerInput::Line(const ReceivedLine& line) {
    badLines_ += static_cast<int>(line.Lost);
    const std::optional<TimerImpulse> impulse =
        line.Overlong ? std::nullopt : format_->Parse(line.Text);
    if (!impulse) {
        ++badLines_;
        lastBadLine_ = line.Text;
    } else {
        ++impulses_;
        lastImpulse_ =
            "c" + std::to_string(impulse->Channel) + " " + TimeOfDayText(impulse->TimeOfDay);
        if (OnImpulse) {
            OnImpulse(line.Timestamp, *impulse);
        }
    }
    if (OnChanged) {
        OnChanged();
    }
}

StatusLine TimerInput::Status() const {
    if (reader_.DeviceLost()) {
        return {"Zeitmesser getrennt! Kabel und Adapter prüfen",
                "Die Leitung zum Zeitmesser (" + path_ +
                    ") ist nicht mehr erreichbar. Sobald sie wieder da ist, wird sie von selbst "
                    "geöffnet.",
                false};
    }
    if (badLines_ > 0) {
        return {"Zeitmesser: " + Lines(badLines_) + " unlesbar",
                "Vom Zeitmesser kamen " + Lines(badLines_) + ", die nicht dem Format " +
                    std::string(format_->Name) +
                    " entsprechen; sie wurden nicht verwendet. Zuletzt: " + Quoted(lastBadLine_) +
                    ". Geschwindigkeit (Baud) und Format in den Einstellungen prüfen.",
                false};
    }
    return {};
}

std::string TimerInput::Readout() const {
    if (path_.empty()) {
        return {};
    }
    if (!reader_.Connected()) {
        return "Zeitmesser: nicht verbunden";
    }
    std::string text = "Zeitmesser: " + std::to_string(impulses_) + " Impulse";
    if (!lastImpulse_.empty()) {
        text += ", zuletzt " + lastImpulse_;
    }
    if (badLines_ > 0) {
        text += ", " + Lines(badLines_) + " unlesbar";
    }
    return text;
}
