#pragma once

#include <QPointer>
#include <QTableView>
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "results/ResultTable.h"

struct Standing;

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

// The widths the grid shows for the wanted ones when only `available` pixels are there: the
// columns of long texts (name, horse, team, reason) give up width in proportion to what they
// have above their least width until the columns fit; the others keep theirs.
std::array<int, ResultTable::ColCount> FitWidths(
    const std::array<int, ResultTable::ColCount>& wanted,
    const std::array<int, ResultTable::ColCount>& least, int available);

// What the grid asks of the program: it never changes the table itself.
struct GridCommands {
    // A cell editor's text for cell (col, row); row 0 is the header.
    std::function<void(int col, int row, const std::string& text)> EditCell;
    // True on a double click outside edit mode, false on Esc in edit mode.
    std::function<void(bool on)> EditMode;
    // The operator made a row the current one (-1: none).
    std::function<void(int row)> SelectRow;
    // The operator dragged a column to a new width.
    std::function<void(int col, int width)> ResizeColumn;
};

// The result table on screen: row 0 as the column header, body rows below, hidden columns
// (width -1) hidden, whole rows selected as the table's current row, cells coloured by
// CellFormat. Only the program sorts; a click on a header does nothing. In the table's edit mode
// single cells are selected and edited in place; typed and pasted text passes AcceptsEditText.
// Every change goes out through the GridCommands; the grid only reads the table.
class TSortGrid : public QTableView {
    Q_OBJECT

public:
    explicit TSortGrid(const ResultTable& table, QWidget* parent = nullptr);

    // Shows the table's current state; cheap when nothing changed. Call after every handler
    // that may have touched the table. An editor still open when the rows changed under it is
    // closed without writing. UI thread only.
    void Refresh();

    // Writes an open cell editor's text into its cell and closes the editor. Call before
    // anything that reorders, replaces or clears rows (rank, sort, load, clear), so the text
    // lands in the starter it was typed for. UI thread only.
    void CommitEditor();

    // Until set, the grid's edits, clicks and drags go nowhere.
    void SetCommands(GridCommands commands);

    // Columns after the table's own that the window computes, read-only: cells(0) gives their
    // titles (none: no such columns), cells(row) a body row's texts. Read on every refresh.
    using ExtraCells = std::function<std::vector<std::string>(int row)>;
    void SetExtraColumns(ExtraCells cells);

    // The class's standing the cells are coloured by (CellFormat), as it is now. Read on every
    // paint; until it is set, no row shows a result.
    using StandingSource = std::function<const Standing&()>;
    void SetStanding(StandingSource standing) { standing_ = std::move(standing); }

    // Body rows with a bar underneath: the ground is dragged after that starter. Read on every
    // paint.
    using RowMarks = std::function<bool(int row)>;
    void SetDragMarks(RowMarks marks) { dragMarks_ = std::move(marks); }

    const ResultTable& Table() const { return table_; }
    const ITextMeasure& TextMeasure() const { return measure_; }

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    // A typed letter edits in edit mode and does nothing otherwise; it never jumps to a row.
    void keyboardSearch(const QString& search) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    // Asks for the standing once for all the cells it paints.
    void paintEvent(QPaintEvent* event) override;

private:
    friend class CellDelegate;

    void ApplyWidths();
    void ApplyEditMode();
    void ShowCurrentRow();
    const Standing& ShownStanding() const;

    const ResultTable& table_;
    ResultTableModel* model_;
    GridTextMeasure measure_;
    GridCommands commands_;
    // Set while an editor's text goes out: the refresh it causes keeps that editor.
    bool committing_ = false;
    ExtraCells extraCells_;
    StandingSource standing_;
    const Standing* painting_ = nullptr;  // the standing while a paint is under way
    RowMarks dragMarks_;
    int shownExtras_ = 0;
    QPointer<QWidget> openEditor_;
    std::uint64_t shownRevision_;
    int shownCurrentRow_ = -1;
    bool shownEditMode_ = false;
    // Set while the grid itself moves widths or the selection, so that is not taken as the
    // operator's doing.
    bool applying_ = false;
};
