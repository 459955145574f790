#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "serial/SerialDevice.h"

// Serial ports and FIFOs on Linux.
//
// A tty is opened exclusively (TIOCEXCL, and flock because root ignores TIOCEXCL) and asked for
// low latency. Its modem lines are watched with TIOCMIWAIT, or by TIOCMGET every millisecond where
// the driver lacks it; edges shorter than a wake-up are recovered from the driver's CTS count.
// A FIFO is the simulated light barrier: its bytes drive CTS (see serial/Comms.h).
class LinuxSerialBackend : public ISerialBackend {
public:
    LinuxSerialBackend();
    std::unique_ptr<ISerialDevice> Open(const std::string& path) override;
    bool Probe(const std::string& path) override;
};

// Terminal control flags (termios c_cflag) for the line settings, without the speed.
std::uint32_t TerminalControlFlags(const LineSettings& settings);

// Appends the modem-status words of one wake-up to changes: the line moved from previous to
// current, and the driver counted ctsTransitions CTS edges meanwhile (0 where it does not count).
// Edges the level alone cannot show come first, as words with CTS toggled; all carry timestamp.
void AppendModemChanges(std::uint32_t previous, std::uint32_t current, std::uint32_t ctsTransitions,
                        std::int64_t timestamp, std::vector<ModemChange>& changes);
