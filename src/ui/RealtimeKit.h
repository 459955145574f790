#pragma once

#include <cstdint>

#include "serial/Comms.h"

// Asks the desktop's RealtimeKit service (org.freedesktop.RealtimeKit1 on the system bus) to run
// thread tid of this process real-time at priority, capped at what the service allows (it grants
// SCHED_RR with reset on fork). NoService when the service is not on the bus, Refused when it
// answered no (typically: no local login session). Blocks for at most two seconds. Fits
// TComPort::RequestRealtime.
RealtimeAnswer RequestRealtimeFromRealtimeKit(std::uint64_t tid, int priority);
