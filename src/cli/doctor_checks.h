#pragma once
// The port doctor's look at the system: the device and its USB identity, permissions,
// who holds it, ModemManager and brltty, and the line itself. Each check gives one line
// and, where there is one, the one-line fix.

#include <string>
#include <vector>

#include "serial/port_diagnosis.h"
#include "serial/port_discovery.h"

namespace torv::cli {

enum class CheckStatus { kOk, kInfo, kWarning, kFailed, kNotCheckable };

struct DoctorLine {
    std::string check;  // "device", "permissions", "holders", "modemmanager", "brltty", "line", ...
    CheckStatus status = CheckStatus::kOk;
    std::string text;
    std::string fix;  // "" when there is none
};

// "ok", "info", "warning", "failed", "not-checkable": the JSON form.
const char* StatusWord(CheckStatus status);

// Where the doctor looks: the real system unless a test points elsewhere.
struct SystemRoots {
    std::string sys = "/sys";
    std::string dev = "/dev";
    std::string proc = "/proc";
    std::string udevData = "/run/udev/data";
    std::vector<std::string> udevRules = {"/usr/lib/udev/rules.d", "/lib/udev/rules.d", "/etc/udev/rules.d"};
};

// The device: present, with its identity (driver, USB ids and strings, by-id and by-path
// names). identity is filled where the system lists the port.
DoctorLine CheckDevice(const std::string& devicePath, const SystemRoots& roots, PortIdentity& identity);
DoctorLine CheckPermissions(const std::string& devicePath, const UserGroups& user);
DoctorLine CheckHolders(const std::string& devicePath, const SystemRoots& roots);
// ModemManager running, and whether udev told it to leave this port alone.
DoctorLine CheckModemManager(const std::string& devicePath, const PortIdentity& identity, const SystemRoots& roots);
// brltty installed with udev rules that claim this adapter's (or a generic) USB-serial chip.
DoctorLine CheckBrltty(const PortIdentity& identity, const SystemRoots& roots);
// 2400 bit/s 8E1 set and read back; a pseudo-terminal is not checkable. opened tells
// whether the port could be opened at all.
DoctorLine CheckLine(const std::string& devicePath, bool& opened);
// All 256 byte values sent at 2400 8E1 through TX bridged to RX, and compared.
DoctorLine CheckLoopback(const std::string& devicePath);

}  // namespace torv::cli
