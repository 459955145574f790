#pragma once

// Drives the simulated light barrier (a FIFO) with edges at known times while the user-interface
// thread is kept busy with blocks of 0-50 ms of work, and compares every recorded run time with
// the true difference of the edges. "edge" is the run clock's reading (edge timestamps taken on
// the watcher thread); "handling" is what reading the clock when the UI thread handles the edge
// would have given. The watcher asks for real-time priority exactly as the program does (itself,
// else RealtimeKit), and so does the thread that plays the beam; both are printed.
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
#include "ui/RealtimeKit.h"

#include <QCoreApplication>

// What loads the barrier besides the busy user interface.
struct TimingLoad {
    int Runs = 500;  // enough that the 99th percentile is not simply the worst run
    // Each crossing's contact bounces this often within 3 ms (0: clean edges).
    int Bounces = 0;
    // Every this many runs the user interface is away for StallMs during a run (0: never).
    int StallEvery = 0;
    int StallMs = 5000;
};

// The beam is played by a thread no scheduler should delay: above the watcher where the process
// may, else through RealtimeKit as the watcher. Returns how it runs.
inline std::string RunLikeTheBeam() {
    sched_param param{};
    param.sched_priority = WatcherRealtimePriority + 10;
    if (::sched_setscheduler(0, SCHED_FIFO | SCHED_RESET_ON_FORK, &param) != 0) {
        RequestRealtimeFromRealtimeKit(static_cast<std::uint64_t>(gettid()),
                                       WatcherRealtimePriority);
    }
    return SchedulingText(static_cast<std::uint64_t>(gettid()));
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

// A crossing: the beam broken at the edge's time, with the contact's bounces after it, and given
// free two milliseconds later.
inline void WriteCrossing(int out, std::int64_t start, int bounces) {
    (void)::write(out, "1", 1);
    for (int i = 0; i < bounces; ++i) {
        SleepUntil(start + (2 * i + 1) * 3'000'000 / (2 * bounces + 1));
        (void)::write(out, "0", 1);
        SleepUntil(start + (2 * i + 2) * 3'000'000 / (2 * bounces + 1));
        (void)::write(out, "1", 1);
    }
    SleepUntil(start + 5'000'000);
    (void)::write(out, "0", 1);
}

// The timing errors in milliseconds, the runs lost and how the threads ran.
struct TimingFigures {
    double EdgeP50 = 0;
    double EdgeP99 = 0;
    double EdgeMax = 0;
    double HandlingP99 = 0;
    int Lost = 0;
    std::string WatcherPriority;
    std::string BeamPriority;
};

// Runs the measurement as the body of a benchmark with one iteration.
inline TimingFigures MeasureTimingErrors(benchmark::State& state, const TimingLoad& load) {
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
    // Clean edges: the barrier is armed again by hand after each start and stop. A bouncing
    // contact needs the start lock, judged by the edges' stamps, as at a show.
    settings.TimeLock = load.Bounces > 0 ? 50 : 0;
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
    port.RequestRealtime = RequestRealtimeFromRealtimeKit;  // as the program asks
    std::vector<std::int64_t> handled;
    port.OnCTS = [&](TComPort& p) {
        const ComEvent& event = p.CurrentEvent();
        const EdgeAction action = engine.ComPortLS(event.ModemStatus, event.Timestamp);
        if (action == EdgeAction::Started || action == EdgeAction::Stopped) {
            handled.push_back(time.Now());
        }
    };
    port.Open();
    TimingFigures figures;
    figures.WatcherPriority = SchedulingText(port.WatcherTid());
    if (port.Priority() == WatcherPriority::RealtimeKit) {
        figures.WatcherPriority += " (rtkit)";
    }
    engine.ImageLSClick();  // arm the barrier

    const int runs = load.Runs;
    std::atomic<int> runsDone{0};
    // The true run of each round, published by the writer right after its stop crossing.
    std::vector<std::atomic<std::int64_t>> trueRuns(runs);
    for (auto& run : trueRuns) {
        run.store(-1);
    }
    std::string beamPriority;
    std::thread writer([&] {
        beamPriority = RunLikeTheBeam();
        std::mt19937 random(7);
        const int out = ::open(fifo.c_str(), O_WRONLY);
        for (int run = 0; run < runs; ++run) {
            while (runsDone.load() < run) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            // With a bouncing contact the stop's start lock (50 ms) is over before the next start.
            std::this_thread::sleep_for(
                std::chrono::milliseconds((load.Bounces > 0 ? 60 : 0) + random() % 30));
            const std::int64_t start = MonotonicRawNow();
            WriteCrossing(out, start, load.Bounces);
            SleepUntil(start + (80 + random() % 120) * 1'000'000);  // longer than a busy block
            const std::int64_t stop = MonotonicRawNow();
            WriteCrossing(out, stop, load.Bounces);
            trueRuns[run].store(stop - start);
        }
        ::close(out);
    });

    std::vector<double> edgeErrors;
    std::vector<double> handlingErrors;
    std::mt19937 busy(11);
    const double frequency = static_cast<double>(time.CounterFrequency());
    // A run counts as lost when its entry has not come this long after its stop crossing, or
    // when its time is off by more than a crossing.
    constexpr std::int64_t LostAfter = 1'000'000'000;
    constexpr double LostError = 5.0;
    int stalledRun = -1;
    std::int64_t waitingSince = 0;
    for (auto _ : state) {
        while (runsDone.load() < runs) {
            const int run = runsDone.load();
            if (load.StallEvery > 0 && run % load.StallEvery == load.StallEvery / 2 &&
                stalledRun != run && engine.View().StartStep == 2) {
                // The user interface is away during the run: both crossings wait for it.
                stalledRun = run;
                std::this_thread::sleep_for(std::chrono::milliseconds(load.StallMs));
            }
            // A busy user interface: a block of work during which no event is handled.
            const std::int64_t until = MonotonicRawNow() + (busy() % 51) * 1'000'000;
            while (MonotonicRawNow() < until) {
            }
            ui.RunPending();
            if (load.Bounces == 0 && engine.View().LightBarrierArmed == 0) {
                engine.ImageLSClick();
            }
            const std::int64_t truthTicks = trueRuns[run].load();
            const bool entered = engine.View().StartStep == 1 && engine.View().bEintragen.Enabled;
            if (!entered && truthTicks < 0) {
                continue;
            }
            if (!entered) {
                // Wait for the stop's hand-over a while, then the run is lost: stop it by hand.
                if (waitingSince == 0) {
                    waitingSince = MonotonicRawNow();
                }
                if (MonotonicRawNow() - waitingSince < LostAfter) {
                    continue;
                }
                waitingSince = 0;
                ++figures.Lost;
                if (engine.View().StartStep == 2) {
                    engine.mStartClick();
                }
                engine.bEintragenClick();
                engine.bEintragenClick();
                runsDone.store(run + 1);
                continue;
            }
            waitingSince = 0;
            while (trueRuns[run].load() < 0) {
            }
            const double truth = trueRuns[run].load() * 1000.0 / frequency;
            const double error = std::abs(engine.View().RunTicks * 1000.0 / frequency - truth);
            if (error > LostError) {
                ++figures.Lost;
            } else {
                edgeErrors.push_back(error);
                const std::int64_t handledRun =
                    handled.at(handled.size() - 1) - handled.at(handled.size() - 2);
                handlingErrors.push_back(std::abs(handledRun * 1000.0 / frequency - truth));
            }
            engine.bEintragenClick();  // enter
            engine.bEintragenClick();  // next starter
            runsDone.store(run + 1);
        }
    }
    writer.join();
    port.Close();
    ::unlink(fifo.c_str());
    ::rmdir(folder);
    figures.BeamPriority = beamPriority;
    if (!edgeErrors.empty()) {
        figures.EdgeP50 = Percentile(edgeErrors, 0.5);
        figures.EdgeP99 = Percentile99(edgeErrors);
        figures.EdgeMax = Percentile(edgeErrors, 1.0);
        figures.HandlingP99 = Percentile99(handlingErrors);
    }
    state.counters["edge_p99_ms"] = figures.EdgeP99;
    state.counters["handling_p99_ms"] = figures.HandlingP99;
    state.counters["runs"] = static_cast<double>(edgeErrors.size());
    state.counters["lost"] = figures.Lost;
    return figures;
}

// One measurement of a benchmark program: its name, the label of its figures and its load.
struct TimingCase {
    const char* Name;
    const char* Label;
    TimingLoad Load;
};

// Runs each case as a benchmark and prints, per case, the priorities the watcher and the beam got,
// p50 and max, and "<label>: edge <X> ms, handling <Y> ms" (with a bouncing contact: "<label>:
// edge <X> ms, lost <L>"); the last case's figures come last.
inline int RunTimingBenchmark(int argc, char** argv, const std::vector<TimingCase>& cases) {
    // RealtimeKit is asked over the system bus, as the program does.
    QCoreApplication application(argc, argv);
    std::vector<TimingFigures> results(cases.size());
    for (std::size_t i = 0; i < cases.size(); ++i) {
        benchmark::RegisterBenchmark(cases[i].Name,
                                     [&, i](benchmark::State& state) {
                                         results[i] = MeasureTimingErrors(state, cases[i].Load);
                                     })
            ->Iterations(1)
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const TimingFigures& result = results[i];
        const char* const label = cases[i].Label;
        std::printf("watcher priority: %s\n", result.WatcherPriority.c_str());
        std::printf("beam priority: %s\n", result.BeamPriority.c_str());
        std::printf("%s: edge p50 %.3f ms\n", label, result.EdgeP50);
        std::printf("%s: edge max %.3f ms\n", label, result.EdgeMax);
        if (cases[i].Load.Bounces > 0) {
            std::printf("%s: edge %.3f ms, lost %d\n", label, result.EdgeP99, result.Lost);
        } else {
            std::printf("%s: edge %.3f ms, handling %.3f ms\n", label, result.EdgeP99,
                        result.HandlingP99);
        }
    }
    return 0;
}
