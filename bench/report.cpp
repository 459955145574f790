// The result list of a class of 1,000 starters written as a web page and as a PDF file, with
// show-day names. Last line: "report 1000 rows: html X ms, pdf Y ms" (mean per file).
#include <QGuiApplication>
#include <cstdio>
#include <filesystem>
#include <string>

#include "BenchShared.h"
#include "files/HtmlReport.h"
#include "files/Report.h"
#include "results/Standing.h"
#include "ui/ReportPrinter.h"

namespace {

constexpr int Starters = 1000;

ResultTable ShowDayTable() {
    ResultTable table = MakeTable(Starters);
    for (int row = 1; row < table.RowCount(); ++row) {
        const std::string nr = table.Cell(ColNr, row);
        table.SetCell(ColName, row, "Reiterin Müller-Lüdenscheidt " + nr);
        table.SetCell(ColPferd, row, "Äskulap vom Sonnenhof " + nr);
        if (table.Cell(ColTotal, row) == "DQ") {
            table.SetCell(ColGrund, row, "Tonne umgeworfen");
        }
    }
    return table;
}

const std::filesystem::path& Folder() {
    static const std::filesystem::path folder =
        std::filesystem::temp_directory_path() /
        ("corralix-report-bench-" + std::to_string(::getpid()));
    return folder;
}

Report MakeReport(const ResultTable& table) {
    return ResultReport(
        table, MakeStanding(table, {}, {}),
        {"Herbst-Jackpot Nord", "2026-12-07", "Reithalle Sonnenhof", "Open", "Barrel Racing"},
        "07.12.2026 14:03");
}

void WriteHtml(benchmark::State& state) {
    const ResultTable table = ShowDayTable();
    const std::string path = (Folder() / "bericht.html").string();
    for (auto _ : state) {
        if (!WriteHtmlReport(MakeReport(table), path).empty()) {
            state.SkipWithError("page not written");
            return;
        }
    }
}
BENCHMARK(WriteHtml)->Unit(benchmark::kMillisecond);

void WritePdf(benchmark::State& state) {
    const ResultTable table = ShowDayTable();
    const std::string path = (Folder() / "bericht.pdf").string();
    for (auto _ : state) {
        if (!WritePdfReport(MakeReport(table), path).empty()) {
            state.SkipWithError("PDF not written");
            return;
        }
    }
}
BENCHMARK(WritePdf)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication app(argc, argv);
    std::filesystem::create_directories(Folder());
    benchmark::Initialize(&argc, argv);
    MeanReporter reporter("WritePdf");
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    std::filesystem::remove_all(Folder());
    std::printf("report %d rows: html %.0f ms, pdf %.0f ms\n", Starters, reporter.Mean("WriteHtml"),
                reporter.Mean("WritePdf"));
    return 0;
}
