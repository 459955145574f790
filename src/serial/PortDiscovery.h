#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "serial/Comms.h"
#include "serial/SerialDevice.h"

// Ports found by the last scan: bit n-1 set = port n (1..64) is present.
extern std::uint64_t AvailablePorts;

// Probes ports 1..64 (ComPortDevicePath), keeps the character devices that open, closes them
// again and stores the set in AvailablePorts. Never throws.
std::uint64_t ScanComPorts(ISerialBackend& backend);

// The port list of the settings dialog: "Kein" (no port), then "COM" + n for every port found.
class PortChoice {
public:
    explicit PortChoice(std::uint64_t ports);

    const std::vector<std::string>& Entries() const { return entries_; }

    // The entry to select when the dialog is shown for the configured port (0 = none). A port
    // without an entry selects the last entry and is remembered as index -1, so confirming that
    // preselection counts as a change.
    int Show(int port);
    int ShownIndex() const { return shownIndex_; }

    // Applies the confirmed entry k: another port is stored and opened, "Kein" closes the port and
    // stores 0, the shown entry again changes nothing. Raises what TComPort::Open raises (the new
    // number is stored by then).
    void Confirm(TComPort& comPort, int k) const;

private:
    std::vector<std::string> entries_;
    int shownIndex_ = 0;
};

// Reopens a port whose device went away (TComPort::DeviceLost) once the device is back, silently
// retrying; a port the operator closed is left alone. The UI calls Poll about once a second.
class PortReconnector {
public:
    explicit PortReconnector(TComPort& port) : port_(port) {}
    void Poll();  // UI thread only

private:
    TComPort& port_;
};
