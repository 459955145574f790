#pragma once

#include <cstdint>

// Asks the desktop's RealtimeKit service (org.freedesktop.RealtimeKit1 on the system bus) to run
// thread tid of this process with SCHED_FIFO at priority, capped at what the service allows; true
// when granted. Blocks for at most two seconds. Fits TComPort::RequestRealtime.
bool RequestRealtimeFromRealtimeKit(std::uint64_t tid, int priority);
