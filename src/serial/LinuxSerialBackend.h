#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "serial/SerialDevice.h"

// Serial ports and FIFOs on Linux.
//
// A tty is opened exclusively (TIOCEXCL, and flock because root ignores TIOCEXCL) and asked for
// low latency. Its modem lines are watched with TIOCMIWAIT, which Reconcile wakes when the
// driver's counts moved as the wait began, or by TIOCMGET every millisecond where the driver
// lacks TIOCMIWAIT; edges shorter than a wake-up are recovered from the CTS count. A FIFO is the
// simulated light barrier: its bytes drive CTS (see serial/Comms.h). Ports are listed from sysfs
// without opening any.
class LinuxSerialBackend : public ISerialBackend {
public:
    explicit LinuxSerialBackend(std::string sysRoot = "/sys", std::string devRoot = "/dev");
    std::unique_ptr<ISerialDevice> Open(const std::string& path) override;
    std::vector<SerialPort> ListPorts() override;
    int LatencyTimerMs(const std::string& path) override;

private:
    std::string sysRoot_;
    std::string devRoot_;
};

// Terminal control flags (termios c_cflag) for the line settings, without the speed.
std::uint32_t TerminalControlFlags(const LineSettings& settings);

// Opens a tty (exclusively, asked for low latency) or a FIFO, non-blocking, with access O_RDWR or
// O_WRONLY; the caller closes the descriptor. Raises std::system_error with the system's error
// number (EBUSY when another program holds it, ENOTTY for a file that is neither).
int OpenTerminal(const std::string& path, int access);
// Raw mode at the settings' speed and framing, any speed (termios2). Raises std::system_error.
void ConfigureTerminal(int fd, const LineSettings& settings);
// The descriptor is a FIFO (a simulated line), not a terminal.
bool IsFifo(int fd);
