// Entering runs into a jackpot class: after each entry the table is ranked, divided into four
// divisions and paid out again, as the core does before the board shows the run's division.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <vector>

#include "../tests/results/RankTable.h"
#include "results/Jackpot.h"
#include "results/ResultTable.h"
#include "results/Standing.h"
#include "results/TimeText.h"

namespace {

constexpr int Starters = 2000;

ClassRules FourDivisions() {
    ClassRules rules;
    rules.Thousandths = true;
    rules.DivisionOffsetsMs = {500, 1000, 1500};
    rules.HasPayout = true;
    rules.Payout.EntryFeeCents = 4000;
    rules.Payout.OfficeFeeCents = 500;
    rules.Payout.PaybackShare = 8000;
    rules.Payout.AddedCents = 100000;
    rules.Payout.DivisionShares = DefaultShares(4);
    rules.Payout.PlacesPaid = {5, 5, 5, 5};
    rules.Payout.PlaceShares[5] = DefaultShares(5);
    return rules;
}

// A start list of 2000 without results.
ResultTable StartListTable() {
    ResultTable table;
    table.SetRowCount(Starters + 1);
    for (int i = 1; i <= Starters; ++i) {
        const std::string nr = std::to_string(100 + i);
        table.SetRow(
            i, {nr, "Rider " + nr, "Horse " + nr, "", "", "", "", "", "", "", std::to_string(i)});
    }
    return table;
}

std::vector<double> entryMs;

void EnterRankDivideAndPay(benchmark::State& state) {
    const ClassRules rules = FourDivisions();
    std::mt19937 random(25);
    std::uniform_int_distribution<int> run(14500, 19000);
    ResultTable table = StartListTable();
    int next = 1;
    for (auto _ : state) {
        if (next > Starters) {
            state.PauseTiming();
            table = StartListTable();
            next = 1;
            state.ResumeTiming();
        }
        const auto start = std::chrono::steady_clock::now();
        // The rows are in start order: the next starter is found by its start position.
        const int row = table.FindStartPosition(std::to_string(next++));
        const std::string time = FormatTimeText(run(random), ',', Resolution::Thousandths);
        table.SetCell(ColLaufzeit, row, time);
        table.SetCell(ColStrafen, row, "0");
        table.SetCell(ColTotal, row, time);
        // As the program does: the places written, then the standing every view renders.
        RankTable(table, false, rules);
        const Standing standing = MakeStanding(table, rules, {});
        benchmark::DoNotOptimize(standing.Sheet.PaidCents);
        entryMs.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
    }
}
BENCHMARK(EnterRankDivideAndPay)->Iterations(Starters)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (entryMs.empty())
        return 1;
    std::nth_element(entryMs.begin(), entryMs.begin() + static_cast<long>(entryMs.size() / 2),
                     entryMs.end());
    std::printf("rank, divide and pay 2000 rows: %.3f ms\n", entryMs[entryMs.size() / 2]);
    return 0;
}
