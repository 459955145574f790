#include "serial/PortDiscovery.h"

std::uint64_t AvailablePorts = 0;

std::uint64_t ScanComPorts(ISerialBackend& backend) {
    std::uint64_t ports = 0;
    for (int n = 1; n <= 64; ++n) {
        if (backend.Probe(ComPortDevicePath(n))) {
            ports |= std::uint64_t{1} << (n - 1);
        }
    }
    AvailablePorts = ports;
    return ports;
}

PortChoice::PortChoice(std::uint64_t ports) : entries_{"Kein"} {
    for (int n = 1; n <= 64; ++n) {
        if (((ports >> (n - 1)) & 1) != 0) {
            entries_.push_back("COM" + std::to_string(n));
        }
    }
}

int PortChoice::Show(int port) {
    shownIndex_ = 0;
    if (port != 0) {
        shownIndex_ = -1;
        for (int k = 1; k < static_cast<int>(entries_.size()); ++k) {
            if (entries_[k] == "COM" + std::to_string(port)) {
                shownIndex_ = k;
            }
        }
    }
    return shownIndex_ >= 0 ? shownIndex_ : static_cast<int>(entries_.size()) - 1;
}

void PortChoice::Confirm(TComPort& comPort, int k) const {
    if (k == 0) {
        comPort.Close();
        comPort.Port = 0;
    } else if (k > 0 && k < static_cast<int>(entries_.size())) {
        comPort.Port = std::stoi(entries_[k].substr(3));
        if (k != shownIndex_) {
            comPort.Open();
        }
    }
}

void PortReconnector::Poll() {
    if (port_.Connected() || !port_.DeviceLost()) {
        return;
    }
    try {
        port_.Open();
    } catch (const EComHandle&) {
    } catch (const EComState&) {
    }
}
