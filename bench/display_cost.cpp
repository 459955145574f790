// Runs the clock for 10 s with the main window and the full-screen spectator window shown, the
// spectator board repainted from the timing engine's view on every 10 ms tick as the program
// does, and reports the process's CPU time over the wall time and the 99th percentile of how
// late the 10 ms tick came.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <string>
#include <vector>

#include "config/SettingsStore.h"
#include "core/Competition.h"
#include "support/FakeHost.h"
#include "support/FakeSerialBackend.h"
#include "timing/MonotonicTimeSource.h"
#include "ui/QtHost.h"
#include "ui/TForm1.h"
#include "ui/TFormMonitor2.h"

#include "Percentile.h"

namespace {

constexpr int RunSeconds = 10;
constexpr double TickMs = 10.0;

class SilentCues : public ICuePlayer {
public:
    void PlayCue(const std::string&) override {}
};

double ProcessCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

struct Figures {
    double CpuPercent = 0;
    double TickP99Ms = 0;
};
Figures Result;

void BM_DisplayCost(benchmark::State& state) {
    QTemporaryDir folder;
    FakeSerialBackend serial;
    MemorySettingsStore store;
    Settings settings;
    settings.CountDown = false;
    WriteSettings(store, settings);
    SilentCues cues;
    MonotonicTimeSource time;
    QtTimerFactory timers;
    ScriptedOperator dialogs;
    RecordingDesktop desktop;
    SilentLiveResults live;
    const std::string path = folder.path().toStdString();
    Competition competition({serial, store, cues, time, timers, dialogs, desktop, live,
                             [](std::function<void()> call) {
                                 QMetaObject::invokeMethod(qApp, std::move(call),
                                                           Qt::QueuedConnection);
                             },
                             path, path, "", ','});
    TForm1 form(competition);
    TFormMonitor2 monitor(',');

    // The spectator board follows every change as the main window does; each clock tick is
    // timed against the one before.
    std::vector<double> delays;
    QElapsedTimer sinceTick;
    competition.AddChangeListener([&](Change change) {
        if (change == Change::Clock) {
            if (sinceTick.isValid()) {
                delays.push_back(std::max(0.0, sinceTick.nsecsElapsed() / 1e6 - TickMs));
            }
            sinceTick.start();
            monitor.RenderDigits(competition.View());
        } else {
            monitor.Render(competition.View(), competition.Starters().Board(), {});
        }
    });
    form.show();
    monitor.Render(competition.View(), competition.Starters().Board(), {});
    monitor.ShowOnMonitor(1, true, QtDesktop().Screens());
    competition.Start("");
    QEventLoop settle;
    QTimer::singleShot(300, &settle, &QEventLoop::quit);
    settle.exec();

    for (auto _ : state) {
        competition.Run(Command::Start);  // the run clock starts
        QEventLoop loop;
        QTimer::singleShot(RunSeconds * 1000, &loop, &QEventLoop::quit);
        const double cpuStart = ProcessCpuSeconds();
        QElapsedTimer wall;
        wall.start();
        loop.exec();
        const double cpu = ProcessCpuSeconds() - cpuStart;
        const double wallSeconds = wall.nsecsElapsed() / 1e9;
        competition.Run(Command::Start);  // and stops
        Result = {100.0 * cpu / wallSeconds, Percentile99(delays)};
        state.counters["cpu_percent"] = Result.CpuPercent;
        state.counters["tick_p99_ms"] = Result.TickP99Ms;
        state.counters["ticks"] = static_cast<double>(delays.size());
    }
    for (const std::string& error : dialogs.errors) {
        std::fprintf(stderr, "%s\n", error.c_str());
    }
}
BENCHMARK(BM_DisplayCost)->Iterations(1)->Unit(benchmark::kMillisecond);

// Without a display of its own the benchmark draws offscreen, on an operator screen and a
// full-HD arena screen.
void UseOffscreenScreens(const std::string& configFile) {
    if (std::getenv("QT_QPA_PLATFORM") != nullptr) {
        return;
    }
    std::ofstream(configFile) << R"({"screens": [
        {"name": "operator", "x": 0, "y": 0, "width": 1920, "height": 1080, "dpi": 96, "dpr": 1},
        {"name": "arena", "x": 1920, "y": 0, "width": 1920, "height": 1080, "dpi": 96, "dpr": 1}]})";
    setenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + configFile).c_str(), 1);
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    const QTemporaryDir folder;
    UseOffscreenScreens(folder.filePath("screens.json").toStdString());
    QApplication app(argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::printf("clock display cpu: %.2f %% of one core, %.2f ms p99 tick\n", Result.CpuPercent,
                Result.TickP99Ms);
    return 0;
}
