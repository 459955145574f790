#include "serial/Scoreboard.h"

#include <algorithm>
#include <array>

namespace {

// Printable ASCII only: a character outside it becomes one '?' (a UTF-8 sequence included).
std::string PlainAscii(std::string_view text) {
    std::string plain;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte & 0xC0) == 0x80) {
            continue;  // the rest of a UTF-8 sequence
        }
        plain += byte >= 0x20 && byte < 0x7F ? c : '?';
    }
    return plain;
}

// The text's last `width` characters, right-aligned in `width`.
std::string RightAligned(std::string_view text, std::size_t width) {
    const std::string plain = PlainAscii(text);
    const std::size_t from = plain.size() > width ? plain.size() - width : 0;
    return std::string(width - (plain.size() - from), ' ') + plain.substr(from);
}

char PhaseLetter(ScoreboardPhase phase) {
    switch (phase) {
        case ScoreboardPhase::Countdown:
            return 'C';
        case ScoreboardPhase::Running:
            return 'R';
        case ScoreboardPhase::Stopped:
            return 'S';
        case ScoreboardPhase::Final:
            return 'F';
        case ScoreboardPhase::Ready:
            break;
    }
    return '-';
}

// "m:ss" (or "s" below a minute) right-aligned in five, then ".d", ".dd" or ".ddd" left-aligned
// in four; nine blanks without a time.
std::string TimeField(const ScoreboardFrame& frame) {
    if (!frame.TimeMs) {
        return std::string(9, ' ');
    }
    const std::int64_t ms = std::clamp<std::int64_t>(*frame.TimeMs, 0, 100LL * 60 * 1000 - 1);
    const std::int64_t seconds = ms / 1000;
    const std::int64_t minutes = seconds / 60;
    std::string whole = std::to_string(seconds % 60);
    if (minutes > 0) {
        whole = std::to_string(minutes) + ":" + (seconds % 60 < 10 ? "0" : "") + whole;
    }
    std::string fraction;
    const int decimals = std::clamp(frame.Decimals, 0, 3);
    if (decimals > 0) {
        const std::string thousandths = std::to_string(1000 + ms % 1000).substr(1);
        fraction = "." + thousandths.substr(0, static_cast<std::size_t>(decimals));
    }
    fraction.resize(4, ' ');
    return RightAligned(whole, 5) + fraction;
}

constexpr std::array<ScoreboardFormat, 1> Formats{{
    {"Standard", StandardLine},
}};

}  // namespace

std::string StandardLine(const ScoreboardFrame& frame) {
    return RightAligned(frame.StartNumber, 4) + ' ' + PhaseLetter(frame.Phase) + ' ' +
           TimeField(frame) + ' ' + RightAligned(frame.Place, 3) + '\r';
}

std::span<const ScoreboardFormat> ScoreboardFormats() {
    return Formats;
}

const ScoreboardFormat& FindScoreboardFormat(std::string_view name) {
    const auto found = std::find_if(Formats.begin(), Formats.end(),
                                    [&](const ScoreboardFormat& f) { return f.Name == name; });
    return found == Formats.end() ? Formats.front() : *found;
}

std::chrono::nanoseconds LineDuration(std::size_t bytes, std::uint32_t baud) {
    constexpr std::int64_t BitsPerCharacter = 10;  // start bit, 8 data bits, stop bit
    return std::chrono::nanoseconds(static_cast<std::int64_t>(bytes) * BitsPerCharacter *
                                    1'000'000'000 / std::max<std::uint32_t>(baud, 1));
}
