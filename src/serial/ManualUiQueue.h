#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>

#include "serial/Comms.h"

// A UI thread for tests: closures posted from any thread wait here until the test runs them.
class ManualUiQueue {
public:
    UiPost Poster() {
        return [this](std::function<void()> closure) {
            std::lock_guard lock(mutex_);
            closures_.push_back(std::move(closure));
            posted_.notify_all();
        };
    }

    // Waits until at least count closures are queued; false after timeout.
    bool WaitForPosted(std::size_t count,
                       std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
        std::unique_lock lock(mutex_);
        return posted_.wait_for(lock, timeout, [&] { return closures_.size() >= count; });
    }

    // Runs the queued closures in order, also those they post; returns how many ran.
    std::size_t RunPending() {
        std::size_t ran = 0;
        for (;;) {
            std::function<void()> closure;
            {
                std::lock_guard lock(mutex_);
                if (closures_.empty()) {
                    return ran;
                }
                closure = std::move(closures_.front());
                closures_.pop_front();
            }
            closure();
            ++ran;
        }
    }

private:
    std::mutex mutex_;
    std::condition_variable posted_;
    std::deque<std::function<void()>> closures_;
};
