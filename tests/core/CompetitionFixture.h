#pragma once

// The program as a test runs it: the competition with fake serial lines, timers, dialogs, desktop,
// live results and broker, on a temporary folder.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>

#include "../files/TempFolder.h"
#include "config/SettingsStore.h"
#include "core/Competition.h"
#include "files/FileIo.h"
#include "serial/ManualUiQueue.h"
#include "support/FakeHost.h"
#include "support/FakeSerialBackend.h"

constexpr std::int64_t TicksPerMs = 1'000'000;

inline std::string Today() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    char day[16];
    std::strftime(day, sizeof day, "%Y-%m-%d", &local);
    return day;
}

class FakeTime : public ITimeSource {
public:
    std::int64_t Now() const override { return now; }
    std::int64_t CounterFrequency() const override { return 1000 * TicksPerMs; }
    std::int64_t now = 5'000'000'000;
};

class CompetitionTest : public ::testing::Test {
protected:
    void Open(const Settings& settings = Settings{}, const std::string& commandLineFile = {}) {
        WriteSettings(store, settings);
        competition = std::make_unique<Competition>(CompetitionEnvironment{
            serial, store, cues, time, timers, dialogs, desktop, live, ui.Poster(),
            folder.Path().string(), DataFolder(), "", ',', "corralix", nullptr, ::write, &broker});
        competition->Start(commandLineFile);
    }
    // Ends the program as a close does, then starts it again on the same folders.
    void Restart(const std::string& commandLineFile = {}) {
        competition->Shutdown();
        Relaunch(commandLineFile);
    }
    // Kills the program (no shutdown), then starts it again on the same folders.
    void Relaunch(const std::string& commandLineFile = {}) {
        competition.reset();
        timers.made.clear();
        competition = std::make_unique<Competition>(
            CompetitionEnvironment{serial, store, cues, time, timers, dialogs, desktop, live,
                                   ui.Poster(), folder.Path().string(), DataFolder(), "", ','});
        competition->Start(commandLineFile);
    }
    std::string DataFolder() const { return folder.File("data"); }

    void Key(Command command) { competition->Run(command); }
    // A run timed by hand without countdown.
    void TimeRun(std::int64_t ms) {
        Key(Command::Start);
        time.now += ms * TicksPerMs;
        Key(Command::Start);
    }
    std::string StartList(const std::string& lines) {
        const std::string path = folder.File("starter.txt");
        WriteAll(path, lines);
        return path;
    }
    static Settings NoCountdown() {
        Settings settings;
        settings.CountDown = false;
        return settings;
    }
    const ResultTable& Table() { return competition->Table(); }
    // A light barrier on port 1 that stays locked after a start until F11.
    void OpenWithBarrier(const std::string& startList) {
        serial.AddDevice(ComPortDevicePath(1));
        Settings settings = NoCountdown();
        settings.Port = 1;
        settings.TimeLock = 0;
        Open(settings, startList);
    }
    void Edge(std::uint32_t status, std::int64_t stamp) {
        serial.SetModemStatus(ComPortDevicePath(1), status, stamp);
        ASSERT_TRUE(ui.WaitForPosted(1));
        ui.RunPending();
    }

    TempFolder folder;
    FakeSerialBackend serial;
    MemorySettingsStore store;
    struct : ICuePlayer {
        void PlayCue(const std::string& name) override { played.push_back(name); }
        std::vector<std::string> played;
    } cues;
    FakeTime time;
    ManualTimers timers;
    ScriptedOperator dialogs;
    RecordingDesktop desktop;
    SilentLiveResults live;
    RecordingBroker broker;
    ManualUiQueue ui;
    std::unique_ptr<Competition> competition;

    void SetUp() override { std::filesystem::create_directory(DataFolder()); }
    // Every change of a cell goes through the class journal with its own label; one that did not
    // is a fault of the program, whatever the test was about.
    void TearDown() override {
        if (competition) {
            EXPECT_EQ(competition->UnrecordedChanges(), 0);
        }
    }
};

// A show folder with the show file and the class files given, opened as `corralix SHOWFILE`.
class ShowTest : public CompetitionTest {
protected:
    std::filesystem::path OpenShow(const std::string& showJson,
                                   const std::vector<std::pair<std::string, std::string>>& files,
                                   const std::string& name = "show",
                                   const Settings& settings = NoCountdown()) {
        const std::filesystem::path show = folder.Path() / name;
        std::filesystem::create_directory(show);
        WriteAll(show / "Turnier.json", showJson);
        for (const auto& [name, bytes] : files) {
            WriteAll(show / name, bytes);
        }
        Open(settings, (show / "Turnier.json").string());
        return show;
    }
};
