#pragma once

#include <string_view>

class ResultTable;
struct Standing;

struct Rgb {
    int Red = 0;
    int Green = 0;
    int Blue = 0;

    bool operator==(const Rgb&) const = default;
};

// Where a colour of a cell comes from: the grid's own palette, or a fixed colour.
enum class CellPaint { Base, Text, Highlight, HighlightedText, Fixed };

struct CellColour {
    CellPaint Paint = CellPaint::Base;
    Rgb Fixed;

    bool operator==(const CellColour&) const = default;
};

enum class CellAlign { Left, Centre, Right };

// How one cell is drawn; text is always centred vertically.
struct CellLook {
    CellAlign Align = CellAlign::Right;
    CellColour Background;
    CellColour Text{CellPaint::Text, {}};

    bool operator==(const CellLook&) const = default;
};

inline constexpr Rgb HeaderBackground{195, 195, 215};
inline constexpr Rgb GoldBackground{255, 228, 160};
inline constexpr Rgb SilverBackground{192, 192, 192};
inline constexpr Rgb BronzeBackground{255, 144, 96};
inline constexpr Rgb RankedBackground{240, 240, 240};
inline constexpr Rgb DqBackground{255, 224, 224};
inline constexpr Rgb NotDqBackground{224, 255, 224};
inline constexpr Rgb ScratchedTextColour{150, 150, 150};
// The bar under the starter after whom the ground is dragged.
inline constexpr Rgb DragMarkColour{190, 100, 0};

// The look of cell (col, row); row 0 is the header. `selected` is whether the grid draws the cell
// selected: the whole current row, or only the focused cell in edit mode. As the class's standing
// has the row: rows with a result show their place (gold, silver, bronze, grey without a place)
// and in the DQ column whether they count as disqualified, by their DQ cell or their total;
// a scratched starter is greyed. The current row (the table's) keeps the selection colours; the
// start position's text is never seen.
CellLook CellFormat(const ResultTable& table, const Standing& standing, int col, int row,
                    bool selected);

// Whether text typed or pasted into a cell of column `col` may go in. Names, horse, team and
// reason take any text; run time and total the characters of a time text or "DQ" (digits, ":",
// either decimal separator, D, Q); penalties and place digits; the DQ column D and Q.
bool AcceptsEditText(int col, std::string_view text);
