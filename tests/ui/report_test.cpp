#include <gtest/gtest.h>

#include <QBuffer>
#include <QPdfWriter>

#include "QtTestApp.h"
#include "files/Report.h"
#include "ui/ReportPrinter.h"

namespace {

Report List(int columns, int rows, const std::string& text) {
    Report report;
    report.title = "Ergebnisliste";
    for (int col = 0; col < columns; ++col) {
        report.columns.push_back({"Spalte", col == 0 ? ReportAlign::Right : ReportAlign::Left});
    }
    for (int row = 0; row < rows; ++row) {
        report.rows.push_back({std::vector<std::string>(columns, text), ReportRowKind::Normal});
    }
    return report;
}

int PdfPages(const QByteArray& pdf) {
    return static_cast<int>(pdf.count("/Type /Page\n"));
}

// Paper follows the columns: portrait while they fit, landscape when they need it, and a list
// too wide even for that stays on landscape with its texts shortened, never on more pages.
TEST(ReportPaper, LandscapeOnlyWhenTheColumnsNeedItAndEveryPageCounted) {
    const std::string name = "Annemarie Zimmermann-Oberholzer";
    struct Case {
        Report report;
        bool landscape;
    } cases[] = {
        {List(4, 10, "Rio"), false},
        {List(6, 10, name), true},
        {List(14, 10, name), true},
    };
    for (Case& c : cases) {
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        const ReportPaper paper = PlanReportPaper(c.report, writer);
        EXPECT_EQ(paper.landscape, c.landscape) << c.report.columns.size() << " columns";
        EXPECT_EQ(paper.pages, 1);
        EXPECT_EQ(PdfPages(ReportPdf(c.report)), 1);
    }

    Report longList = List(4, 200, "Rio");
    longList.foot = {"Summe"};
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    const ReportPaper paper = PlanReportPaper(longList, writer);
    EXPECT_GT(paper.pages, 3);
    EXPECT_EQ(PdfPages(ReportPdf(longList)), paper.pages) << "\"Seite N von M\" counts them all";
}

}  // namespace
