#pragma once

// Drives the simulated light barrier (a FIFO) with edges at known times while the user-interface
// thread is kept busy with blocks of 0-50 ms of work, and compares every recorded run time with
// the true difference of the edges. "edge" is the run clock's reading (edge timestamps taken on
// the watcher thread); "handling" is what reading the clock when the UI thread handles the edge
// would have given.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <pthread.h>
#include <sched.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "Percentile.h"
#include "results/ResultTable.h"
#include "serial/Comms.h"
#include "serial/LinuxSerialBackend.h"
#include "serial/ManualUiQueue.h"
#include "serial/MonotonicClock.h"
#include "timing/MonotonicTimeSource.h"
#include "timing/TimingEngine.h"

// Enough runs that the 99th percentile is not simply the worst run.
constexpr int Runs = 500;

// The writer plays the beam, which no scheduler delays: it runs above the watcher where allowed.
inline void RunLikeTheBeam() {
    sched_param param{};
    param.sched_priority = WatcherRealtimePriority + 10;
    pthread_setschedparam(pthread_self(), SCHED_FIFO, &param);
}

class IdleTimer : public ITimer {
public:
    void Start(int) override { active_ = true; }
    void Stop() override { active_ = false; }
    bool IsActive() const override { return active_; }

private:
    bool active_ = false;
};

class SilentCues : public ICuePlayer {
public:
    void PlayCue(const std::string&) override {}
};

inline void SleepUntil(std::int64_t deadline) {
    while (MonotonicRawNow() < deadline) {
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
}

// The 99th percentile of the timing errors, in milliseconds.
struct TimingFigures {
    double EdgeP99 = 0;
    double HandlingP99 = 0;
};

// Runs the measurement as the body of a benchmark with one iteration.
inline TimingFigures MeasureTimingErrors(benchmark::State& state) {
    char folder[] = "/tmp/corralix-bench-XXXXXX";
    if (!mkdtemp(folder)) {
        state.SkipWithError("no temporary folder");
        return {};
    }
    const std::string fifo = std::string(folder) + "/barrier";
    mkfifo(fifo.c_str(), 0600);

    ResultTable table;
    table.SetRow(1, {"1", "Rider", "Horse"});
    MonotonicTimeSource time;
    IdleTimer clock;
    IdleTimer startLock;
    SilentCues cues;
    TimingSettings settings;
    settings.CountDown = false;
    settings.TimeLock = 0;
    EntryHooks hooks;
    hooks.EntryRow = [] { return 1; };
    hooks.SelectNextStarter = [] {};
    hooks.RankTable = [] {};
    hooks.SaveBackup = [] { return std::string(); };
    TimingEngine engine(table, time, clock, startLock, cues, settings, hooks);

    LinuxSerialBackend backend;
    ManualUiQueue ui;
    TComPort port(backend, ui.Poster());
    port.DevicePath = fifo;
    std::vector<std::int64_t> handled;
    port.OnCTS = [&](TComPort& p) {
        const ComEvent& event = p.CurrentEvent();
        if (event.ModemStatus & 0x10) {
            handled.push_back(time.Now());
        }
        engine.ComPortLS(event.ModemStatus, event.Timestamp);
    };
    port.Open();
    engine.ImageLSClick();  // arm the barrier

    std::atomic<int> runsDone{0};
    // The true run of each round, published by the writer right after its stop edge.
    std::vector<std::atomic<std::int64_t>> trueRuns(Runs);
    for (auto& run : trueRuns) {
        run.store(-1);
    }
    std::thread writer([&] {
        RunLikeTheBeam();
        std::mt19937 random(7);
        const int out = ::open(fifo.c_str(), O_WRONLY);
        for (int run = 0; run < Runs; ++run) {
            while (runsDone.load() < run) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(random() % 30));
            const std::int64_t start = MonotonicRawNow();
            (void)::write(out, "1", 1);
            SleepUntil(start + 2'000'000);
            (void)::write(out, "0", 1);
            SleepUntil(start + (80 + random() % 120) * 1'000'000);  // longer than a busy block
            const std::int64_t stop = MonotonicRawNow();
            (void)::write(out, "1", 1);
            trueRuns[run].store(stop - start);
            SleepUntil(stop + 2'000'000);
            (void)::write(out, "0", 1);
        }
        ::close(out);
    });

    std::vector<double> edgeErrors;
    std::vector<double> handlingErrors;
    std::mt19937 busy(11);
    for (auto _ : state) {
        while (runsDone.load() < Runs) {
            // A busy user interface: a block of work during which no event is handled.
            const std::int64_t until = MonotonicRawNow() + (busy() % 51) * 1'000'000;
            while (MonotonicRawNow() < until) {
            }
            ui.RunPending();
            if (engine.View().LightBarrierArmed == 0) {
                engine.ImageLSClick();
            }
            if (engine.View().StartStep == 1 && engine.View().bEintragen.Enabled) {
                const int run = runsDone.load();
                const double frequency = static_cast<double>(time.CounterFrequency());
                while (trueRuns[run].load() < 0) {
                }
                const double truth = trueRuns[run].load() * 1000.0 / frequency;
                edgeErrors.push_back(std::abs(engine.View().RunTicks * 1000.0 / frequency - truth));
                const std::int64_t handledRun =
                    handled.at(handled.size() - 1) - handled.at(handled.size() - 2);
                handlingErrors.push_back(std::abs(handledRun * 1000.0 / frequency - truth));
                engine.bEintragenClick();  // enter
                engine.bEintragenClick();  // next starter
                runsDone.store(run + 1);
            }
        }
    }
    writer.join();
    port.Close();
    ::unlink(fifo.c_str());
    ::rmdir(folder);
    const TimingFigures figures{Percentile99(edgeErrors), Percentile99(handlingErrors)};
    state.counters["edge_p99_ms"] = figures.EdgeP99;
    state.counters["handling_p99_ms"] = figures.HandlingP99;
    state.counters["runs"] = static_cast<double>(edgeErrors.size());
    return figures;
}

// Runs the measurement as the benchmark name and prints its figures as the last line:
// "<label>: edge <X> ms, handling <Y> ms".
inline int RunTimingBenchmark(int argc, char** argv, const char* name, const char* label) {
    TimingFigures result;
    benchmark::RegisterBenchmark(
        name, [&](benchmark::State& state) { result = MeasureTimingErrors(state); })
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::printf("%s: edge %.3f ms, handling %.3f ms\n", label, result.EdgeP99, result.HandlingP99);
    return 0;
}
