#include "ui/TSortGrid.h"

#include <QAbstractTableModel>
#include <QFontMetrics>
#include <QHeaderView>
#include <QScrollBar>
#include <algorithm>

namespace {

QString ToQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

int GridTextMeasure::TextWidth(std::string_view text, int /*col*/, int row) const {
    const QFontMetrics metrics(row == 0 ? view_.horizontalHeader()->font() : view_.font());
    return metrics.horizontalAdvance(ToQString(text));
}

// Body row r of the table is model row r - 1; row 0 is the horizontal header.
class ResultTableModel : public QAbstractTableModel {
public:
    ResultTableModel(ResultTable& table, QObject* parent)
        : QAbstractTableModel(parent), table_(table), rows_(table.RowCount() - 1) {}

    int rowCount(const QModelIndex& parent = QModelIndex()) const override {
        return parent.isValid() ? 0 : rows_;
    }
    int columnCount(const QModelIndex& parent = QModelIndex()) const override {
        return parent.isValid() ? 0 : ResultTable::ColCount;
    }

    QVariant data(const QModelIndex& index, int role) const override {
        if ((role != Qt::DisplayRole && role != Qt::EditRole) || !Holds(index)) {
            return {};
        }
        return ToQString(table_.Cell(index.column(), index.row() + 1));
    }

    bool setData(const QModelIndex& index, const QVariant& value, int role) override {
        if (role != Qt::EditRole || !Holds(index)) {
            return false;
        }
        table_.SetCell(index.column(), index.row() + 1, value.toString().toStdString());
        emit dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
        return true;
    }

    Qt::ItemFlags flags(const QModelIndex& index) const override {
        const Qt::ItemFlags base = QAbstractTableModel::flags(index);
        return table_.EditMode() ? base | Qt::ItemIsEditable : base;
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
            return QAbstractTableModel::headerData(section, orientation, role);
        }
        return ToQString(table_.Cell(section, 0));
    }

    // Brings the view up to the table: a new row count resets it, otherwise every cell and
    // header is announced as changed (keeps scroll position and selection).
    void Sync() {
        const int rows = table_.RowCount() - 1;
        if (rows != rows_) {
            beginResetModel();
            rows_ = rows;
            endResetModel();
            return;
        }
        if (rows_ > 0) {
            emit dataChanged(index(0, 0), index(rows_ - 1, ResultTable::ColCount - 1));
        }
        emit headerDataChanged(Qt::Horizontal, 0, ResultTable::ColCount - 1);
    }

private:
    // The view may ask for a row the table has dropped before the next refresh.
    bool Holds(const QModelIndex& index) const {
        return index.isValid() && index.row() + 1 < table_.RowCount();
    }

    ResultTable& table_;
    int rows_;
};

TSortGrid::TSortGrid(ResultTable& table, QWidget* parent)
    : QTableView(parent),
      table_(table),
      model_(new ResultTableModel(table, this)),
      measure_(*this),
      shownRevision_(table.Revision()) {
    setModel(model_);
    setSortingEnabled(false);
    horizontalHeader()->setSectionsClickable(false);
    verticalHeader()->hide();
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setSelectionMode(QAbstractItemView::SingleSelection);

    connect(horizontalHeader(), &QHeaderView::sectionResized, this,
            [this](int col, int /*oldSize*/, int newSize) {
                if (!applying_ && !isColumnHidden(col)) {
                    table_.SetColWidth(col, newSize);
                }
            });
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (!applying_) {
                    table_.SetCurrentRow(current.isValid() ? current.row() + 1 : -1);
                    shownCurrentRow_ = table_.CurrentRow();
                }
            });

    ApplyWidths();
    ApplyEditMode();
    ShowCurrentRow();
}

void TSortGrid::Refresh() {
    const bool changed = table_.Revision() != shownRevision_;
    if (changed) {
        shownRevision_ = table_.Revision();
        model_->Sync();
        ApplyWidths();
        ApplyEditMode();
    }
    if (changed || table_.CurrentRow() != shownCurrentRow_) {
        ShowCurrentRow();
    }
}

void TSortGrid::ApplyWidths() {
    applying_ = true;
    for (int col = 0; col < ResultTable::ColCount; ++col) {
        const bool visible = table_.ColVisible(col);
        setColumnHidden(col, !visible);
        if (visible) {
            setColumnWidth(col, table_.ColWidth(col));
        }
    }
    applying_ = false;
}

void TSortGrid::ApplyEditMode() {
    if (table_.EditMode()) {
        setSelectionBehavior(QAbstractItemView::SelectItems);
        setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                        QAbstractItemView::AnyKeyPressed);
    } else {
        setSelectionBehavior(QAbstractItemView::SelectRows);
        setEditTriggers(QAbstractItemView::NoEditTriggers);
    }
}

void TSortGrid::ShowCurrentRow() {
    applying_ = true;
    shownCurrentRow_ = table_.CurrentRow();
    const int row = shownCurrentRow_ - 1;
    if (row >= 0 && row < model_->rowCount()) {
        const int col = std::max(currentIndex().column(), 0);
        const QModelIndex index = model_->index(row, col);
        QItemSelectionModel::SelectionFlags flags = QItemSelectionModel::ClearAndSelect;
        if (!table_.EditMode()) {
            flags |= QItemSelectionModel::Rows;
        }
        selectionModel()->setCurrentIndex(index, flags);
        scrollTo(index);
    } else {
        selectionModel()->clear();
    }
    applying_ = false;
}
