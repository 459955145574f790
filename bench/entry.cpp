// One result entry on a big event, as the operator's F10 does it: the row is written, the table
// ranked in the sorted view, and the whole table backed up atomically to disk.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "config/SettingsStore.h"
#include "core/Competition.h"
#include "support/FakeHost.h"
#include "support/FakeSerialBackend.h"

namespace {

class StepTime : public ITimeSource {
public:
    std::int64_t Now() const override { return now; }
    std::int64_t CounterFrequency() const override { return 1'000'000'000; }
    std::int64_t now = 1'000'000'000;
};

struct NoCues : ICuePlayer {
    void PlayCue(const std::string&) override {}
};

}  // namespace

int main() {
    constexpr int Starters = 10000;
    constexpr int Entries = 60;
    const std::filesystem::path folder = std::filesystem::current_path() / "corralix-bench-entry";
    std::filesystem::create_directories(folder);
    const std::string list = (folder / "starter.txt").string();
    {
        std::ofstream out(list, std::ios::binary);
        out << "Nr.;Name;Pferd;Team\r\n";
        for (int i = 1; i <= Starters; ++i) {
            out << i << ";Reiterin " << i << ";Pferd " << i << ";Team " << i % 40 << "\r\n";
        }
    }

    FakeSerialBackend serial;
    MemorySettingsStore store;
    Settings settings;
    settings.CountDown = false;
    WriteSettings(store, settings);
    NoCues cues;
    StepTime time;
    ManualTimers timers;  // never fired: the clock display is not what is measured
    ScriptedOperator dialogs;
    RecordingDesktop desktop;
    SilentLiveResults live;
    Competition competition({serial, store, cues, time, timers, dialogs, desktop, live,
                             [](std::function<void()>) {}, folder.string(), folder.string(), "",
                             ','});
    competition.Start(list);
    competition.Run(Command::SortMode);  // the sorted view: every entry moves rows

    std::vector<double> ms;
    for (int i = 0; i < Entries; ++i) {
        competition.Run(Command::Start);
        time.now += (12'000 + 37 * i) * 1'000'000LL;
        competition.Run(Command::Start);
        const auto before = std::chrono::steady_clock::now();
        competition.Run(Command::Entry);
        const auto after = std::chrono::steady_clock::now();
        ms.push_back(std::chrono::duration<double, std::milli>(after - before).count());
        competition.Run(Command::Entry);
    }
    std::filesystem::remove_all(folder);
    for (const std::string& error : dialogs.errors) {
        std::fprintf(stderr, "%s\n", error.c_str());
    }

    std::sort(ms.begin(), ms.end());
    std::printf("fastest %.2f ms, slowest %.2f ms over %d entries\n", ms.front(), ms.back(),
                Entries);
    std::printf("entry with backup, %d rows: %.2f ms\n", Starters, ms[ms.size() / 2]);
    return 0;
}
