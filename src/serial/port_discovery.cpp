#include "serial/port_discovery.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <system_error>
#include <tuple>

namespace torv {

namespace {

namespace fs = std::filesystem;

// A port name split into its kind and number: "ttyUSB12" is ("ttyUSB", 12).
struct PortKey {
    int kindRank;
    std::string kind;
    unsigned long number;
    std::string name;

    bool operator<(const PortKey& other) const
    {
        return std::tie(kindRank, kind, number, name) < std::tie(other.kindRank, other.kind, other.number, other.name);
    }
};

PortKey KeyOf(const std::string& name)
{
    size_t digits = name.size();
    while (digits > 0 && std::isdigit(static_cast<unsigned char>(name[digits - 1])) != 0) {
        --digits;
    }
    PortKey key{0, name.substr(0, digits), 0, name};
    const std::string_view number(name.data() + digits, name.size() - digits);
    for (const char digit : number.substr(0, 9)) {  // nine digits cannot overflow
        key.number = key.number * 10 + static_cast<unsigned long>(digit - '0');
    }
    static constexpr std::string_view kKnownKinds[] = {"ttyS", "ttyUSB", "ttyACM"};
    const auto known = std::find(std::begin(kKnownKinds), std::end(kKnownKinds), key.kind);
    key.kindRank = static_cast<int>(known - std::begin(kKnownKinds));
    return key;
}

// A legacy 8250 port reports type 0 (PORT_UNKNOWN) when no UART answers at its address.
bool UartAbsent(const fs::path& entry)
{
    std::ifstream type(entry / "type");
    int value = -1;
    return type >> value && value == 0;
}

bool IsUsablePort(const fs::path& entry)
{
    std::error_code error;
    if (!fs::exists(entry / "device", error)) {
        return false;  // virtual terminals, ptmx, console: no device behind them
    }
    const std::string name = entry.filename().string();
    return !(name.starts_with("ttyS") && UartAbsent(entry));
}

}  // namespace

void ListPorts(std::vector<std::string>& target, const std::string& sysfsRoot)
{
    target.clear();
    std::vector<PortKey> ports;
    std::error_code error;
    for (fs::directory_iterator it(fs::path(sysfsRoot) / "class" / "tty", error), end; !error && it != end;
         it.increment(error)) {
        if (IsUsablePort(it->path())) {
            ports.push_back(KeyOf(it->path().filename().string()));
        }
    }
    std::sort(ports.begin(), ports.end());
    for (const auto& port : ports) {
        target.push_back(port.name);
    }
}

std::string PortDevicePath(const std::string& portName)
{
    return portName.starts_with('/') ? portName : "/dev/" + portName;
}

std::string PortNameOf(const std::string& devicePath)
{
    constexpr std::string_view kDevices = "/dev/";
    if (devicePath.starts_with(kDevices) && devicePath.size() > kDevices.size())
        return devicePath.substr(kDevices.size());
    return devicePath;
}

}  // namespace torv
