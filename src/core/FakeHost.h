#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/Host.h"

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
    bool Ask(const std::string& question) override {
        questions.push_back(question);
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
    std::deque<std::string> files;
    std::vector<std::string> questions, errors, messages, openFolders;
    int commits = 0;
};
