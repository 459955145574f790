#include "ui/TSortGrid.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QSignalSpy>
#include <QTest>
#include <memory>
#include "QtTestApp.h"

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
    SortGridTest() { grid_.resize(900, 300); }

    QString Text(int row, int col) const {
        return grid_.model()->data(grid_.model()->index(row, col)).toString();
    }

    ResultTable table_ = ThreeStarters();
    TSortGrid grid_{table_};
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
    EXPECT_EQ(grid_.horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
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
