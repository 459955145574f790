// Loading a workbook of a large start list with results, as the operator does with Ctrl+O.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <string>

#include "files/Loading.h"
#include "files/Workbook.h"
#include "results/ResultTable.h"
#include "results/Standing.h"
#include "results/TimeText.h"

namespace {

constexpr int Starters = 10000;

class CharMeasure : public ITextMeasure {
public:
    int TextWidth(std::string_view text, int, int) const override {
        return static_cast<int>(text.size()) * 7;
    }
};

// A saved protocol: every starter run, one in twenty disqualified, teams and umlauts.
ResultTable MakeTable() {
    ResultTable table;
    table.SetRowCount(Starters + 1);
    for (int i = 1; i <= Starters; ++i) {
        const std::string nr = std::to_string(100 + i);
        const bool dq = i % 20 == 0;
        const std::string run =
            FormatTimeText(12000 + (i * 7919) % 28000, ',', Resolution::Hundredths);
        table.SetRow(i, {nr, "Reiterin Müller " + nr, "Pferd Äskulap " + nr,
                         "Team " + std::to_string(i % 40), run, "0", dq ? "DQ" : "",
                         dq ? "Tonne umgeworfen" : "", dq ? "DQ" : run, ""});
    }
    return table;
}

std::string Folder() {
    static const std::string folder = [] {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "corralix-bench-XXXXXX").string();
        return std::string(::mkdtemp(pattern.data()));
    }();
    return folder;
}

void LoadWorkbook(benchmark::State& state, const std::string& extension) {
    const std::string path = Folder() + "/Starter" + extension;
    const ResultTable written = MakeTable();
    if (!WriteWorkbookFile(written, MakeStanding(written, {}, {}), path).Ok()) {
        state.SkipWithError("workbook not written");
        return;
    }
    const ResultTable current;
    const CharMeasure measure;
    for (auto _ : state) {
        LoadedTable loaded = ReadChosenFile(path, current, ',');
        loaded.Table.FitColumnWidths(measure, true);
        if (!loaded.Error.empty() || loaded.Table.RowCount() != Starters + 1) {
            state.SkipWithError("workbook not loaded");
            return;
        }
    }
}
BENCHMARK_CAPTURE(LoadWorkbook, xls, std::string(".xls"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(LoadWorkbook, xlsx, std::string(".xlsx"))->Unit(benchmark::kMillisecond);

// Passes everything to the console and keeps the mean time of each format.
class SummaryReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration && !run.error_occurred) {
                meanMs[run.benchmark_name()] = run.GetAdjustedRealTime();
            }
        }
    }
    std::map<std::string, double> meanMs;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    std::filesystem::remove_all(Folder());
    const auto mean = [&reporter](const std::string& name) {
        const auto found = reporter.meanMs.find(name);
        return found != reporter.meanMs.end() ? found->second : -1.0;
    };
    std::printf("load workbook %d starters: xls %.0f ms, xlsx %.0f ms\n", Starters,
                mean("LoadWorkbook/xls"), mean("LoadWorkbook/xlsx"));
    return 0;
}
