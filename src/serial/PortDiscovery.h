#pragma once

#include <string>
#include <vector>

#include "serial/Comms.h"
#include "serial/SerialDevice.h"

// The serial ports the kernel lists under sysRoot/class/tty, found without opening any of them:
// ttyS nodes with a UART behind them (a device link, and a port type other than 0 "unknown"),
// and ttyUSB and ttyACM adapters with the name of their USB device and their stable name under
// devRoot/serial/by-id. A port that serves as the system console, or whose node is missing
// under devRoot, is left out. Unordered; never throws.
std::vector<SerialPort> FindSerialPorts(const std::string& sysRoot, const std::string& devRoot);

// The latency timer of the USB adapter behind devicePath (a /dev node or its stable name) as
// sysRoot/class/tty/<node>/device/latency_timer gives it (FTDI adapters), 0 when there is none.
int ReadLatencyTimerMs(const std::string& sysRoot, const std::string& devicePath);

// The ports present, in the order the operator reads them: COM numbers ascending, then the ports
// without a number by name.
std::vector<SerialPort> ScanComPorts(ISerialBackend& backend);

// What the operator recognises a port by: "COM33 – ttyUSB0 – FT232R USB UART", "COM1 – ttyS0",
// "ttyACM0 – Arduino Uno".
std::string PortText(const SerialPort& port);

// What confirming the settings dialog does with the light-barrier port.
struct PortChange {
    enum class Action { None, Open, Close };
    int Port = 0;          // the port number to store
    std::string PortName;  // the stable name to store
    Action Do = Action::None;
};

// The port list of the settings dialog: "Kein" (no port), then every port found, and the
// configured port as "COM5 – fehlt" when it is not there, so it stays selected and stored.
class PortChoice {
public:
    PortChoice(const std::vector<SerialPort>& ports, int port, const std::string& portName);

    std::vector<std::string> Entries() const;
    // The entry to select when the dialog is shown: the port that opening would use.
    int Shown() const { return shown_; }
    // The change for the confirmed entry k: the shown entry again changes nothing (not even a
    // closed port is reopened), "Kein" closes the port and stores none, another entry stores its
    // port and opens it.
    PortChange Confirm(int k) const;

private:
    struct Entry {
        std::string Text;
        int Port = 0;
        std::string PortName;
    };
    std::vector<Entry> entries_;
    Entry configured_;
    int shown_ = 0;
};

// A port stored as one device (a /dev node or a stable name), as the port list takes it: a node
// of a COM number by that number, anything else by its name.
PortChoice DeviceChoice(const std::vector<SerialPort>& ports, const std::string& device);
// The device a confirmed entry stands for: its stable name or name, else its number's node;
// empty for "Kein".
std::string ChangedDevice(const PortChange& change);

// Reopens a port whose device went away (TComPort::DeviceLost) once the device is back, silently
// retrying; a port the operator closed is left alone. The UI calls Poll about once a second.
class PortReconnector {
public:
    explicit PortReconnector(TComPort& port) : port_(port) {}
    void Poll();  // UI thread only

private:
    TComPort& port_;
};
