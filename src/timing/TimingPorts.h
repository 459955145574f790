#pragma once

#include <cstdint>
#include <string>

// The counter the run clock reads: a monotonic tick count and its ticks per second.
class ITimeSource {
public:
    virtual ~ITimeSource() = default;
    virtual std::int64_t Now() const = 0;
    virtual std::int64_t CounterFrequency() const = 0;
};

// A timer of the user-interface thread. Start (re)starts it with the interval; the owner of the
// timer calls the matching handler of the timing engine on every expiry while it is active.
class ITimer {
public:
    virtual ~ITimer() = default;
    virtual void Start(int intervalMs) = 0;
    virtual void Stop() = 0;
    virtual bool IsActive() const = 0;
};

// Plays a WAV cue by bare file name, asynchronously; a cue that plays is cut off by the next one.
class ICuePlayer {
public:
    virtual ~ICuePlayer() = default;
    virtual void PlayCue(const std::string& fileName) = 0;
};
