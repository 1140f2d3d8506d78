#include "serial/port_discovery.h"

#include "serial/rfc2217_device.h"

#include <glob.h>

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
    // USB adapters first, built-in UARTs (often a console, or absent) last.
    key.kindRank = key.kind == "ttyUSB" ? 0 : key.kind == "ttyACM" ? 1 : key.kind == "ttyS" ? 3 : 2;
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

// The first line of an attribute file, without its line break; empty when unreadable.
std::string Attribute(const fs::path& file)
{
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    return line;
}

// The driver of the hardware behind a port. Since Linux 6.5 a UART's tty hangs under the
// serial core's own "port" and "ctrl" devices (bus serial-base); the hardware is above them.
std::string DriverOf(fs::path device)
{
    for (; !device.empty() && device != device.root_path(); device = device.parent_path()) {
        std::error_code error;
        const fs::path target = fs::read_symlink(device / "driver", error);
        if (error) {
            return {};
        }
        if (target.parent_path().parent_path().filename() != "serial-base") {
            return target.filename().string();
        }
    }
    return {};
}

// The USB device a port belongs to: the nearest directory above it with an idVendor.
void ReadUsbIdentity(const fs::path& device, PortIdentity& port)
{
    std::error_code error;
    for (fs::path dir = device; !dir.empty() && dir != dir.root_path(); dir = dir.parent_path()) {
        if (fs::exists(dir / "idVendor", error)) {
            port.vendorId = Attribute(dir / "idVendor");
            port.productId = Attribute(dir / "idProduct");
            port.manufacturer = Attribute(dir / "manufacturer");
            port.product = Attribute(dir / "product");
            port.serial = Attribute(dir / "serial");
            return;
        }
    }
}

PortIdentity IdentityOf(const fs::path& entry)
{
    PortIdentity port;
    port.name = entry.filename().string();
    std::error_code error;
    const fs::path device = fs::canonical(entry / "device", error);
    if (error) {
        return port;
    }
    port.driver = DriverOf(device);
    ReadUsbIdentity(device, port);
    return port;
}

// Port name -> its link under <devRoot>/serial/by-id (links are relative, as udev makes them).
void FindByIdLinks(const fs::path& devRoot, std::vector<PortIdentity>& ports)
{
    std::error_code error;
    const fs::path byId = devRoot / "serial" / "by-id";
    for (fs::directory_iterator it(byId, error), end; !error && it != end; it.increment(error)) {
        std::error_code linkError;
        const fs::path target = fs::read_symlink(it->path(), linkError);
        if (linkError) {
            continue;
        }
        const fs::path device = (target.is_absolute() ? target : byId / target).lexically_normal();
        for (PortIdentity& port : ports) {
            if (port.byIdLink.empty() && device == (devRoot / port.name).lexically_normal()) {
                port.byIdLink = ("/dev/serial/by-id" / it->path().filename()).string();
            }
        }
    }
}

}  // namespace

std::vector<PortIdentity> DiscoverPorts(const std::string& sysfsRoot, const std::string& devRoot)
{
    std::vector<std::pair<PortKey, fs::path>> entries;
    std::error_code error;
    for (fs::directory_iterator it(fs::path(sysfsRoot) / "class" / "tty", error), end; !error && it != end;
         it.increment(error)) {
        if (IsUsablePort(it->path())) {
            entries.emplace_back(KeyOf(it->path().filename().string()), it->path());
        }
    }
    std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<PortIdentity> ports;
    for (const auto& entry : entries) {
        ports.push_back(IdentityOf(entry.second));
    }
    FindByIdLinks(devRoot, ports);
    return ports;
}

void ListPorts(std::vector<std::string>& target, const std::string& sysfsRoot)
{
    target.clear();
    for (const PortIdentity& port : DiscoverPorts(sysfsRoot)) {
        target.push_back(port.name);
    }
}

std::vector<std::pair<std::string, std::string>> PortIdentityFields(const PortIdentity& port)
{
    const std::pair<const char*, const std::string*> all[] = {
        {"driver", &port.driver},        {"vendor_id", &port.vendorId},
        {"product_id", &port.productId}, {"manufacturer", &port.manufacturer},
        {"product", &port.product},      {"serial", &port.serial},
        {"by_id", &port.byIdLink},
    };
    std::vector<std::pair<std::string, std::string>> fields;
    for (const auto& [key, value] : all) {
        if (!value->empty()) {
            fields.emplace_back(key, *value);
        }
    }
    return fields;
}

std::string PortIdentityText(const PortIdentity& port)
{
    std::vector<std::string> parts;
    if (!port.driver.empty()) {
        parts.push_back(port.driver);
    }
    if (!port.vendorId.empty()) {
        parts.push_back("USB " + port.vendorId + ":" + port.productId);
    }
    std::string name = port.manufacturer;
    if (!port.product.empty()) {
        name += (name.empty() ? "" : " ") + port.product;
    }
    if (!name.empty()) {
        parts.push_back(name);
    }
    if (!port.serial.empty()) {
        parts.push_back("serial " + port.serial);
    }
    if (!port.byIdLink.empty()) {
        parts.push_back(port.byIdLink);
    }
    std::string text;
    for (const std::string& part : parts) {
        text += (text.empty() ? "" : ", ") + part;
    }
    return text;
}

std::string LinkLeadingTo(const std::string& folder, const std::string& devicePath)
{
    std::error_code error;
    const fs::path device = fs::canonical(devicePath, error);
    if (error)
        return {};
    std::vector<std::string> names;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        names.push_back(it->path().filename().string());
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        std::error_code linkError;
        if (fs::canonical(fs::path(folder) / name, linkError) == device && !linkError)
            return folder + "/" + name;
    }
    return {};
}

std::string StationName(const std::string& devicePath, const std::string& devRoot)
{
    const std::string link = LinkLeadingTo(devRoot + "/serial/by-path", devicePath);
    if (link.empty())
        return PortNameOf(devicePath);
    return "/dev/serial/by-path/" + fs::path(link).filename().string();
}

std::vector<std::string> PortsMatching(const std::string& pattern, const std::string& devRoot)
{
    const std::string full = pattern.starts_with('/') ? pattern : devRoot + "/" + pattern;
    glob_t found{};
    std::vector<std::pair<PortKey, std::string>> matches;
    if (glob(full.c_str(), 0, nullptr, &found) == 0) {
        for (size_t i = 0; i < found.gl_pathc; ++i) {
            const std::string path = found.gl_pathv[i];
            matches.emplace_back(KeyOf(fs::path(path).filename().string()), path);
        }
    }
    globfree(&found);
    std::sort(matches.begin(), matches.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::string> paths;
    for (const auto& match : matches)
        paths.push_back(match.second);
    return paths;
}

std::string PortDevicePath(const std::string& portName)
{
    return portName.starts_with('/') || tty::IsRfc2217Name(portName) ? portName : "/dev/" + portName;
}

std::string PortNameOf(const std::string& devicePath)
{
    if (tty::IsRfc2217Name(devicePath))
        return devicePath;
    std::string path;
    for (const char c : devicePath) {
        if (c != '/' || !path.ends_with('/'))
            path.push_back(c);
    }
    constexpr std::string_view kDevices = "/dev/";
    if (path.starts_with(kDevices) && path.size() > kDevices.size())
        return path.substr(kDevices.size());
    return path;
}

}  // namespace torv
