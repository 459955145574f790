// Rank and sort of a full result table, as after every entered run.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <random>
#include <string>

#include "results/Ranking.h"
#include "results/ResultTable.h"
#include "results/TimeText.h"

namespace {

// Start list with results as on a show day: most totals between 12 and 40 seconds (many equal
// hundredths at this size), a few over a minute, DQ, not yet run, and hand-edited junk.
ResultTable MakeTable(int starters) {
    std::mt19937 random(4711);
    std::uniform_int_distribution<int> percent(0, 99);
    std::uniform_int_distribution<int> fast(12000, 40000);
    std::uniform_int_distribution<int> slow(60000, 95000);
    ResultTable table;
    table.SetRowCount(starters + 1);
    for (int i = 1; i <= starters; ++i) {
        const int kind = percent(random);
        std::string total;
        if (kind < 5) {
            total = "DQ";
        } else if (kind < 15) {
            total = "";
        } else if (kind < 16) {
            total = kind % 2 == 0 ? "abc" : "1:0x,00";
        } else if (kind < 20) {
            total = FormatTimeText(slow(random), ',');
        } else {
            total = FormatTimeText(fast(random), ',');
        }
        const std::string nr = std::to_string(100 + i);
        table.SetRow(i, {nr, "Rider " + nr, "Horse " + nr, "Team " + std::to_string(i % 40), total,
                         "0", total == "DQ" ? "DQ" : "", "", total, "", std::to_string(i)});
    }
    return table;
}

// Start-order view: sort by total, write places, sort back by start position.
void RankAndSortStartOrder(benchmark::State& state) {
    ResultTable table = MakeTable(static_cast<int>(state.range(0)));
    Ranking ranking(table, ',');
    for (auto _ : state) {
        ranking.RankAndSort();
        benchmark::DoNotOptimize(table.Revision());
    }
}
BENCHMARK(RankAndSortStartOrder)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

// Sorted view, each time from start order.
void RankAndSortSortedView(benchmark::State& state) {
    const ResultTable start = MakeTable(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        ResultTable table = start;
        Ranking ranking(table, ',');
        ranking.SetSortDown(true);
        state.ResumeTiming();
        ranking.RankAndSort();
        benchmark::DoNotOptimize(table.Revision());
    }
}
BENCHMARK(RankAndSortSortedView)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

// Passes everything to the console and keeps the mean of the 10,000-row start-order run.
class SummaryReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration &&
                run.benchmark_name() == "RankAndSortStartOrder/10000") {
                meanMs = run.GetAdjustedRealTime();
            }
        }
    }
    double meanMs = -1;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    std::printf("rank+sort 10000 rows: %.3f ms\n", reporter.meanMs);
    return 0;
}
