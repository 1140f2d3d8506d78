#pragma once
// Why a serial port could not be opened: the device is missing, another program holds
// it, this user may not use it (or may, but not in this login session), or it refused
// the line settings. Only looks; nothing here opens the port.

#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

#include "serial/sio_error.h"

namespace torv {

// Who asks, as the system's user database and this session know it.
struct UserGroups {
    uid_t uid = 0;
    std::string userName;
    std::vector<gid_t> active;   // the groups this process is in
    std::vector<gid_t> granted;  // the groups the user database gives the user (getgrouplist)
};

// This process's user: its groups now, and those the user database grants (so NSS and
// LDAP groups count).
UserGroups ThisUser();

// A program that has the device open.
struct PortHolder {
    pid_t pid = 0;
    std::string program;  // its command name
};

enum class PortFault {
    kUnknown,              // nothing found that explains it
    kMissing,              // no such device
    kHeld,                 // another program has it open (holders: those this user may see)
    kNoPermission,         // the device's mode does not grant this user reading and writing
    kGroupNotActive,       // the group that grants it is the user's, but not in this session
    kLineSettingsRefused,  // it opened but did not take 2400 bit/s 8E1
    kNetwork,              // a network serial server, unreachable or not speaking RFC 2217
};

struct PortDiagnosis {
    PortFault fault = PortFault::kUnknown;
    std::string devicePath;
    std::vector<PortHolder> holders;
    std::string group;  // no permission, not active: the group whose members may use it
    std::string owner;  // no permission, and the mode grants only its owner: that user
    std::string mode;   // no permission: the device's mode, "0660"
    int code = 0;       // the system's error number, where one was given
};

// Where the holders are looked for: the processes under procRoot ("/proc").
std::vector<PortHolder> FindHolders(const std::string& devicePath, const std::string& procRoot = "/proc");

// The cause of failure, as far as the device file, its mode, user and processes tell.
PortDiagnosis DiagnosePort(const std::string& devicePath, const PortOpenFailure& failure, const UserGroups& user,
                           const std::string& procRoot = "/proc");

// True for a pseudo-terminal, which takes any line settings and ignores parity.
bool IsPseudoTerminal(const std::string& devicePath);

}  // namespace torv
