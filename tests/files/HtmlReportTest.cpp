#include "files/HtmlReport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>

#include "../results/TrickyClass.h"
#include "TempFolder.h"
#include "files/Export.h"
#include "files/FileIo.h"
#include "files/PayoutReport.h"
#include "files/Report.h"
#include "results/ResultTable.h"
#include "results/Standing.h"

namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

// Team hidden as in the window by default; a name that tries to open elements and attributes.
ResultTable SampleTable() {
    ResultTable table;
    table.SetColWidth(ColTeam, ResultTable::HiddenWidth);
    table.SetRowCount(4);
    table.SetRow(1, {"7", "Jürgen Müller", "Blitz", "", "15,23", "0", "", "", "15,23", "1", "1"});
    table.SetRow(2, {"12", "<b>Kim</b> & Co \"Die Zwei\"", "<script>alert('x')</script>", "",
                     "14,10", "1", "", "", "19,10", "2", "2"});
    table.SetRow(3, {"3", "Änne Öß", "Schnüffel", "", "", "", "DQ", "falscher Weg", "DQ", "", "3"});
    return table;
}

const ReportHead Show{"Herbst-Jackpot <Nord>", "2026-12-07", "Reithalle Sonnenhof", "Open",
                      "Pole Bending"};

// The standing of a plain class with the system's separator given, the ground dragged after
// every dragEvery runs.
Standing PlainStanding(const ResultTable& table, char systemSeparator = ',', int dragEvery = 0) {
    StandingContext context;
    context.SystemSeparator = systemSeparator;
    context.DragEvery = dragEvery;
    return MakeStanding(table, {}, context);
}

// Each line of a list: "= " before a note, "~ " before a greyed row, then the given columns.
std::vector<std::string> Lines(const Report& report, std::vector<int> cols) {
    std::vector<std::string> lines;
    for (const ReportRow& row : report.rows) {
        const bool note = row.kind == ReportRowKind::Note;
        std::string line = note ? "= " : row.kind == ReportRowKind::Muted ? "~ " : "";
        for (std::size_t i = 0; i < (note ? 1 : cols.size()); ++i) {
            line += (i > 0 ? " " : "") + ReportCell(row, note ? 0 : cols[i]);
        }
        lines.push_back(line);
    }
    return lines;
}

TEST(HtmlReport, PageHoldsTheVisibleColumnsWithEveryTextEscaped) {
    const std::string expected = ReadAll(CORRALIX_TEST_DATA "/report_expected.html");
    ASSERT_FALSE(expected.empty());

    const ResultTable table = SampleTable();
    EXPECT_EQ(ReportHtml(ResultReport(table, PlainStanding(table), Show, "07.12.2026 14:03")),
              expected);
}

TEST(Report, ListsLeaveOutColumnsEmptyForEveryRowAndMarkTheDrags) {
    ResultTable table = SampleTable();
    table.SetColWidth(ColTeam, 64);  // shown in the window, but nobody has a team
    table.SetCell(ColStartPos, 1, "3");
    table.SetCell(ColStartPos, 2, "1");
    table.SetCell(ColStartPos, 3, "2");
    const Report results = ResultReport(table, PlainStanding(table), Show, "");
    const Report starters = StartListReport(table, PlainStanding(table, ',', 2), Show, "");

    std::vector<std::string> shown;
    for (const int col : ReportShownColumns(results)) {
        shown.push_back(results.columns[col].title);
    }
    EXPECT_EQ(shown, (std::vector<std::string>{"Rang", "Nr.", "Name", "Pferd", "Laufzeit",
                                               "Strafen", "DQ", "Grund", "Total"}));
    std::vector<std::string> order;
    for (const ReportRow& row : starters.rows) {
        order.push_back(ReportCell(row, 0) + " " + ReportCell(row, 1));
    }
    EXPECT_EQ(order, (std::vector<std::string>{"1 12", "2 3", "Bahnpflege ", "3 7"}));
    EXPECT_EQ(starters.rows[2].kind, ReportRowKind::Note);
    EXPECT_EQ(ReportShownColumns(starters).size(), 4U) << "no team column without a team";
}

// A posted second page of a division's riders says which division they are in.
TEST(Report, PagesNeverEndWithAHeadingAndRepeatItAboveTheRowsItContinues) {
    Report report;
    for (const char* text : {"1D", "a1", "a2", "2D", "b1", "b2", "b3", "b4"}) {
        const bool heading = text[1] == 'D';
        report.rows.push_back(
            {{text}, heading ? ReportRowKind::Note : ReportRowKind::Normal, heading});
    }
    report.foot = {"Summe"};

    std::vector<std::string> pages;
    for (const ReportPage& page : ReportPages(report, 4, 3)) {
        pages.push_back(
            std::to_string(page.first) + "-" + std::to_string(page.end) +
            (page.carried >= 0 ? " " + ContinuedHeading(report.rows[page.carried]) : ""));
    }
    EXPECT_EQ(pages, (std::vector<std::string>{"0-3", "3-6", "6-8 2D (Fortsetzung)", "8-9"}));
}

TEST(HtmlReport, FailedWriteKeepsTheOldReportAndNamesFileAndCause) {
    TempFolder folder;
    const std::string path = folder.File("corralix-p.html");
    WriteAll(path, "old report");
    FileCalls fullDisk;
    fullDisk.write = [](int, const void*, std::size_t) -> ssize_t {
        errno = ENOSPC;
        return -1;
    };
    const ResultTable table = SampleTable();
    const Report report = ResultReport(table, PlainStanding(table), Show, "07.12.2026 14:03");
    std::string message;
    {
        const ScopedFileCalls failing(fullDisk);
        message = WriteHtmlReport(report, path);
    }

    EXPECT_EQ(message, "Der Schreibfehler der Datei: " + path + "\nNo space left on device");
    EXPECT_EQ(ReadAll(path), "old report");
    EXPECT_EQ(WriteHtmlReport(report, folder.File("neu.html")), "");
    EXPECT_EQ(ReadAll(folder.File("neu.html")), ReportHtml(report));
}

TEST(HtmlReport, ReportNamesAreFormedBesideTheBackup) {
    EXPECT_EQ(WebPageReportPath("corralix", "/var/data"), "/var/data/corralix-p.html");
    EXPECT_EQ(PrintReportPath("corralix", "/var/data"), "/var/data/corralix.html");
}

TEST(Export, ReadsLikeLoadingAndShowsTheTeamColumnOnlyWithTeams) {
    TempFolder folder;
    WriteAll(folder.File("ohne.txt"), "1;Anna;Blue\r\n2;Ben;Rio\r\n");
    WriteAll(folder.File("mit.txt"),
             "Nr.\tName\tPferd\tTeam\tLaufzeit\tStrafen\tDQ\tGrund\tTotal\tRang\t\r\n"
             "1\tAnna\tBlue\tNord\t16,01\t0\t\t\t16,01\t\t\r\n"
             "2\tBen\tRio\t\t15,23\t0\t\t\t15,23\t\t\r\n");
    ResultTable withoutTeams;
    ResultTable withTeams;

    EXPECT_EQ(
        ReadTableForExport(folder.File("ohne.txt"), withoutTeams, ',', Resolution::Hundredths), "");
    EXPECT_EQ(ReadTableForExport(folder.File("mit.txt"), withTeams, ',', Resolution::Hundredths),
              "");

    EXPECT_EQ(withoutTeams.ColWidth(ColTeam), ResultTable::HiddenWidth);
    EXPECT_GT(withTeams.ColWidth(ColTeam), 0);
    EXPECT_EQ(withTeams.Column(ColRang), (std::vector<std::string>{"Rang", "2", "1"}))
        << "places assigned, start order kept";
    EXPECT_EQ(ReadTableForExport(folder.File("fehlt.txt"), withTeams, ',', Resolution::Hundredths),
              "Datei kann nicht gelesen werden: " + folder.File("fehlt.txt"));
    EXPECT_EQ(withTeams.Cell(ColName, 1), "Anna") << "a failed read keeps the table";
}

TEST(Export, FormatFollowsTheExtension) {
    TempFolder folder;
    const ResultTable table = SampleTable();
    const Standing standing = PlainStanding(table);
    const Report report = ResultReport(table, standing, Show, "07.12.2026 14:03");
    std::string pdfTitle;
    std::string pdfPath;
    const PdfWriter pdf = [&](const Report& written, const std::string& path) {
        pdfTitle = ReportRunningHead(written);
        pdfPath = path;
        return std::string();
    };

    EXPECT_EQ(ExportTable(table, standing, report, folder.File("a.HTML"), pdf), "");
    EXPECT_EQ(ReadAll(folder.File("a.HTML")), ReportHtml(report));
    EXPECT_EQ(ExportTable(table, standing, report, folder.File("a.pdf"), pdf), "");
    EXPECT_EQ(pdfTitle, ReportRunningHead(report));
    EXPECT_EQ(pdfPath, folder.File("a.pdf"));
    EXPECT_EQ(ExportTable(table, standing, report, folder.File("a.htm"), pdf),
              "Dateityp wird nicht unterstützt: " + folder.File("a.htm"));
    EXPECT_FALSE(std::filesystem::exists(folder.File("a.htm")));
}

// Two totals tied on the line where 2D begins both belong to 2D and share its first place; the
// Rang printed is the place in the division, never the place in the whole class the table holds.
TEST(DivisionResultList, PlacesEachRiderInHisDivisionUnderItsHeading) {
    ResultTable table;
    table.SetRowCount(10);
    // Start order, with the places in the whole class as the table ranks them.
    table.SetRow(1, {"6", "Fay", "F", "", "15,500", "0", "", "", "15,500", "5"});
    table.SetRow(2, {"8", "Hal", "H", "", "14,900", "0", "DQ", "Tonne", "DQ", ""});
    table.SetRow(3, {"2", "Ben", "B", "", "15,200", "0", "", "", "15,200", "2"});
    table.SetRow(4, {"7", "Gus", "G", "", "15,800", "0", "", "", "15,800", "7"});
    table.SetRow(5, {"1", "Ann", "A", "", "15,000", "0", "", "", "15,000", "1"});
    table.SetRow(6, {"9", "Ida", "I"});
    table.SetRow(7, {"5", "Eve", "E", "", "15,500", "0", "", "", "15,500", "5"});
    table.SetRow(8, {"3", "Cat", "C", "", "15,200", "0", "", "", "15,200", "2"});
    table.SetRow(9, {"4", "Dan", "D", "", "15,499", "0", "", "", "15,499", "4"});
    ClassRules rules;
    rules.Thousandths = true;
    rules.DivisionOffsetsMs = {500, 1500};

    StandingContext context;
    context.SystemSeparator = '.';
    const Report list = DivisionResultReport(table, MakeStanding(table, rules, context), Show, "");

    EXPECT_EQ(Lines(list, {0, 1}),
              (std::vector<std::string>{"= 1D · ab 15,000", "1 1", "2 2", "2 3", "4 4",
                                        "= 2D · ab 15,500", "1 6", "1 5", "3 7", "= 3D · ab 16,500",
                                        "= Kein Reiter in dieser Division", "= Ohne gültige Zeit",
                                        "~  8", "~  9"}));
    EXPECT_EQ(list.title, "Ergebnisliste je Division");
}

// The printed lists of the tricky class say what its standing says: ranked as it ranks (and the
// head says so), thousandths kept, a DQ in the DQ cell alone greyed as a DQ, a total that is no
// time without place or division, the tie on 15,488 paid alike.
TEST(Report, TheTrickyClassIsListedAndPaidAsItsStandingDecides) {
    const ResultTable table = TrickyTable();
    const Standing standing = MakeStanding(table, TrickyRules(), {});
    // Columns: 0 Rang, 1 Nr., 7 DQ, 9 Total, 10 Div., 11 Pl. Div.
    const Report ranked = ResultReport(table, standing, Show, "");
    EXPECT_EQ(ReportHeadLines(ranked).list, "Ergebnisliste · Open · Pole Bending · nach Rang");
    EXPECT_THAT(Lines(ranked, {0, 1, 7, 9, 10, 11}),
                ElementsAre("1 107  15,481 1D 1", "2 104  15,488 1D 2", "2 106  15,488 1D 2",
                            "4 108  1:02,300 3D 1", "5 109  61:02,300 3D 2", "~  101 DQ DQ  ",
                            "~  102 DQ DQ  ", "~  103  n.a.  ", "~  105    ", "~  110    "));
    std::vector<std::string> numbers;
    for (const ReportRow& row : ranked.rows) {
        numbers.push_back(ReportCell(row, 1));
    }
    EXPECT_THAT(numbers, ElementsAreArray(TrickyRankedNumbers()));
    const Report inOrder = ResultReport(table, standing, Show, "", ReportOrder::StartOrder);
    EXPECT_EQ(ReportHeadLines(inOrder).list, "Ergebnisliste · Open · Pole Bending · in Startfolge");
    EXPECT_EQ(ReportCell(inOrder.rows.front(), 1), "101");

    EXPECT_THAT(
        Lines(DivisionResultReport(table, standing, Show, ""), {0, 1, 9}),
        ElementsAre("= 1D · ab 15,481", "1 107 15,481", "2 104 15,488", "2 106 15,488",
                    "= 2D · ab 15,981", "= Kein Reiter in dieser Division", "= 3D · ab 16,481",
                    "1 108 1:02,300", "2 109 61:02,300", "= Ohne gültige Zeit", "~  101 DQ",
                    "~  102 DQ", "~  103 n.a.", "~  105 ", "~  110 "));

    // Platz, Nr., Total, Betrag: a purse of 450,00 split 50/30/20, places 60/40; 104 and 106
    // share the second place's money.
    EXPECT_THAT(Lines(PayoutReport(standing, Show, ""), {0, 1, 4, 5}),
                ElementsAre("= 1D · ab 15,481 · Topf 225,00", "1 107 15,481 135,00",
                            "2 104 15,488 45,00", "2 106 15,488 45,00",
                            "= Plätze: 1. 135,00 · 2. 90,00", "= 2D · ab 15,981 · Topf 135,00",
                            "= Kein Reiter in dieser Division", "= Plätze: 1. 81,00 · 2. 54,00",
                            "= Nicht erreichte Plätze, nicht ausgezahlt: 135,00",
                            "= 3D · ab 16,481 · Topf 90,00", "1 108 1:02,300 54,00",
                            "2 109 61:02,300 36,00", "= Plätze: 1. 54,00 · 2. 36,00"));
}

// A protocol written with decimal commas, opened on a system whose separator is the point: the
// payout sheet reads like the totals it lists, not "ab 15.620" beside "15,734".
TEST(PayoutSheet, TimesAndMoneyTakeTheSeparatorOfTheTotalsListed) {
    ResultTable table;
    table.SetRowCount(3);
    table.SetRow(1, {"1", "Anna", "Blue", "", "15,120", "0", "", "", "15,120", "1"});
    table.SetRow(2, {"2", "Ben", "Rio", "", "15,734", "0", "", "", "15,734", "2"});
    ClassRules rules;
    rules.Thousandths = true;
    rules.DivisionOffsetsMs = {500};
    rules.HasPayout = true;
    rules.Payout.EntryFeeCents = 60000;
    rules.Payout.DivisionShares = {6000, 4000};
    rules.Payout.PlacesPaid = {1, 1};
    rules.Payout.PlaceShares = {{1, {10000}}};
    StandingContext context;
    context.SystemSeparator = '.';
    const Report sheet =
        PayoutReport(MakeStanding(table, rules, context), Show, "07.12.2026 14:03");
    EXPECT_EQ(ReportCell(sheet.rows.at(0), 0), "1D · ab 15,120 · Topf 720,00");
    const auto second = std::find_if(sheet.rows.begin() + 1, sheet.rows.end(), [](const auto& row) {
        return ReportCell(row, 0).rfind("2D", 0) == 0;
    });
    ASSERT_NE(second, sheet.rows.end());
    EXPECT_EQ(ReportCell(*second, 0), "2D · ab 15,620 · Topf 480,00");
    EXPECT_EQ(sheet.foot.at(4), "Preisgeld: 1.200,00");
}

}  // namespace
