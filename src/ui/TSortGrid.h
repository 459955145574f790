#pragma once

#include <QPointer>
#include <QTableView>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

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
// (width -1) hidden, whole rows selected as the table's current row, cells coloured by
// CellFormat. Only the program sorts; a click on a header does nothing. In the table's edit mode
// single cells are selected and edited in place; typed and pasted text passes AcceptsEditText.
class TSortGrid : public QTableView {
    Q_OBJECT

public:
    explicit TSortGrid(ResultTable& table, QWidget* parent = nullptr);

    // Shows the table's current state; cheap when nothing changed. Call after every handler
    // that may have touched the table. An editor still open when the rows changed under it is
    // closed without writing. UI thread only.
    void Refresh();

    // Writes an open cell editor's text into its cell and closes the editor. Call before
    // anything that reorders, replaces or clears rows (rank, sort, load, clear), so the text
    // lands in the starter it was typed for. UI thread only.
    void CommitEditor();

    // Called with true on a double click outside edit mode and with false on Esc in edit mode.
    // By default the grid switches the table's edit mode itself; the window routes it through
    // its own command so that everything showing the edit state follows.
    void SetEditModeHandler(std::function<void(bool on)> handler);

    // Columns after the table's own that the window computes, read-only: cells(0) gives their
    // titles (none: no such columns), cells(row) a body row's texts. Read on every refresh.
    using ExtraCells = std::function<std::vector<std::string>(int row)>;
    void SetExtraColumns(ExtraCells cells);

    ResultTable& Table() { return table_; }
    const ITextMeasure& TextMeasure() const { return measure_; }

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    // A typed letter edits in edit mode and does nothing otherwise; it never jumps to a row.
    void keyboardSearch(const QString& search) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;

private:
    friend class CellDelegate;

    void ApplyWidths();
    void ApplyEditMode();
    void ShowCurrentRow();

    ResultTable& table_;
    ResultTableModel* model_;
    GridTextMeasure measure_;
    std::function<void(bool)> editModeHandler_;
    ExtraCells extraCells_;
    int shownExtras_ = 0;
    QPointer<QWidget> openEditor_;
    std::uint64_t shownRevision_;
    int shownCurrentRow_ = -1;
    bool shownEditMode_ = false;
    // Set while the grid itself moves widths or the selection, so that is not taken as the
    // operator's doing.
    bool applying_ = false;
};
