#include "results/CellStyle.h"

#include <algorithm>

#include "results/ResultTable.h"
#include "results/Standing.h"

namespace {

CellAlign Alignment(int col, int row, bool currentRow) {
    if (row == 0) {
        return CellAlign::Left;
    }
    switch (col) {
        case ColName:
        case ColPferd:
        case ColTeam:
        case ColGrund:
            return CellAlign::Left;
        case ColNr:
        case ColStrafen:
        case ColRang:
            return CellAlign::Centre;
        case ColDq:
            return currentRow ? CellAlign::Right : CellAlign::Centre;
        default:
            return CellAlign::Right;
    }
}

Rgb PlaceBackground(int place) {
    switch (place) {
        case 1:
            return GoldBackground;
        case 2:
            return SilverBackground;
        case 3:
            return BronzeBackground;
        default:
            return RankedBackground;
    }
}

bool OnlyOf(std::string_view text, std::string_view allowed) {
    return std::all_of(text.begin(), text.end(),
                       [&](char c) { return allowed.find(c) != std::string_view::npos; });
}

constexpr std::string_view Digits = "0123456789";
constexpr std::string_view TimeCharacters = "0123456789:,.DQdq";
constexpr std::string_view DqCharacters = "DQdq";

}  // namespace

CellLook CellFormat(const ResultTable& table, const Standing& standing, int col, int row,
                    bool selected) {
    const bool currentRow = row == table.CurrentRow();
    CellLook look;
    look.Align = Alignment(col, row, currentRow);
    if (row == 0) {
        look.Background = {CellPaint::Fixed, HeaderBackground};
        return look;
    }
    if (selected) {
        look.Background = {CellPaint::Highlight, {}};
        look.Text = {CellPaint::HighlightedText, {}};
    }
    if (col == ColStartPos) {
        // Drawn in its own background, so the column shows nothing even when given a width.
        look.Text = {currentRow ? CellPaint::Highlight : CellPaint::Base, {}};
        return look;
    }
    const StandingRow& at = standing.At(row);
    if (!currentRow && !selected && at.State == Validity::Scratched) {
        // A starter who scratched is greyed: no run to come.
        look.Text = {CellPaint::Fixed, ScratchedTextColour};
        return look;
    }
    if (currentRow || !at.HasResult()) {
        return look;
    }
    if (col == ColDq) {
        const bool disqualified = at.State == Validity::Disqualified;
        look.Background = {CellPaint::Fixed, disqualified ? DqBackground : NotDqBackground};
    } else {
        look.Background = {CellPaint::Fixed, PlaceBackground(at.Place)};
    }
    return look;
}

bool ColumnEditable(int col) {
    return col != ColNr && col != ColStartPos;
}

bool AcceptsEditText(int col, std::string_view text) {
    switch (col) {
        case ColName:
        case ColPferd:
        case ColTeam:
        case ColGrund:
            return true;
        case ColLaufzeit:
        case ColTotal:
            return OnlyOf(text, TimeCharacters);
        case ColStrafen:
        case ColRang:
            return OnlyOf(text, Digits);
        case ColDq:
            return OnlyOf(text, DqCharacters);
        default:
            return text.empty();
    }
}
