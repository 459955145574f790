#include "ui/TSortGrid.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QHelpEvent>
#include <QLineEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QToolTip>
#include <memory>
#include "../results/RankTable.h"
#include "QtTestApp.h"
#include "results/CellStyle.h"
#include "results/Standing.h"

namespace {

ResultTable ThreeStarters() {
    ResultTable table;
    table.SetRowCount(4);
    table.SetRow(1, {"3", "Cleo", "Comet"});
    table.SetRow(2, {"1", "Anna", "Blaze"});
    table.SetRow(3, {"2", "Ben", "Dusty"});
    return table;
}

class SortGridTest : public testing::Test {
protected:
    SortGridTest() {
        grid_.resize(1000, 300);
        grid_.SetCommands(commands_);
        // As the program does: the standing of the table as it is at each paint.
        grid_.SetStanding([this]() -> const Standing& {
            standing_ = MakeStanding(table_, {}, {});
            return standing_;
        });
    }

    QString Text(int row, int col) const {
        return grid_.model()->data(grid_.model()->index(row, col)).toString();
    }

    ResultTable table_ = ThreeStarters();
    Standing standing_;
    TSortGrid grid_{table_};
    // As the program does, without its backup and windows.
    GridCommands commands_{
        [this](int col, int row, const std::string& text) { table_.SetCell(col, row, text); },
        [this](bool on) {
            table_.SetEditMode(on);
            grid_.Refresh();
        },
        [this](int row) { table_.SetCurrentRow(row); },
        [this](int col, int width) { table_.SetColWidth(col, width); }};
};

}  // namespace

TEST_F(SortGridTest, ShowsHeaderRowAsColumnHeaderAndBodyRowsBelow) {
    const QAbstractItemModel& model = *grid_.model();
    EXPECT_EQ(model.headerData(ColNr, Qt::Horizontal).toString(), "Nr.");
    EXPECT_EQ(model.headerData(ColTotal, Qt::Horizontal).toString(), "Total");
    EXPECT_EQ(model.rowCount(), 3);
    EXPECT_EQ(model.columnCount(), ResultTable::ColCount);
    EXPECT_EQ(Text(0, ColName), "Cleo");
    EXPECT_TRUE(grid_.verticalHeader()->isHidden());
    EXPECT_EQ(grid_.horizontalScrollBarPolicy(), Qt::ScrollBarAsNeeded);
}

TEST_F(SortGridTest, ALongNameIsShortenedSoNumberNameTotalAndPlaceStayInView) {
    const std::string longName(120, 'W');
    table_.SetCell(ColName, 1, longName);
    table_.SetCell(ColTotal, 1, "12,34");
    table_.SetCell(ColRang, 1, "1");
    table_.FitColumnWidths(grid_.TextMeasure(), false);
    grid_.Refresh();
    grid_.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&grid_));
    for (int col : {ColNr, ColName, ColTotal, ColRang}) {
        EXPECT_LE(grid_.columnViewportPosition(col) + grid_.columnWidth(col),
                  grid_.viewport()->width())
            << col;
    }
    EXPECT_FALSE(grid_.horizontalScrollBar()->isVisible());
    EXPECT_EQ(grid_.columnWidth(ColTotal), table_.ColWidth(ColTotal)) << "only long texts give";

    // The whole name in the tool tip of its shortened cell.
    const QRect cell = grid_.visualRect(grid_.model()->index(0, ColName));
    QHelpEvent tip(QEvent::ToolTip, cell.center(), grid_.viewport()->mapToGlobal(cell.center()));
    QApplication::sendEvent(grid_.viewport(), &tip);
    EXPECT_EQ(QToolTip::text(), QString::fromStdString(longName));
}

TEST_F(SortGridTest, TimesTotalsAndPlacesShowWholeInColumnsFittedBeforeTheFirstResult) {
    // Fitted to the start list: the result columns as wide as their headings.
    table_.FitColumnWidths(grid_.TextMeasure(), false);
    const int nameWidth = table_.ColWidth(ColName);
    table_.SetCell(ColLaufzeit, 1, "61:02,300");
    table_.SetCell(ColStrafen, 1, "12");
    table_.SetCell(ColTotal, 1, "15,481");
    table_.SetCell(ColTotal, 2, "1:01:02,300");
    table_.SetCell(ColRang, 1, "100");
    grid_.Refresh();
    grid_.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&grid_));
    const QFontMetrics metrics(grid_.font());
    for (const auto& [row, col] :
         {std::pair{0, ColLaufzeit}, {0, ColStrafen}, {0, ColTotal}, {1, ColTotal}, {0, ColRang}}) {
        const QString text = Text(row, col);
        // As the cell paints it: within its padding, ending in an ellipsis where it is cut.
        const int room = grid_.visualRect(grid_.model()->index(row, col)).width() - 4;
        EXPECT_EQ(metrics.elidedText(text, Qt::ElideRight, room).toStdString(), text.toStdString());
    }
    EXPECT_EQ(grid_.columnWidth(ColName), nameWidth) << "a short name keeps its width";
    EXPECT_LT(table_.ColWidth(ColTotal), grid_.columnWidth(ColTotal)) << "the view's width only";
}

TEST_F(SortGridTest, HidesColumnsOfWidthMinusOneAndSizesTheOthers) {
    EXPECT_TRUE(grid_.isColumnHidden(ColStartPos));
    EXPECT_FALSE(grid_.isColumnHidden(ColTeam));
    EXPECT_EQ(grid_.columnWidth(ColName), 160);
    table_.SetColWidth(ColTeam, ResultTable::HiddenWidth);
    table_.SetColWidth(ColName, 90);
    grid_.Refresh();
    EXPECT_TRUE(grid_.isColumnHidden(ColTeam));
    EXPECT_EQ(grid_.columnWidth(ColName), 90);
    table_.SetColWidth(ColTeam, 70);
    grid_.Refresh();
    EXPECT_FALSE(grid_.isColumnHidden(ColTeam));
    EXPECT_EQ(grid_.columnWidth(ColTeam), 70);
}

TEST_F(SortGridTest, ColumnResizedByMouseGoesIntoTheTable) {
    grid_.horizontalHeader()->resizeSection(ColGrund, 150);
    EXPECT_EQ(table_.ColWidth(ColGrund), 150);
    EXPECT_FALSE(table_.ColVisible(ColStartPos));
}

TEST_F(SortGridTest, RefreshShowsChangedCellsHeadersAndRowCount) {
    table_.SetCell(ColTotal, 2, "15,23");
    table_.SetCell(ColGrund, 0, "Reason");
    grid_.Refresh();
    EXPECT_EQ(Text(1, ColTotal), "15,23");
    EXPECT_EQ(grid_.model()->headerData(ColGrund, Qt::Horizontal).toString(), "Reason");
    table_.SetRowCount(6);
    table_.SetCell(ColNr, 5, "9");
    grid_.Refresh();
    EXPECT_EQ(grid_.model()->rowCount(), 5);
    EXPECT_EQ(Text(4, ColNr), "9");
}

TEST_F(SortGridTest, RefreshWithoutChangeTouchesNothing) {
    QSignalSpy changed(grid_.model(), &QAbstractItemModel::dataChanged);
    QSignalSpy reset(grid_.model(), &QAbstractItemModel::modelReset);
    grid_.Refresh();
    grid_.Refresh();
    EXPECT_EQ(changed.count(), 0);
    EXPECT_EQ(reset.count(), 0);
}

TEST_F(SortGridTest, ReadsNoRowsTheTableNoLongerHasBeforeRefresh) {
    table_.SetRowCount(2);
    EXPECT_FALSE(grid_.model()->data(grid_.model()->index(2, ColNr)).isValid());
    EXPECT_FALSE(grid_.model()->data(QModelIndex()).isValid());
    grid_.Refresh();
    EXPECT_EQ(grid_.model()->rowCount(), 1);
}

TEST_F(SortGridTest, SelectsTheWholeCurrentRow) {
    table_.SetCurrentRow(2);
    grid_.Refresh();
    const QItemSelectionModel& selection = *grid_.selectionModel();
    EXPECT_TRUE(selection.isRowSelected(1, QModelIndex()));
    EXPECT_EQ(selection.selectedIndexes().size(), ResultTable::ColCount);
    EXPECT_FALSE(selection.isRowSelected(0, QModelIndex()));
    table_.SetCurrentRow(-1);
    grid_.Refresh();
    EXPECT_FALSE(selection.hasSelection());
}

TEST_F(SortGridTest, ClickOnARowMakesItTheCurrentRow) {
    grid_.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&grid_));
    const QRect cell = grid_.visualRect(grid_.model()->index(2, ColName));
    QTest::mouseClick(grid_.viewport(), Qt::LeftButton, {}, cell.center());
    EXPECT_EQ(table_.CurrentRow(), 3);
    EXPECT_TRUE(grid_.selectionModel()->isRowSelected(2, QModelIndex()));
}

TEST_F(SortGridTest, HeaderClickDoesNotReorder) {
    table_.SetCurrentRow(1);
    grid_.Refresh();
    grid_.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&grid_));
    QHeaderView& header = *grid_.horizontalHeader();
    const int x = header.sectionViewportPosition(ColNr) + header.sectionSize(ColNr) / 2;
    QTest::mouseClick(header.viewport(), Qt::LeftButton, {}, QPoint(x, header.height() / 2));
    grid_.Refresh();
    EXPECT_EQ(table_.Cell(ColNr, 1), "3");
    EXPECT_EQ(Text(0, ColNr), "3");
    EXPECT_EQ(Text(1, ColNr), "1");
    EXPECT_EQ(table_.CurrentRow(), 1);
    EXPECT_FALSE(grid_.isSortingEnabled());
    EXPECT_EQ(grid_.selectionModel()->selectedIndexes().size(), ResultTable::ColCount);
}

TEST_F(SortGridTest, EditModeMakesCellsEditableAndWritesThemToTheTable) {
    const QModelIndex index = grid_.model()->index(0, ColTotal);
    EXPECT_FALSE(grid_.model()->flags(index) & Qt::ItemIsEditable);
    table_.SetEditMode(true);
    grid_.Refresh();
    EXPECT_EQ(grid_.selectionBehavior(), QAbstractItemView::SelectItems);
    ASSERT_TRUE(grid_.model()->flags(index) & Qt::ItemIsEditable);
    grid_.model()->setData(index, "DQ");
    EXPECT_EQ(table_.Cell(ColTotal, 1), "DQ");
    EXPECT_TRUE(table_.Modified());
}

TEST_F(SortGridTest, DoubleClickEntersEditModeAtThePlaceAndEscLeavesIt) {
    table_.SetCurrentRow(2);
    table_.SetModified(false);
    grid_.Refresh();
    grid_.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&grid_));
    const QRect cell = grid_.visualRect(grid_.model()->index(1, ColName));
    QTest::mouseDClick(grid_.viewport(), Qt::LeftButton, {}, cell.center());
    EXPECT_TRUE(table_.EditMode());
    EXPECT_TRUE(table_.Modified());
    EXPECT_EQ(grid_.currentIndex(), grid_.model()->index(1, ColRang));
    EXPECT_EQ(grid_.selectionModel()->selectedIndexes().size(), 1);

    QTest::keyClick(&grid_, Qt::Key_Escape);
    EXPECT_FALSE(table_.EditMode());
    EXPECT_TRUE(grid_.selectionModel()->isRowSelected(1, QModelIndex()));

    // A window routes both through its own command.
    std::vector<bool> asked;
    GridCommands routed = commands_;
    routed.EditMode = [&](bool on) { asked.push_back(on); };
    grid_.SetCommands(routed);
    QTest::mouseDClick(grid_.viewport(), Qt::LeftButton, {}, cell.center());
    EXPECT_EQ(asked, std::vector<bool>{true});
    EXPECT_FALSE(table_.EditMode());
}

TEST_F(SortGridTest, TheEditorTakesOnlyTheCharactersOfItsColumnTypedOrPasted) {
    table_.SetCell(ColStrafen, 1, " ");
    table_.SetEditMode(true);
    grid_.Refresh();
    grid_.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&grid_));
    auto editorFor = [&](int col) {
        grid_.setCurrentIndex(grid_.model()->index(0, col));
        grid_.edit(grid_.currentIndex());
        auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
        EXPECT_NE(editor, nullptr);
        return editor;
    };

    QLineEdit* penalties = editorFor(ColStrafen);
    ASSERT_NE(penalties, nullptr);
    penalties->end(false);
    QTest::keyClicks(penalties, "1a:,2");
    EXPECT_EQ(penalties->text(), " 12");
    grid_.CommitEditor();
    EXPECT_EQ(table_.Cell(ColStrafen, 1), " 12");

    // Also where the old text already breaks the rule (a blank loaded from an old file).
    for (auto [col, typed, kept] : {std::tuple{ColLaufzeit, "ab1", " 1"}, {ColDq, "x1DQ", " DQ"}}) {
        table_.SetCell(col, 1, " ");
        grid_.Refresh();
        QLineEdit* editor = editorFor(col);
        ASSERT_NE(editor, nullptr);
        editor->end(false);
        QTest::keyClicks(editor, typed);
        EXPECT_EQ(editor->text(), kept) << typed;
        grid_.CommitEditor();
    }

    QLineEdit* total = editorFor(ColTotal);
    ASSERT_NE(total, nullptr);
    QApplication::clipboard()->setText("12,3x");
    total->paste();
    EXPECT_EQ(total->text(), "");
    QApplication::clipboard()->setText("1:05.23");
    total->paste();
    EXPECT_EQ(total->text(), "1:05.23");
    grid_.CommitEditor();

    EXPECT_FALSE(grid_.model()->flags(grid_.model()->index(0, ColNr)) & Qt::ItemIsEditable);
    EXPECT_FALSE(grid_.model()->flags(grid_.model()->index(0, ColStartPos)) & Qt::ItemIsEditable);
}

TEST_F(SortGridTest, AnOpenEditorsTextLandsInTheStarterItWasTypedFor) {
    table_.SetEditMode(true);
    grid_.Refresh();
    grid_.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&grid_));
    // Start number 3 is in the first row; "20,00" makes it the last once sorted by total.
    for (int row = 1; row <= 3; ++row) {
        table_.SetCell(ColStartPos, row, std::to_string(row));
    }
    table_.SetCell(ColTotal, 2, "10,00");
    table_.SetCell(ColTotal, 3, "11,00");
    grid_.Refresh();
    grid_.setCurrentIndex(grid_.model()->index(0, ColTotal));
    grid_.edit(grid_.currentIndex());
    auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    ASSERT_NE(editor, nullptr);
    QTest::keyClicks(editor, "20,00");

    grid_.CommitEditor();
    RankTable(table_, true);
    grid_.Refresh();
    EXPECT_EQ(table_.Cell(ColTotal, table_.FindRow("3")), "20,00");
    EXPECT_EQ(table_.Cell(ColNr, 3), "3");

    // Rows moved under an editor nobody committed: what is typed on goes to no other starter.
    grid_.setCurrentIndex(grid_.model()->index(0, ColGrund));
    grid_.edit(grid_.currentIndex());
    editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    ASSERT_NE(editor, nullptr);
    QTest::keyClicks(editor, "Tonne");
    RankTable(table_, false);
    ASSERT_EQ(table_.Cell(ColNr, 1), "3");
    grid_.Refresh();
    QTest::keyClicks(editor, " 3");
    grid_.CommitEditor();
    for (int row = 1; row < table_.RowCount(); ++row) {
        EXPECT_EQ(table_.Cell(ColGrund, row), "") << row;
    }
}

TEST_F(SortGridTest, DrawsPlacesAndTheHeaderInTheirColours) {
    table_.SetCell(ColTotal, 1, "15,00");
    table_.SetCell(ColRang, 1, "1");
    table_.SetCell(ColTotal, 2, "DQ");
    table_.SetCell(ColDq, 2, "DQ");
    table_.SetCurrentRow(3);
    grid_.Refresh();
    grid_.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&grid_));
    const QImage image = grid_.grab().toImage();
    auto colourAt = [&](int row, int col) {
        const QRect cell = grid_.visualRect(grid_.model()->index(row, col));
        const QPoint corner = grid_.viewport()->mapTo(&grid_, cell.topLeft() + QPoint(3, 3));
        return image.pixelColor(corner);
    };
    auto rgb = [](Rgb c) { return QColor(c.Red, c.Green, c.Blue); };
    EXPECT_EQ(colourAt(0, ColName), rgb(GoldBackground));
    EXPECT_EQ(colourAt(0, ColDq), rgb(NotDqBackground));
    EXPECT_EQ(colourAt(1, ColName), rgb(RankedBackground));
    EXPECT_EQ(colourAt(1, ColDq), rgb(DqBackground));
    EXPECT_EQ(colourAt(2, ColName), grid_.palette().color(QPalette::Active, QPalette::Highlight));
    // Right of the header text, clear of the grid line.
    const QHeaderView& header = *grid_.horizontalHeader();
    const QPoint inHeader(header.sectionViewportPosition(ColName) + header.sectionSize(ColName) - 6,
                          header.height() / 2);
    EXPECT_EQ(image.pixelColor(header.mapTo(&grid_, inHeader)), rgb(HeaderBackground));
}

TEST_F(SortGridTest, ABarUnderAStarterMarksTheDragAfterTheirRun) {
    grid_.SetDragMarks([](int row) { return row == 2; });
    grid_.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&grid_));
    const QImage image = grid_.grab().toImage();
    auto bottomOf = [&](int row) {
        const QRect cell = grid_.visualRect(grid_.model()->index(row, ColName));
        return image.pixelColor(grid_.viewport()->mapTo(&grid_, cell.bottomLeft() + QPoint(8, 0)));
    };
    const QColor mark(DragMarkColour.Red, DragMarkColour.Green, DragMarkColour.Blue);
    EXPECT_NE(bottomOf(0), mark);
    EXPECT_EQ(bottomOf(1), mark) << "body row 2";
    EXPECT_NE(bottomOf(2), mark);
}

TEST(GridTextMeasure, MeasuresHeaderInTheHeaderFontAndCellsInTheGridFont) {
    ResultTable table;
    TSortGrid grid(table);
    QFont big = grid.font();
    big.setPixelSize(40);
    grid.horizontalHeader()->setFont(big);
    const ITextMeasure& measure = grid.TextMeasure();
    EXPECT_EQ(measure.TextWidth("Laufzeit", ColLaufzeit, 1),
              QFontMetrics(grid.font()).horizontalAdvance("Laufzeit"));
    EXPECT_GT(measure.TextWidth("Laufzeit", ColLaufzeit, 0),
              measure.TextWidth("Laufzeit", ColLaufzeit, 1));
    EXPECT_EQ(measure.TextWidth("", ColNr, 1), 0);
}
