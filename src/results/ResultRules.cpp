#include "results/ResultRules.h"

#include <limits>

#include "results/ResultTable.h"

namespace {

constexpr std::int64_t EmptyKey = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t NoTimeKey = EmptyKey - 1;
constexpr std::int64_t DisqualifiedKey = EmptyKey - 2;

// Minutes beyond this are no time any timer gives; the cap keeps the sum far from overflow.
constexpr std::size_t MaxMinuteDigits = 6;

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Reads 1..maxDigits digits at the front of text into value and drops them from text.
bool TakeDigits(std::string_view& text, std::size_t maxDigits, std::int64_t& value,
                std::size_t& count) {
    count = 0;
    value = 0;
    while (count < text.size() && IsDigit(text[count])) {
        if (count == maxDigits) {
            return false;
        }
        value = value * 10 + (text[count] - '0');
        ++count;
    }
    text.remove_prefix(count);
    return count > 0;
}

}  // namespace

bool IsDisqualified(std::string_view cell) {
    cell = TrimText(cell);
    return cell.size() == 2 && (cell[0] | 0x20) == 'd' && (cell[1] | 0x20) == 'q';
}

bool IsDisqualifiedRow(const ResultTable& table, int row) {
    return IsDisqualified(table.Cell(ColDq, row)) || IsDisqualified(table.Cell(ColTotal, row));
}

std::optional<std::int64_t> ReadTotal(std::string_view text) {
    text = TrimText(text);
    std::int64_t minutes = 0;
    std::int64_t seconds = 0;
    std::size_t digits = 0;
    if (!TakeDigits(text, MaxMinuteDigits, seconds, digits)) {
        return std::nullopt;
    }
    if (!text.empty() && text.front() == ':') {
        text.remove_prefix(1);
        minutes = seconds;
        if (!TakeDigits(text, 2, seconds, digits) || digits != 2 || seconds >= 60) {
            return std::nullopt;
        }
    }
    std::int64_t fraction = 0;
    if (!text.empty() && (text.front() == ',' || text.front() == '.')) {
        text.remove_prefix(1);
        if (!TakeDigits(text, 3, fraction, digits)) {
            return std::nullopt;
        }
        for (; digits < 3; ++digits) {
            fraction *= 10;
        }
    }
    if (!text.empty()) {
        return std::nullopt;
    }
    return (minutes * 60 + seconds) * 1000 + fraction;
}

std::int64_t CutToResolution(std::int64_t ms, Resolution resolution) {
    return resolution == Resolution::Hundredths ? ms - ms % 10 : ms;
}

bool SameTotal(std::int64_t a, std::int64_t b, Resolution resolution) {
    return CutToResolution(a, resolution) == CutToResolution(b, resolution);
}

std::int64_t TotalOrderKey(std::string_view text, Resolution resolution) {
    if (IsDisqualified(text)) {
        return DisqualifiedKey;
    }
    if (TrimText(text).empty()) {
        return EmptyKey;
    }
    const std::optional<std::int64_t> ms = ReadTotal(text);
    return ms ? CutToResolution(*ms, resolution) : NoTimeKey;
}

int CompareTotals(std::string_view a, std::string_view b, Resolution resolution) {
    const std::int64_t keyA = TotalOrderKey(a, resolution);
    const std::int64_t keyB = TotalOrderKey(b, resolution);
    return keyA == keyB ? 0 : (keyA > keyB ? 1 : -1);
}

bool IsScratched(std::string_view reasonCell) {
    return AsciiLower(TrimText(reasonCell)) == AsciiLower(ScratchedText);
}

std::int64_t RunTotalMs(std::int64_t runMs, int penalties, int penaltySeconds) {
    return runMs + std::int64_t{1000} * penaltySeconds * penalties;
}

std::string PenaltyTimeText(std::string_view penalties, int penaltySeconds) {
    const std::string_view count = TrimText(penalties);
    if (count.empty() || count.size() > 3 ||
        count.find_first_not_of("0123456789") != std::string_view::npos) {
        return {};
    }
    const int seconds = std::stoi(std::string(count)) * penaltySeconds;
    return seconds > 0 ? "+" + std::to_string(seconds) + " s" : std::string();
}
