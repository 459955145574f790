#include "serial/PortDiscovery.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <system_error>
#include <tuple>
#include <utility>

namespace fs = std::filesystem;

namespace {

// The kinds of serial node, in list order, with the COM number of their first node.
struct NodeKind {
    const char* Prefix;
    int FirstNumber;  // 0 = no COM numbers
};
constexpr NodeKind NodeKinds[] = {{"ttyS", 1}, {"ttyUSB", 33}, {"ttyACM", 0}};
constexpr int NumbersPerKind = 32;

struct Node {
    int Kind = 0;
    int Index = 0;
};

std::optional<Node> ParseNode(const std::string& name) {
    for (int kind = 0; kind < static_cast<int>(std::size(NodeKinds)); ++kind) {
        const std::string prefix = NodeKinds[kind].Prefix;
        const std::string digits = name.substr(std::min(prefix.size(), name.size()));
        if (name.rfind(prefix, 0) == 0 && !digits.empty() && digits.size() <= 4 &&
            std::all_of(digits.begin(), digits.end(),
                        [](char c) { return c >= '0' && c <= '9'; })) {
            return Node{kind, std::stoi(digits)};
        }
    }
    return std::nullopt;
}

int ComNumber(const Node& node) {
    const int first = NodeKinds[node.Kind].FirstNumber;
    return first != 0 && node.Index < NumbersPerKind ? first + node.Index : 0;
}

// First line of a sysfs attribute, without trailing blanks; empty when unreadable.
std::string ReadAttribute(const fs::path& path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    while (!line.empty() && (line.back() == ' ' || line.back() == '\r' || line.back() == '\t')) {
        line.pop_back();
    }
    return line;
}

}  // namespace

int ReadLatencyTimerMs(const std::string& sysRoot, const std::string& devicePath) {
    std::error_code error;
    const fs::path node = fs::canonical(devicePath, error);
    const std::string name = (error ? fs::path(devicePath) : node).filename().string();
    const std::string text =
        ReadAttribute(fs::path(sysRoot) / "class/tty" / name / "device/latency_timer");
    if (text.empty() || text.size() > 4 ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return 0;
    }
    return std::stoi(text);
}

namespace {

// The product name of the USB device a tty hangs under: the nearest ancestor with one.
std::string UsbProduct(const fs::path& device, const fs::path& sysRoot) {
    std::error_code error;
    const fs::path root = fs::weakly_canonical(sysRoot, error);
    for (fs::path dir = fs::canonical(device, error); !error && dir.has_relative_path();
         dir = dir.parent_path()) {
        if (dir == root) {
            break;
        }
        if (fs::exists(dir / "product", error)) {
            return ReadAttribute(dir / "product");
        }
    }
    return {};
}

// Device node (resolved) -> its stable name under devRoot/serial/by-id.
std::map<fs::path, std::string> StableNames(const fs::path& devRoot) {
    std::map<fs::path, std::string> names;
    std::error_code error;
    for (const fs::directory_entry& link :
         fs::directory_iterator(devRoot / "serial/by-id", error)) {
        const fs::path target = fs::canonical(link.path(), error);
        if (!error) {
            names.emplace(target, link.path().string());
        }
    }
    return names;
}

}  // namespace

std::vector<SerialPort> FindSerialPorts(const std::string& sysRoot, const std::string& devRoot) {
    std::vector<SerialPort> ports;
    const fs::path ttyClass = fs::path(sysRoot) / "class/tty";
    const std::map<fs::path, std::string> stableNames = StableNames(devRoot);
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(ttyClass, error)) {
        const std::string name = entry.path().filename().string();
        const std::optional<Node> node = ParseNode(name);
        const fs::path dir = ttyClass / name;
        const fs::path nodePath = fs::path(devRoot) / name;
        std::error_code ignored;
        if (!node || !fs::exists(dir / "device", ignored) || !fs::exists(nodePath, ignored) ||
            ReadAttribute(dir / "console") == "Y") {
            continue;
        }
        // A ttyS node is registered for every possible UART; type 0 means none answered.
        if (node->Kind == 0 && ReadAttribute(dir / "type") == "0") {
            continue;
        }
        SerialPort port;
        port.Number = ComNumber(*node);
        port.Device = nodePath.string();
        if (node->Kind != 0) {
            port.Product = UsbProduct(dir / "device", sysRoot);
        }
        const auto stable = stableNames.find(fs::canonical(nodePath, ignored));
        if (stable != stableNames.end()) {
            port.StableName = stable->second;
        }
        ports.push_back(std::move(port));
    }
    return ports;
}

std::vector<SerialPort> ScanComPorts(ISerialBackend& backend) {
    std::vector<SerialPort> ports = backend.ListPorts();
    const auto order = [](const SerialPort& port) {
        const std::string name = fs::path(port.Device).filename().string();
        const std::optional<Node> node = ParseNode(name);
        return std::make_tuple(port.Number == 0, port.Number, node ? node->Kind : 99,
                               node ? node->Index : 0, name);
    };
    std::sort(ports.begin(), ports.end(),
              [&](const SerialPort& a, const SerialPort& b) { return order(a) < order(b); });
    return ports;
}

namespace {

constexpr const char* Dash = " \u2013 ";

std::string Join(const std::vector<std::string>& parts) {
    std::string text;
    for (const std::string& part : parts) {
        if (!part.empty()) {
            text += (text.empty() ? "" : Dash) + part;
        }
    }
    return text;
}

std::string ComText(int port) {
    return port != 0 ? "COM" + std::to_string(port) : std::string();
}

}  // namespace

std::string PortText(const SerialPort& port) {
    return Join({ComText(port.Number), fs::path(port.Device).filename().string(), port.Product});
}

PortChoice::PortChoice(const std::vector<SerialPort>& ports, int port, const std::string& portName)
    : entries_{{"Kein", 0, {}}}, configured_{{}, port, portName} {
    for (const SerialPort& found : ports) {
        // An adapter is stored by its stable name; a port without a number needs some name.
        std::string name = found.StableName;
        if (name.empty() && found.Number == 0) {
            name = found.Device;
        }
        entries_.push_back({PortText(found), found.Number, std::move(name)});
    }
    if (port == 0 && portName.empty()) {
        return;
    }
    // As opening does: a stable name that is there wins, else the port number.
    const auto find = [&](auto matches) {
        const auto it = std::find_if(entries_.begin() + 1, entries_.end(), matches);
        return it == entries_.end() ? 0 : static_cast<int>(it - entries_.begin());
    };
    if (!portName.empty()) {
        shown_ = find([&](const Entry& entry) { return entry.PortName == portName; });
    }
    if (shown_ == 0 && port != 0) {
        shown_ = find([&](const Entry& entry) { return entry.Port == port; });
    }
    if (shown_ == 0) {
        entries_.push_back({Join({ComText(port), fs::path(portName).filename().string(), "fehlt"}),
                            port, portName});
        shown_ = static_cast<int>(entries_.size()) - 1;
    }
}

std::vector<std::string> PortChoice::Entries() const {
    std::vector<std::string> texts;
    for (const Entry& entry : entries_) {
        texts.push_back(entry.Text);
    }
    return texts;
}

PortChange PortChoice::Confirm(int k) const {
    if (k < 0 || k >= static_cast<int>(entries_.size()) || k == shown_) {
        return {configured_.Port, configured_.PortName, PortChange::Action::None};
    }
    if (k == 0) {
        return {0, {}, PortChange::Action::Close};
    }
    return {entries_[k].Port, entries_[k].PortName, PortChange::Action::Open};
}

PortChoice DeviceChoice(const std::vector<SerialPort>& ports, const std::string& device) {
    for (int number = 1; !device.empty() && !ComPortDevicePath(number).empty(); ++number) {
        if (ComPortDevicePath(number) == device) {
            return PortChoice(ports, number, {});
        }
    }
    return PortChoice(ports, 0, device);
}

std::string ChangedDevice(const PortChange& change) {
    return !change.PortName.empty() ? change.PortName : ComPortDevicePath(change.Port);
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
