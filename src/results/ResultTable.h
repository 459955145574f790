#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "results/Sorting.h"

// Column indexes of the result table.
enum ResultColumn : int {
    ColNr = 0,
    ColName = 1,
    ColPferd = 2,
    ColTeam = 3,
    ColLaufzeit = 4,
    ColStrafen = 5,
    ColDq = 6,
    ColGrund = 7,
    ColTotal = 8,
    ColRang = 9,
    ColStartPos = 10,
};

// Measures how wide a text is drawn in a given cell, in pixels; the window supplies it.
class ITextMeasure {
public:
    virtual ~ITextMeasure() = default;
    virtual int TextWidth(std::string_view text, int col, int row) const = 0;
};

// The one store of start list and results: 11 columns of UTF-8 cell texts, row 0 the header.
class ResultTable {
public:
    static constexpr int ColCount = 11;
    static constexpr int HiddenWidth = -1;
    static const std::array<std::string_view, ColCount> DefaultHeaders;
    static const std::array<int, ColCount> DefaultWidths;

    // Header row with the default texts and widths plus one empty body row; not modified.
    ResultTable();
    ResultTable(const ResultTable& other);
    ResultTable& operator=(const ResultTable& other);
    ResultTable(ResultTable&&) noexcept = default;
    ResultTable& operator=(ResultTable&& other) noexcept;
    ~ResultTable() = default;

    const std::string& Cell(int col, int row) const;
    // Sets the modified flag when the text changes.
    void SetCell(int col, int row, std::string text);

    int RowCount() const { return static_cast<int>(rows_.size()); }
    // Grows with empty rows or cuts; a change of the count sets the modified flag.
    void SetRowCount(int count);

    std::vector<std::string> Column(int col) const;
    const std::array<std::string, ColCount>& Row(int row) const { return *rows_.at(row); }
    // Replaces the whole row: fields fill columns 0, 1, ...; surplus fields are dropped and
    // columns without a field become empty. This is the entry point of every loader.
    void SetRow(int row, const std::vector<std::string>& fields);
    // Rewrites all body rows at once (used by sorting); row 0 is untouched.
    void SetBodyRows(std::vector<std::array<std::string, ColCount>> rows);

    int ColWidth(int col) const { return widths_.at(col); }
    void SetColWidth(int col, int width);
    bool ColVisible(int col) const { return widths_.at(col) != HiddenWidth; }

    // Header texts and widths of the column tables.
    void ResetHeader();
    void RestoreHeaderColumn(int col);

    // First body row whose column 0 equals startNumber ignoring ASCII case; -1 if none. The
    // header is never a starter's row, whatever its first cell reads.
    int FindRow(std::string_view startNumber) const;
    // The body row whose hidden start position (column 10) is position; -1 if none or empty.
    int FindStartPosition(std::string_view position) const;

    // Fits the widths of visible columns, or of all columns (hidden ones become visible) when all.
    void FitColumnWidths(const ITextMeasure& measure, bool all);

    bool Modified() const { return modified_; }
    void SetModified(bool modified) { modified_ = modified; }

    // The current row is the selected whole row; -1 when none.
    int CurrentRow() const { return currentRow_; }
    void SetCurrentRow(int row) { currentRow_ = row; }

    // Sort state of the grid; the program opens CanSort only for its own sorting steps.
    TSortOptions& SortOptions() { return sortOptions_; }
    const TSortOptions& SortOptions() const { return sortOptions_; }
    // Puts the body rows in the order given by their indexes now (each body row once); whole rows
    // move, the current row keeps its index.
    void Rearrange(const std::vector<int>& order);
    // Stable ascending sort of the body rows by the column's sort style; nothing while CanSort
    // is false. Whole rows move, the current row keeps its index.
    void SortByColumn(int col, char decimalSeparator, Resolution resolution);

    // Cells can be edited in place while on; whole rows are selected while off. Switching it on
    // sets the modified flag: the operator is about to change cells by hand.
    bool EditMode() const { return editMode_; }
    void SetEditMode(bool on);

    // Bumped on every change of cells, rows or widths, so a view knows when to refresh.
    std::uint64_t Revision() const { return revision_; }

private:
    void Touch() { ++revision_; }

    using Cells = std::array<std::string, ColCount>;
    // Each row lives on its own so that sorting moves pointers, not texts.
    std::vector<std::unique_ptr<Cells>> rows_;
    std::array<int, ColCount> widths_{};
    bool modified_ = false;
    int currentRow_ = -1;
    TSortOptions sortOptions_;
    bool editMode_ = false;
    std::uint64_t revision_ = 0;
};

// Empties run time, penalties, DQ, reason, total and place of every starter; the start list,
// the start positions, the order and the current row stay. True when any of those cells held
// something (the modified flag is then set).
bool ClearResults(ResultTable& table);

// Whether the cells of a column can be edited at all: not the start number (the row's key) and
// not the hidden start position.
bool ColumnEditable(int col);

// Trims blanks and control characters at both ends.
std::string_view TrimText(std::string_view text);
// ASCII-only lower case copy.
std::string AsciiLower(std::string_view text);
