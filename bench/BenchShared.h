#pragma once
// What the benchmarks share: a show day's result table and the figure they print last.

#include <benchmark/benchmark.h>

#include <map>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "results/ResultTable.h"
#include "results/TimeText.h"

// Start list with results as on a show day: most totals between 12 and 40 seconds (many equal
// hundredths at this size), a few over a minute, DQ, not yet run, and hand-edited junk.
inline ResultTable MakeTable(int starters) {
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
            total = FormatTimeText(slow(random), ',', Resolution::Hundredths);
        } else {
            total = FormatTimeText(fast(random), ',', Resolution::Hundredths);
        }
        const std::string nr = std::to_string(100 + i);
        table.SetRow(i, {nr, "Rider " + nr, "Horse " + nr, "Team " + std::to_string(i % 40), total,
                         "0", total == "DQ" ? "DQ" : "", "", total, "", std::to_string(i)});
    }
    return table;
}

// Passes everything to the console and keeps the mean time of one named benchmark (and of every
// other one, by name).
class MeanReporter : public benchmark::ConsoleReporter {
public:
    explicit MeanReporter(std::string name) : name_(std::move(name)) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration && !run.error_occurred) {
                means[run.benchmark_name()] = run.GetAdjustedRealTime();
            }
            if (run.run_type == Run::RT_Iteration && run.benchmark_name() == name_) {
                mean = run.GetAdjustedRealTime();
            }
        }
    }

    // In the benchmark's own time unit.
    double mean = -1;
    std::map<std::string, double> means;

    double Mean(const std::string& name) const {
        const auto found = means.find(name);
        return found != means.end() ? found->second : -1.0;
    }

private:
    std::string name_;
};
