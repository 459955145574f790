// Re-ranking and redrawing the result table on screen, as after an entered run or F12.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <cstdio>
#include <memory>

#include "../tests/results/RankTable.h"
#include "BenchShared.h"
#include "results/TimeText.h"
#include "ui/TSortGrid.h"

namespace {

constexpr int Starters = 10000;

// A shown grid over a show day's table, the way the main window holds it.
struct ShownGrid {
    ShownGrid() {
        grid.resize(1300, 600);
        grid.show();
        QApplication::processEvents();
    }

    // What the window does after a command: refresh, and the paint the event loop would run.
    void Render() {
        grid.Refresh();
        grid.viewport()->repaint();
    }

    ResultTable table = MakeTable(Starters);
    bool sortDown = false;
    TSortGrid grid{table};
};

// An entered run in the view sorted by total: one total changes, the table is ranked and sorted
// again and drawn.
void EntryInSortedView(benchmark::State& state) {
    ShownGrid shown;
    shown.sortDown = true;
    int entry = 0;
    for (auto _ : state) {
        const int row = 1 + (entry * 7919) % Starters;
        shown.table.SetCell(
            ColTotal, row,
            FormatTimeText(12000 + (entry * 37) % 28000, ',', Resolution::Hundredths));
        ++entry;
        shown.grid.CommitEditor();
        RankTable(shown.table, shown.sortDown);
        shown.Render();
    }
}
BENCHMARK(EntryInSortedView)->Unit(benchmark::kMillisecond);

// F12 back and forth: sorted by total, then start order, each time ranked and drawn.
void SortModeToggle(benchmark::State& state) {
    ShownGrid shown;
    for (auto _ : state) {
        shown.grid.CommitEditor();
        shown.sortDown = !shown.sortDown;
        RankTable(shown.table, shown.sortDown);
        shown.Render();
    }
}
BENCHMARK(SortModeToggle)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    MeanReporter reporter("EntryInSortedView");
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    std::printf("re-rank and repaint %d rows: %.3f ms\n", Starters, reporter.mean);
    return 0;
}
