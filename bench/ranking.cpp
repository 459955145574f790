// The standing and the grid's order of a full result table, as after every entered run.
#include <benchmark/benchmark.h>

#include <cstdio>

#include "BenchShared.h"
#include "results/Ranking.h"
#include "results/Standing.h"

namespace {

// What every change costs: the class's standing (validity, places, divisions, money, who runs
// next), then the rows in the view the sort button selects.
void StandingAndOrder(benchmark::State& state, bool sortDown) {
    const ResultTable table = MakeTable(static_cast<int>(state.range(0)));
    ClassRules rules;
    rules.DivisionOffsetsMs = {500, 1000, 1500};
    rules.HasPayout = true;
    rules.Payout.EntryFeeCents = 10000;
    Ranking ranking(',');
    ranking.SetSortDown(sortDown);
    for (auto _ : state) {
        const Standing standing = MakeStanding(table, rules, {});
        benchmark::DoNotOptimize(ranking.ViewOrder(table, standing));
    }
}
BENCHMARK_CAPTURE(StandingAndOrder, StartOrder, false)
    ->Arg(1000)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(StandingAndOrder, SortedView, true)
    ->Arg(1000)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    MeanReporter reporter("StandingAndOrder/StartOrder/10000");
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    std::printf("standing+order 10000 rows: %.3f ms\n", reporter.mean);
    return 0;
}
