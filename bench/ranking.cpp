// Rank and sort of a full result table, as after every entered run.
#include <benchmark/benchmark.h>

#include <cstdio>

#include "BenchShared.h"
#include "results/Ranking.h"

namespace {

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

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    MeanReporter reporter("RankAndSortStartOrder/10000");
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    std::printf("rank+sort 10000 rows: %.3f ms\n", reporter.mean);
    return 0;
}
