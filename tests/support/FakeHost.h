#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/Host.h"
#include "files/LiveResults.h"
#include "publish/BrokerFeed.h"

// Stand-ins for the desktop, for tests and benchmarks that run the competition without windows.

// Timers that expire only when a test fires them (Timer::expired).
class ManualTimers : public ITimerFactory {
public:
    class Timer : public ITimer {
    public:
        explicit Timer(std::function<void()> expired) : expired(std::move(expired)) {}
        void Start(int) override { active = true; }
        void Stop() override { active = false; }
        bool IsActive() const override { return active; }
        std::function<void()> expired;
        bool active = false;
    };
    std::unique_ptr<ITimer> MakeTimer(std::function<void()> expired) override {
        auto timer = std::make_unique<Timer>(std::move(expired));
        made.push_back(timer.get());
        return timer;
    }
    // The timers in the order the competition makes them.
    Timer& Clock() { return *made.at(0); }
    Timer& StartLock() { return *made.at(1); }
    Timer& Reconnect() { return *made.at(2); }
    std::vector<Timer*> made;
};

// The operator at the table: answers questions and picks files as the test says.
class ScriptedOperator : public IOperator {
public:
    bool Ask(const std::string& question, Focus focus) override {
        questions.push_back(question);
        focuses.push_back(focus);
        return answer;
    }
    void ShowError(const std::string& message) override { errors.push_back(message); }
    void ShowMessage(const std::string& message) override { messages.push_back(message); }
    std::optional<std::string> ChooseFileToOpen(const std::string& folder,
                                                const std::vector<std::string>&) override {
        openFolders.push_back(folder);
        return Next();
    }
    std::optional<std::string> ChooseFileToSave(const std::string&,
                                                const std::vector<std::string>&) override {
        return Next();
    }
    void CommitEdits() override { ++commits; }
    std::optional<CfgValues> EditSettings(const CfgValues& values, PortLamp lamp,
                                          const std::string& reason) override {
        shownSettings.push_back(values);
        shownLamps.emplace_back(lamp, reason);
        if (!editSettings) {
            return std::nullopt;
        }
        CfgValues changed = values;
        editSettings(changed);
        return changed;
    }
    void ShowInformation(const std::string& pageAddress) override {
        ++informations;
        informedAddress = pageAddress;
    }
    void ShowBusy(bool on) override { busy.push_back(on); }

    std::optional<std::string> Next() {
        if (files.empty()) {
            return std::nullopt;
        }
        std::string file = files.front();
        files.pop_front();
        return file;
    }

    // The answer to every question; the files the dialogs "choose", in order.
    bool answer = true;
    // Changes the operator makes in the settings dialog before OK; none means "Abbrechen".
    std::function<void(CfgValues&)> editSettings;
    std::vector<CfgValues> shownSettings;
    std::vector<std::pair<PortLamp, std::string>> shownLamps;
    int informations = 0;
    std::string informedAddress;
    std::deque<std::string> files;
    std::vector<std::string> questions, errors, messages, openFolders;
    std::vector<Focus> focuses;
    int commits = 0;
    std::vector<bool> busy;
};

// A desktop that records what it was asked to open and print.
class RecordingDesktop : public IDesktop {
public:
    bool OpenDocument(const std::string& path) override {
        opened.push_back(path);
        return canOpen;
    }
    std::string PrintReport(const Report& report) override {
        printed.push_back(report);
        return printError;
    }
    std::string WritePdf(const Report& report, const std::string& path) override {
        pdfs.emplace_back(path, report);
        return printError;
    }
    std::vector<Rect> Screens() const override { return screens; }
    std::vector<Rect> screens{{0, 0, 1920, 1080}};
    std::vector<std::pair<std::string, Report>> pdfs;
    bool canOpen = true;
    std::string printError;
    std::vector<std::string> opened;
    std::vector<Report> printed;
};

// Live results that only remember what was published.
class SilentLiveResults : public ILiveResults {
public:
    std::string Start(int port, const std::string& address) override {
        running = startError.empty();
        this->port = port;
        this->address = address;
        return startError;
    }
    void Stop() override { running = false; }
    bool Running() const override { return running; }
    std::string AddressText() const override {
        return "Live-Ergebnisse: Port " + std::to_string(port);
    }
    std::string PageAddress() const override {
        return "http://127.0.0.1:" + std::to_string(port) + "/";
    }
    void Publish(const LiveSnapshot& snapshot) override { published.push_back(snapshot); }

    bool running = false;
    std::string address;
    int port = 0;
    std::string startError;
    std::vector<LiveSnapshot> published;
};

// A broker publisher that only remembers what it was given; its state is set by the test.
class RecordingBroker : public IBrokerPublisher {
public:
    void Start(const BrokerSettings& settings) override {
        running = true;
        started.push_back(settings);
    }
    void Stop() override { running = false; }
    bool Running() const override { return running; }
    void Publish(const BrokerSnapshot& snapshot) override { published.push_back(snapshot); }
    BrokerStatus Status() const override { return status; }

    bool running = false;
    BrokerStatus status{BrokerState::Connected, {}};
    std::vector<BrokerSettings> started;
    std::vector<BrokerSnapshot> published;
};
