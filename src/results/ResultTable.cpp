#include "results/ResultTable.h"

#include <algorithm>
#include <stdexcept>

const std::array<std::string_view, ResultTable::ColCount> ResultTable::DefaultHeaders = {
    "Nr.", "Name", "Pferd", "Team", "Laufzeit", "Strafen", "DQ", "Grund", "Total", "Rang", ""};
// Run time and total hold "10:00,000" in the grid's font.
const std::array<int, ResultTable::ColCount> ResultTable::DefaultWidths = {
    68, 160, 160, 160, 92, 68, 30, 120, 92, 48, -1};

ResultTable::ResultTable() {
    SetRowCount(2);
    ResetHeader();
    modified_ = false;
}

ResultTable::ResultTable(const ResultTable& other)
    : widths_(other.widths_),
      modified_(other.modified_),
      currentRow_(other.currentRow_),
      sortOptions_(other.sortOptions_),
      editMode_(other.editMode_),
      revision_(other.revision_) {
    rows_.reserve(other.rows_.size());
    for (const auto& row : other.rows_) {
        rows_.push_back(std::make_unique<Cells>(*row));
    }
}

ResultTable& ResultTable::operator=(const ResultTable& other) {
    if (this != &other) {
        *this = ResultTable(other);
    }
    return *this;
}

ResultTable& ResultTable::operator=(ResultTable&& other) noexcept {
    // A table given another's contents has changed: its revision only ever grows, so a view
    // that remembers one never mistakes the new contents for what it has drawn.
    const std::uint64_t revision = std::max(revision_, other.revision_) + 1;
    rows_ = std::move(other.rows_);
    widths_ = other.widths_;
    modified_ = other.modified_;
    currentRow_ = other.currentRow_;
    sortOptions_ = other.sortOptions_;
    editMode_ = other.editMode_;
    revision_ = revision;
    return *this;
}

const std::string& ResultTable::Cell(int col, int row) const {
    return rows_.at(row)->at(col);
}

void ResultTable::SetCell(int col, int row, std::string text) {
    std::string& cell = rows_.at(row)->at(col);
    if (cell == text) {
        return;
    }
    cell = std::move(text);
    modified_ = true;
    Touch();
}

void ResultTable::SetRowCount(int count) {
    if (count < 1) {
        throw std::out_of_range("the result table keeps its header row");
    }
    if (count == RowCount()) {
        return;
    }
    const auto oldCount = rows_.size();
    rows_.resize(count);
    for (auto row = rows_.begin() + std::min<std::ptrdiff_t>(oldCount, count); row != rows_.end();
         ++row) {
        *row = std::make_unique<Cells>();
    }
    modified_ = true;
    Touch();
}

std::vector<std::string> ResultTable::Column(int col) const {
    std::vector<std::string> texts;
    texts.reserve(rows_.size());
    for (const auto& row : rows_) {
        texts.push_back(row->at(col));
    }
    return texts;
}

void ResultTable::SetRow(int row, const std::vector<std::string>& fields) {
    auto& cells = *rows_.at(row);
    for (int col = 0; col < ColCount; ++col) {
        std::string text = col < static_cast<int>(fields.size()) ? fields[col] : std::string();
        if (cells[col] != text) {
            cells[col] = std::move(text);
            modified_ = true;
        }
    }
    Touch();
}

void ResultTable::SetBodyRows(std::vector<std::array<std::string, ColCount>> rows) {
    if (rows.size() + 1 != rows_.size()) {
        throw std::invalid_argument("sorting keeps the number of rows");
    }
    for (std::size_t i = 0; i < rows.size(); ++i) {
        *rows_[i + 1] = std::move(rows[i]);
    }
    Touch();
}

void ResultTable::Rearrange(const std::vector<int>& order) {
    std::vector<bool> taken(rows_.size(), false);
    for (const int row : order) {
        if (row < 1 || row >= RowCount() || taken[static_cast<std::size_t>(row)]) {
            throw std::invalid_argument("an order names every body row once");
        }
        taken[static_cast<std::size_t>(row)] = true;
    }
    if (order.size() + 1 != rows_.size()) {
        throw std::invalid_argument("an order names every body row once");
    }
    std::vector<std::unique_ptr<Cells>> arranged;
    arranged.reserve(rows_.size());
    arranged.push_back(std::move(rows_[0]));
    for (const int row : order) {
        arranged.push_back(std::move(rows_[static_cast<std::size_t>(row)]));
    }
    rows_ = std::move(arranged);
    Touch();
}

void ResultTable::SortByColumn(int col, char decimalSeparator, Resolution resolution) {
    if (!sortOptions_.CanSort) {
        return;
    }
    sortOptions_.SortCol = col;
    std::vector<std::string_view> texts;
    texts.reserve(rows_.size() - 1);
    for (int row = 1; row < RowCount(); ++row) {
        // A row disqualified in its DQ cell sorts with the disqualified, whatever its total.
        const bool disqualified = col == ColTotal && IsDisqualifiedRow(*this, row);
        texts.push_back(disqualified ? std::string_view("DQ") : std::string_view(Cell(col, row)));
    }
    const std::vector<int> order =
        StableSortOrder(texts, SortGrid1etSortStyle(col), decimalSeparator, resolution);
    // Only the row pointers move; the header stays first.
    std::vector<std::unique_ptr<Cells>> sorted;
    sorted.reserve(rows_.size());
    sorted.push_back(std::move(rows_[0]));
    for (int index : order) {
        sorted.push_back(std::move(rows_[index + 1]));
    }
    rows_ = std::move(sorted);
    Touch();
}

void ResultTable::SetEditMode(bool on) {
    if (editMode_ != on) {
        editMode_ = on;
        modified_ = modified_ || on;
        Touch();
    }
}

void ResultTable::SetColWidth(int col, int width) {
    if (widths_.at(col) != width) {
        widths_.at(col) = width;
        Touch();
    }
}

void ResultTable::ResetHeader() {
    for (int col = 0; col < ColCount; ++col) {
        RestoreHeaderColumn(col);
    }
}

void ResultTable::RestoreHeaderColumn(int col) {
    SetCell(col, 0, std::string(DefaultHeaders.at(col)));
    SetColWidth(col, DefaultWidths.at(col));
}

int ResultTable::FindRow(std::string_view startNumber) const {
    const std::string wanted = AsciiLower(startNumber);
    for (int row = 1; row < RowCount(); ++row) {
        if (AsciiLower(Cell(ColNr, row)) == wanted) {
            return row;
        }
    }
    return -1;
}

int ResultTable::FindStartPosition(std::string_view position) const {
    for (int row = 1; !position.empty() && row < RowCount(); ++row) {
        if (Cell(ColStartPos, row) == position) {
            return row;
        }
    }
    return -1;
}

void ResultTable::FitColumnWidths(const ITextMeasure& measure, bool all) {
    for (int col = 0; col < ColCount; ++col) {
        if (!all && !ColVisible(col)) {
            continue;
        }
        int widest = measure.TextWidth(Cell(col, 0), col, 0);
        for (int row = 1; row < RowCount(); ++row) {
            widest = std::max(widest, measure.TextWidth(Cell(col, row), col, row));
        }
        SetColWidth(col, widest == 0 ? measure.TextWidth("xx", col, 0)
                                     : widest + measure.TextWidth("X", col, 0));
    }
}

bool ClearResults(ResultTable& table) {
    bool removed = false;
    for (int row = 1; row < table.RowCount(); ++row) {
        for (int col = ColLaufzeit; col <= ColRang; ++col) {
            // Blank cells hold no result; leaving them keeps the flag honest.
            if (!TrimText(table.Cell(col, row)).empty()) {
                table.SetCell(col, row, std::string());
                removed = true;
            }
        }
    }
    return removed;
}

std::string_view TrimText(std::string_view text) {
    auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
    while (!text.empty() && blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && blank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

std::string AsciiLower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return lower;
}
