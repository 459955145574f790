#pragma once

#include <QTableView>
#include <cstdint>

#include "results/ResultTable.h"

// Measures cell texts as the grid draws them: body cells in the grid's font, the header row
// in the header's font.
class GridTextMeasure : public ITextMeasure {
public:
    explicit GridTextMeasure(const QTableView& view) : view_(view) {}
    int TextWidth(std::string_view text, int col, int row) const override;

private:
    const QTableView& view_;
};

class ResultTableModel;

// The result table on screen: row 0 as the column header, body rows below, hidden columns
// (width -1) hidden, whole rows selected as the table's current row. Only the program sorts;
// a click on a header does nothing.
class TSortGrid : public QTableView {
    Q_OBJECT

public:
    explicit TSortGrid(ResultTable& table, QWidget* parent = nullptr);

    // Shows the table's current state; cheap when nothing changed. Call after every handler
    // that may have touched the table. UI thread only.
    void Refresh();

    ResultTable& Table() { return table_; }
    const ITextMeasure& TextMeasure() const { return measure_; }

private:
    void ApplyWidths();
    void ApplyEditMode();
    void ShowCurrentRow();

    ResultTable& table_;
    ResultTableModel* model_;
    GridTextMeasure measure_;
    std::uint64_t shownRevision_;
    int shownCurrentRow_ = -1;
    // Set while the grid itself moves widths or the selection, so that is not taken as the
    // operator's doing.
    bool applying_ = false;
};
