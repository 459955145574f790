#include "ui/TSortGrid.h"

#include <QAbstractTableModel>
#include <QFontMetrics>
#include <QHeaderView>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QToolTip>
#include <QValidator>
#include <algorithm>
#include <limits>

#include "results/CellStyle.h"
#include "results/Standing.h"

namespace {

QString ToQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

constexpr int RowHeight = 22;
// Room between a cell's text and its grid lines.
constexpr int CellPadding = 2;
// The grid line a cell gives up on its right.
constexpr int GridLine = 1;
// The drag mark under a row, in pixels.
constexpr int DragBarHeight = 3;

QFont GridFont() {
    QFont font(QStringLiteral("DejaVu Sans Mono"));
    font.setStyleHint(QFont::Monospace);
    font.setPixelSize(16);
    return font;
}

QColor ToQColor(const CellColour& colour, const QPalette& palette) {
    switch (colour.Paint) {
        case CellPaint::Base:
            return palette.color(QPalette::Active, QPalette::Base);
        case CellPaint::Text:
            return palette.color(QPalette::Active, QPalette::Text);
        case CellPaint::Highlight:
            return palette.color(QPalette::Active, QPalette::Highlight);
        case CellPaint::HighlightedText:
            return palette.color(QPalette::Active, QPalette::HighlightedText);
        case CellPaint::Fixed:
            break;
    }
    return QColor(colour.Fixed.Red, colour.Fixed.Green, colour.Fixed.Blue);
}

Qt::Alignment ToQtAlignment(CellAlign align) {
    switch (align) {
        case CellAlign::Left:
            return Qt::AlignLeft | Qt::AlignVCenter;
        case CellAlign::Centre:
            return Qt::AlignHCenter | Qt::AlignVCenter;
        case CellAlign::Right:
            break;
    }
    return Qt::AlignRight | Qt::AlignVCenter;
}

// Lets an edit of the cell editor through only when the text it inserts passes the column's
// rule, whether typed, pasted or dropped. Deleting always passes, so a cell that already holds
// other characters can still be corrected.
class InsertFilter : public QValidator {
public:
    // The editor holds the cell's text already: the filter judges only what is typed into it,
    // also in a cell whose old text breaks the column's rule.
    InsertFilter(int col, QLineEdit* editor)
        : QValidator(editor), col_(col), shown_(editor->text()) {
        // The editor's text before each change; the editor calls validate with the text after.
        connect(editor, &QLineEdit::textChanged, this,
                [this](const QString& text) { shown_ = text; });
    }

    State validate(QString& input, int& /*pos*/) const override {
        qsizetype prefix = 0;
        while (prefix < shown_.size() && prefix < input.size() && shown_[prefix] == input[prefix]) {
            ++prefix;
        }
        qsizetype suffix = 0;
        while (suffix < shown_.size() - prefix && suffix < input.size() - prefix &&
               shown_[shown_.size() - 1 - suffix] == input[input.size() - 1 - suffix]) {
            ++suffix;
        }
        const QString inserted = input.mid(prefix, input.size() - prefix - suffix);
        return inserted.isEmpty() || AcceptsEditText(col_, inserted.toStdString()) ? Acceptable
                                                                                   : Invalid;
    }

private:
    int col_;
    QString shown_;
};

// The columns that give up width when the table is wider than the grid: the long texts.
constexpr std::array<int, 4> Shrinkable = {ColName, ColPferd, ColTeam, ColGrund};
// A shrunk column keeps at least this much beside its header text.
constexpr int ShrunkMinimum = 60;

}  // namespace

std::array<int, ResultTable::ColCount> FitWidths(
    const std::array<int, ResultTable::ColCount>& wanted,
    const std::array<int, ResultTable::ColCount>& least, int available) {
    std::array<int, ResultTable::ColCount> widths = wanted;
    int total = 0;
    for (int width : wanted) {
        total += std::max(width, 0);
    }
    int slack = 0;
    for (int col : Shrinkable) {
        slack += std::max(wanted[col] - least[col], 0);
    }
    const int cut = std::min(total - available, slack);
    if (cut <= 0) {
        return widths;
    }
    // Each gives in proportion to what it has above its least width.
    int remaining = cut;
    for (int col : Shrinkable) {
        const int spare = std::max(wanted[col] - least[col], 0);
        const int share = static_cast<int>(static_cast<long long>(spare) * cut / slack);
        widths[col] -= share;
        remaining -= share;
    }
    // What rounding left goes one pixel at a time to the columns that still have some.
    for (std::size_t i = 0; remaining > 0; i = (i + 1) % Shrinkable.size()) {
        const int col = Shrinkable[i];
        if (widths[col] > least[col]) {
            --widths[col];
            --remaining;
        }
    }
    return widths;
}

int GridTextMeasure::TextWidth(std::string_view text, int /*col*/, int row) const {
    const QFontMetrics metrics(row == 0 ? view_.horizontalHeader()->font() : view_.font());
    return metrics.horizontalAdvance(ToQString(text));
}

// Body row r of the table is model row r - 1; row 0 is the horizontal header.
class ResultTableModel : public QAbstractTableModel {
public:
    ResultTableModel(const ResultTable& table, const TSortGrid::ExtraCells& extras, QObject* parent)
        : QAbstractTableModel(parent),
          table_(table),
          extras_(extras),
          rows_(table.RowCount() - 1) {}

    // Where an edited cell's text goes.
    std::function<void(int col, int row, const std::string& text)> EditCell;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override {
        return parent.isValid() ? 0 : rows_;
    }
    int columnCount(const QModelIndex& parent = QModelIndex()) const override {
        return parent.isValid() ? 0 : ResultTable::ColCount + extraCount_;
    }

    QVariant data(const QModelIndex& index, int role) const override {
        if ((role != Qt::DisplayRole && role != Qt::EditRole) || !Holds(index)) {
            return {};
        }
        if (index.column() >= ResultTable::ColCount) {
            return Extra(index.column(), index.row() + 1);
        }
        return ToQString(table_.Cell(index.column(), index.row() + 1));
    }

    bool setData(const QModelIndex& index, const QVariant& value, int role) override {
        if (role != Qt::EditRole || !Holds(index) || index.column() >= ResultTable::ColCount) {
            return false;
        }
        if (EditCell) {
            EditCell(index.column(), index.row() + 1, value.toString().toStdString());
        }
        emit dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
        return true;
    }

    Qt::ItemFlags flags(const QModelIndex& index) const override {
        const Qt::ItemFlags base = QAbstractTableModel::flags(index);
        return table_.EditMode() && index.column() < ResultTable::ColCount &&
                       ColumnEditable(index.column())
                   ? base | Qt::ItemIsEditable
                   : base;
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
            return QAbstractTableModel::headerData(section, orientation, role);
        }
        if (section >= ResultTable::ColCount) {
            return Extra(section, 0);
        }
        return ToQString(table_.Cell(section, 0));
    }

    // Brings the view up to the table: a new row count resets it, otherwise every cell and
    // header is announced as changed (keeps scroll position and selection).
    void Sync() {
        const int rows = table_.RowCount() - 1;
        const int extras = extras_ ? static_cast<int>(extras_(0).size()) : 0;
        if (rows != rows_ || extras != extraCount_) {
            beginResetModel();
            rows_ = rows;
            extraCount_ = extras;
            endResetModel();
            return;
        }
        const int columns = ResultTable::ColCount + extraCount_;
        if (rows_ > 0) {
            emit dataChanged(index(0, 0), index(rows_ - 1, columns - 1));
        }
        emit headerDataChanged(Qt::Horizontal, 0, columns - 1);
    }
    int ExtraCount() const { return extraCount_; }

private:
    QVariant Extra(int col, int row) const {
        const std::vector<std::string> cells = extras_ ? extras_(row) : std::vector<std::string>{};
        const auto at = static_cast<std::size_t>(col - ResultTable::ColCount);
        return at < cells.size() ? ToQString(cells[at]) : QVariant();
    }

    // The view may ask for a row the table has dropped before the next refresh.
    bool Holds(const QModelIndex& index) const {
        return index.isValid() && index.row() + 1 < table_.RowCount();
    }

    const ResultTable& table_;
    const TSortGrid::ExtraCells& extras_;
    int rows_;
    int extraCount_ = 0;
};

// Draws each cell as CellFormat says and edits it through InsertFilter.
class CellDelegate : public QStyledItemDelegate {
public:
    explicit CellDelegate(TSortGrid& grid) : QStyledItemDelegate(&grid), grid_(grid) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const bool selected = option.state.testFlag(QStyle::State_Selected);
        const CellLook look = CellFormat(grid_.table_, grid_.ShownStanding(), index.column(),
                                         index.row() + 1, selected);
        painter->fillRect(option.rect, ToQColor(look.Background, option.palette));
        painter->setPen(ToQColor(look.Text, option.palette));
        painter->setFont(option.font);
        const QRect room = option.rect.adjusted(CellPadding, 0, -CellPadding, 0);
        // A text longer than its column ends in an ellipsis; its tool tip holds it whole.
        const QString text =
            QFontMetrics(option.font)
                .elidedText(index.data(Qt::DisplayRole).toString(), Qt::ElideRight, room.width());
        painter->drawText(room, ToQtAlignment(look.Align), text);
        if (DragAfter(index.row() + 1)) {
            const QRect bar(option.rect.left(), option.rect.bottom() - DragBarHeight + 1,
                            option.rect.width(), DragBarHeight);
            painter->fillRect(
                bar, QColor(DragMarkColour.Red, DragMarkColour.Green, DragMarkColour.Blue));
        }
    }

    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override {
        if (event->type() != QEvent::ToolTip || !index.isValid()) {
            return QStyledItemDelegate::helpEvent(event, view, option, index);
        }
        QString text = index.data(Qt::DisplayRole).toString();
        const int room = option.rect.width() - 2 * CellPadding;
        const bool cut = QFontMetrics(option.font).horizontalAdvance(text) > room;
        if (DragAfter(index.row() + 1)) {
            text = (cut ? text + "\n" : QString()) + QStringLiteral("Danach Bahnpflege");
        }
        if (cut || DragAfter(index.row() + 1)) {
            QToolTip::showText(event->globalPos(), text, view->viewport(), option.rect);
        } else {
            QToolTip::hideText();
        }
        return true;
    }

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override {
        auto* editor = new QLineEdit(parent);
        editor->setFont(option.font);
        editor->setFrame(false);
        editor->setAlignment(ToQtAlignment(
            CellFormat(grid_.table_, grid_.ShownStanding(), index.column(), index.row() + 1, false)
                .Align));
        // A line edit whose first text fails its validator lets everything through afterwards.
        editor->setText(index.data(Qt::EditRole).toString());
        editor->setValidator(new InsertFilter(index.column(), editor));
        grid_.openEditor_ = editor;
        return editor;
    }

private:
    bool DragAfter(int row) const { return grid_.dragMarks_ && grid_.dragMarks_(row); }

    TSortGrid& grid_;
};

TSortGrid::TSortGrid(const ResultTable& table, QWidget* parent)
    : QTableView(parent),
      table_(table),
      model_(new ResultTableModel(table, extraCells_, this)),
      measure_(*this),
      shownRevision_(table.Revision()) {
    setModel(model_);
    setItemDelegate(new CellDelegate(*this));
    setSortingEnabled(false);
    setFont(GridFont());
    horizontalHeader()->setFont(font());
    horizontalHeader()->setSectionsClickable(false);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalHeader()->setFixedHeight(RowHeight);
    // Grid lines between the header cells as between the body cells.
    horizontalHeader()->setStyleSheet(
        QStringLiteral("QHeaderView::section { background-color: rgb(%1, %2, %3); border: none;"
                       " border-right: 1px solid #a0a0a0; border-bottom: 1px solid #a0a0a0;"
                       " padding-left: %4px; }")
            .arg(HeaderBackground.Red)
            .arg(HeaderBackground.Green)
            .arg(HeaderBackground.Blue)
            .arg(CellPadding));
    setStyleSheet(QStringLiteral("QTableView { gridline-color: #a0a0a0; }"));
    verticalHeader()->hide();
    verticalHeader()->setMinimumSectionSize(RowHeight);
    verticalHeader()->setDefaultSectionSize(RowHeight);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    QPalette colours = palette();
    colours.setColor(QPalette::Base, Qt::white);
    setPalette(colours);
    // Only when the columns do not fit even with the long texts shortened.
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setSelectionMode(QAbstractItemView::SingleSelection);

    connect(horizontalHeader(), &QHeaderView::sectionResized, this,
            [this](int col, int /*oldSize*/, int newSize) {
                if (!applying_ && !isColumnHidden(col) && commands_.ResizeColumn) {
                    commands_.ResizeColumn(col, newSize);
                }
            });
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (!applying_ && commands_.SelectRow) {
                    commands_.SelectRow(current.isValid() ? current.row() + 1 : -1);
                    shownCurrentRow_ = table_.CurrentRow();
                }
            });

    ApplyWidths();
    ApplyEditMode();
    ShowCurrentRow();
}

void TSortGrid::SetCommands(GridCommands commands) {
    commands_ = std::move(commands);
    model_->EditCell = [this](int col, int row, const std::string& text) {
        if (commands_.EditCell) {
            committing_ = true;
            commands_.EditCell(col, row, text);
            committing_ = false;
        }
    };
}

const Standing& TSortGrid::ShownStanding() const {
    static const Standing none;
    if (painting_ != nullptr) {
        return *painting_;
    }
    return standing_ ? standing_() : none;
}

void TSortGrid::paintEvent(QPaintEvent* event) {
    painting_ = &ShownStanding();
    QTableView::paintEvent(event);
    painting_ = nullptr;
}

void TSortGrid::SetExtraColumns(ExtraCells cells) {
    extraCells_ = std::move(cells);
    shownRevision_ = table_.Revision() - 1;  // the next refresh takes them
}

void TSortGrid::Refresh() {
    const int extras = extraCells_ ? static_cast<int>(extraCells_(0).size()) : 0;
    const bool changed = table_.Revision() != shownRevision_ || extras != model_->ExtraCount();
    if (changed) {
        if (openEditor_ != nullptr && !committing_) {
            // Its row may hold another starter now: the text must not go there.
            closeEditor(openEditor_, QAbstractItemDelegate::RevertModelCache);
        }
        shownRevision_ = table_.Revision();
        model_->Sync();
        ApplyWidths();
        ApplyEditMode();
    }
    if (changed || table_.CurrentRow() != shownCurrentRow_) {
        ShowCurrentRow();
    }
}

void TSortGrid::CommitEditor() {
    if (openEditor_ != nullptr) {
        commitData(openEditor_);
        closeEditor(openEditor_, QAbstractItemDelegate::NoHint);
    }
}

void TSortGrid::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) {
    if (editor == openEditor_) {
        openEditor_ = nullptr;
    }
    QTableView::closeEditor(editor, hint);
}

void TSortGrid::mouseDoubleClickEvent(QMouseEvent* event) {
    if (table_.EditMode()) {
        QTableView::mouseDoubleClickEvent(event);
    } else if (commands_.EditMode) {
        commands_.EditMode(true);
    }
}

void TSortGrid::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && table_.EditMode()) {
        if (commands_.EditMode) {
            commands_.EditMode(false);
        }
        return;
    }
    QTableView::keyPressEvent(event);
}

void TSortGrid::keyboardSearch(const QString& /*search*/) {}

void TSortGrid::ApplyWidths() {
    std::array<int, ResultTable::ColCount> wanted{};
    std::array<int, ResultTable::ColCount> least{};
    for (int col = 0; col < ResultTable::ColCount; ++col) {
        wanted[col] = table_.ColVisible(col) ? table_.ColWidth(col) : 0;
        least[col] = std::max(ShrunkMinimum,
                              measure_.TextWidth(table_.Cell(col, 0), col, 0) + 4 * CellPadding);
    }
    // Numbers, times, totals and places show whole, however narrow the table keeps their column
    // ("14,315" in a column fitted to its heading before the first result): only the long texts
    // give way.
    for (int col = 0; col < ResultTable::ColCount; ++col) {
        if (!table_.ColVisible(col) ||
            std::find(Shrinkable.begin(), Shrinkable.end(), col) != Shrinkable.end()) {
            continue;
        }
        for (int row = 0; row < table_.RowCount(); ++row) {
            wanted[col] =
                std::max(wanted[col], measure_.TextWidth(table_.Cell(col, row), col, row) +
                                          2 * CellPadding + GridLine);
        }
    }
    // Start number, name, total and place stay in view at the window's normal size.
    // From the grid's own size, which counts only once it is shown (it fits again then); its
    // viewport may not be laid out yet.
    int available = isVisible() ? width() - 2 * frameWidth() : std::numeric_limits<int>::max();
    if (isVisible() && model_->rowCount() * RowHeight > height() - 2 * frameWidth() - RowHeight) {
        available -= verticalScrollBar()->sizeHint().width();
    }
    const std::array<int, ResultTable::ColCount> widths = FitWidths(wanted, least, available);
    applying_ = true;
    for (int col = 0; col < ResultTable::ColCount; ++col) {
        const bool visible = table_.ColVisible(col);
        setColumnHidden(col, !visible);
        if (visible) {
            setColumnWidth(col, widths[col]);
        }
    }
    for (int col = ResultTable::ColCount; col < model_->columnCount(); ++col) {
        setColumnHidden(col, false);
        resizeColumnToContents(col);
    }
    applying_ = false;
}

void TSortGrid::resizeEvent(QResizeEvent* event) {
    QTableView::resizeEvent(event);
    ApplyWidths();
}

void TSortGrid::showEvent(QShowEvent* event) {
    QTableView::showEvent(event);
    ApplyWidths();
}

void TSortGrid::ApplyEditMode() {
    const bool entering = table_.EditMode() && !shownEditMode_;
    shownEditMode_ = table_.EditMode();
    if (!table_.EditMode()) {
        setSelectionBehavior(QAbstractItemView::SelectRows);
        setEditTriggers(QAbstractItemView::NoEditTriggers);
        return;
    }
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::AnyKeyPressed);
    if (entering) {
        // Corrections start at the place of the current row.
        const int row = std::max(table_.CurrentRow(), 1) - 1;
        if (row < model_->rowCount()) {
            applying_ = true;
            const QModelIndex place = model_->index(row, ColRang);
            selectionModel()->setCurrentIndex(place, QItemSelectionModel::ClearAndSelect);
            applying_ = false;
            if (commands_.SelectRow) {
                commands_.SelectRow(row + 1);
            }
        }
        setFocus();
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
