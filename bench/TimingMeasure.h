#pragma once

// Drives the simulated light barrier (a FIFO) with edges at known times while the user-interface
// thread is kept busy with blocks of 0-50 ms of work, and compares every recorded run time with
// the true difference of the edges. "edge" is the run clock's reading (edge timestamps taken on
// the watcher thread); "handling" is what reading the clock when the UI thread handles the edge
// would have given. A backup barrier on a line and watcher of its own sees every crossing right
// after the primary; "backup edge" is its run times' error, measured the same way. The watcher asks
// for real-time priority exactly as the program does (itself, else RealtimeKit), and so does the
// thread that plays the beam; both are printed.
//
// The true time of an edge is only known to lie between the clock readings right before and
// right after the beam's write: a beam thread preempted in between (it may run without real-time
// priority) must not be charged to the watcher, so a run's error is how far its recorded time
// lies outside the span of true times its two edges allow. "lost" counts only runs that never
// arrived; a late stamp is an error like any other and shows in max and p99.
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
#include "clock/MonotonicClock.h"
#include "results/ResultTable.h"
#include "serial/Comms.h"
#include "serial/LinuxSerialBackend.h"
#include "serial/ManualUiQueue.h"
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

// When the edge of a crossing reached the line: between these two clock readings.
struct EdgeWindow {
    std::int64_t Before = 0;
    std::int64_t After = 0;
};

// A crossing of the primary and the backup barrier: each beam broken (the backup's right after the
// primary's), with the contact's bounces after it, and given free five milliseconds later.
struct CrossingWindows {
    EdgeWindow Primary;
    EdgeWindow Backup;
};
inline CrossingWindows WriteCrossing(int out, int backup, int bounces) {
    const auto edge = [](int line) {
        EdgeWindow window;
        window.Before = MonotonicRawNow();
        (void)::write(line, "1", 1);
        window.After = MonotonicRawNow();
        return window;
    };
    const auto both = [&](const char* level) {
        (void)::write(out, level, 1);
        (void)::write(backup, level, 1);
    };
    CrossingWindows crossing{edge(out), edge(backup)};
    const std::int64_t start = crossing.Primary.Before;
    for (int i = 0; i < bounces; ++i) {
        SleepUntil(start + (2 * i + 1) * 3'000'000 / (2 * bounces + 1));
        both("0");
        SleepUntil(start + (2 * i + 2) * 3'000'000 / (2 * bounces + 1));
        both("1");
    }
    SleepUntil(start + 5'000'000);
    both("0");
    return crossing;
}

// The timing errors in milliseconds, the runs lost and how the threads ran.
struct TimingFigures {
    double EdgeP50 = 0;
    double EdgeP99 = 0;
    double EdgeMax = 0;
    double HandlingP99 = 0;
    double BeamWriteMax = 0;  // the widest window of an edge's true time
    int Lost = 0;
    // The backup barrier on its own line and watcher: its run times' error, and its runs whose
    // edges did not all arrive.
    double BackupEdgeP99 = 0;
    int BackupLost = 0;
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
    const std::string backupFifo = std::string(folder) + "/backup";
    mkfifo(backupFifo.c_str(), 0600);

    MonotonicTimeSource time;
    IdleTimer clock;
    IdleTimer startLock;
    SilentCues cues;
    TimingSettings settings;
    settings.CountDown = false;
    // The barrier arms itself again after each start and stop by the start lock, judged by the
    // edges' stamps as at a show: it is never armed too late by a busy user interface (an edge
    // stamped before a hand arming is ignored on purpose). The shortest run is longer.
    constexpr int StartLockMs = 50;
    settings.TimeLock = StartLockMs;
    EntryHooks hooks;
    hooks.EnterRun = [](const RunCells&) { return EntryOutcome{true, "1", {}}; };
    hooks.SelectNextStarter = [] {};
    TimingEngine engine(time, clock, startLock, cues, settings, hooks);

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
    // The backup barrier: its own port and watcher; the first trigger of each crossing is its
    // reading (the bounces after it fall inside the start lock).
    TComPort backupPort(backend, ui.Poster());
    backupPort.DevicePath = backupFifo;
    backupPort.RequestRealtime = RequestRealtimeFromRealtimeKit;
    std::vector<std::int64_t> backupStamps;
    std::uint32_t backupStatus = 0;
    backupPort.OnCTS = [&](TComPort& p) {
        const ComEvent& event = p.CurrentEvent();
        if (ClassifyLineChange(backupStatus, event.ModemStatus, 0) == LineChange::Trigger &&
            (backupStamps.empty() ||
             event.Timestamp - backupStamps.back() > StartLockMs * 1'000'000LL)) {
            backupStamps.push_back(event.Timestamp);
        }
    };
    backupPort.Open();
    TimingFigures figures;
    figures.WatcherPriority = SchedulingText(port.WatcherTid());
    if (port.Priority() == WatcherPriority::RealtimeKit) {
        figures.WatcherPriority += " (rtkit)";
    }
    engine.ImageLSClick();  // arm the barrier

    const int runs = load.Runs;
    std::atomic<int> runsDone{0};
    // The shortest and longest true run of each round, published by the writer right after its
    // stop crossing (the longest last).
    std::vector<std::atomic<std::int64_t>> shortestRuns(runs);
    std::vector<std::atomic<std::int64_t>> longestRuns(runs);
    for (auto& run : longestRuns) {
        run.store(-1);
    }
    std::vector<std::int64_t> backupShortest(runs);
    std::vector<std::int64_t> backupLongest(runs);
    std::atomic<std::int64_t> widestWindow{0};
    std::string beamPriority;
    std::thread writer([&] {
        beamPriority = RunLikeTheBeam();
        std::mt19937 random(7);
        const int out = ::open(fifo.c_str(), O_WRONLY);
        const int backupOut = ::open(backupFifo.c_str(), O_WRONLY);
        for (int run = 0; run < runs; ++run) {
            while (runsDone.load() < run) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            // The stop's start lock is over before the next start.
            std::this_thread::sleep_for(
                std::chrono::milliseconds(StartLockMs + 10 + random() % 30));
            const CrossingWindows startCrossing = WriteCrossing(out, backupOut, load.Bounces);
            const EdgeWindow& start = startCrossing.Primary;
            // Longer than a busy block and the start lock.
            SleepUntil(start.Before + (80 + random() % 120) * 1'000'000);
            const CrossingWindows stopCrossing = WriteCrossing(out, backupOut, load.Bounces);
            const EdgeWindow& stop = stopCrossing.Primary;
            backupShortest[run] = stopCrossing.Backup.Before - startCrossing.Backup.After;
            backupLongest[run] = stopCrossing.Backup.After - startCrossing.Backup.Before;
            widestWindow.store(std::max(
                {widestWindow.load(), start.After - start.Before, stop.After - stop.Before}));
            shortestRuns[run].store(stop.Before - start.After);
            longestRuns[run].store(stop.After - start.Before);
        }
        ::close(out);
        ::close(backupOut);
    });

    std::vector<double> edgeErrors;
    std::vector<double> handlingErrors;
    std::mt19937 busy(11);
    const double frequency = static_cast<double>(time.CounterFrequency());
    // A run counts as lost when its entry has not come this long after its stop crossing.
    constexpr std::int64_t LostAfter = 1'000'000'000;
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
            const std::int64_t truthTicks = longestRuns[run].load();
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
            while (longestRuns[run].load() < 0) {
            }
            const std::int64_t shortest = shortestRuns[run].load();
            const std::int64_t longest = longestRuns[run].load();
            // How far a run time lies outside the span of true runs, in milliseconds.
            const auto error = [&](std::int64_t ticks) {
                return static_cast<double>(
                           std::max({shortest - ticks, ticks - longest, std::int64_t{0}})) *
                       1000.0 / frequency;
            };
            edgeErrors.push_back(error(engine.View().RunTicks));
            handlingErrors.push_back(
                error(handled.at(handled.size() - 1) - handled.at(handled.size() - 2)));
            engine.bEintragenClick();  // enter
            engine.bEintragenClick();  // next starter
            runsDone.store(run + 1);
        }
    }
    writer.join();
    // The backup's last edges may still be on their way to the user-interface thread.
    for (int wait = 0; wait < 100 && backupStamps.size() < 2 * static_cast<std::size_t>(runs);
         ++wait) {
        ui.WaitForPosted(1, std::chrono::milliseconds(10));
        ui.RunPending();
    }
    std::vector<double> backupErrors;
    for (int run = 0; run < runs; ++run) {
        const std::size_t at = 2 * static_cast<std::size_t>(run) + 1;
        if (at >= backupStamps.size()) {
            ++figures.BackupLost;
            continue;
        }
        const std::int64_t ticks = backupStamps[at] - backupStamps[at - 1];
        backupErrors.push_back(
            static_cast<double>(std::max(
                {backupShortest[run] - ticks, ticks - backupLongest[run], std::int64_t{0}})) *
            1000.0 / frequency);
    }
    if (!backupErrors.empty()) {
        figures.BackupEdgeP99 = Percentile99(backupErrors);
    }
    state.counters["backup_edge_p99_ms"] = figures.BackupEdgeP99;
    backupPort.Close();
    port.Close();
    ::unlink(backupFifo.c_str());
    ::unlink(fifo.c_str());
    ::rmdir(folder);
    figures.BeamPriority = beamPriority;
    figures.BeamWriteMax = static_cast<double>(widestWindow.load()) * 1000.0 / frequency;
    if (!edgeErrors.empty()) {
        figures.EdgeP50 = Percentile(edgeErrors, 0.5);
        figures.EdgeP99 = Percentile99(edgeErrors);
        figures.EdgeMax = Percentile(edgeErrors, 1.0);
        figures.HandlingP99 = Percentile99(handlingErrors);
    }
    state.counters["edge_p99_ms"] = figures.EdgeP99;
    state.counters["handling_p99_ms"] = figures.HandlingP99;
    state.counters["runs"] = static_cast<double>(edgeErrors.size());
    state.counters["beam_write_max_ms"] = figures.BeamWriteMax;
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
// then each figure on a line of its own: the edge error's p50, max and p99 ("<label>: edge <X>
// ms"), the handling error's p99 (clean contact only: a stalled interface makes it seconds), the
// runs lost and the longest beam write.
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
        std::printf("%s: edge %.3f ms\n", label, result.EdgeP99);
        std::printf("%s: backup edge %.3f ms\n", label, result.BackupEdgeP99);
        if (cases[i].Load.Bounces == 0) {
            std::printf("%s: handling %.3f ms\n", label, result.HandlingP99);
        }
        std::printf("%s: runs lost %d of %d\n", label, result.Lost, cases[i].Load.Runs);
        std::printf("%s: backup runs lost %d of %d\n", label, result.BackupLost,
                    cases[i].Load.Runs);
        std::printf("%s: beam write max %.3f ms\n", label, result.BeamWriteMax);
    }
    return 0;
}
