#include "serial/port_diagnosis.h"

#include <dirent.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "serial/tty_port.h"

namespace torv {
namespace {

std::string GroupName(gid_t gid)
{
    const group* entry = getgrgid(gid);
    return entry ? entry->gr_name : std::to_string(gid);
}

std::string UserName(uid_t uid)
{
    const passwd* entry = getpwuid(uid);
    return entry ? entry->pw_name : std::to_string(uid);
}

bool Holds(const std::vector<gid_t>& groups, gid_t gid)
{
    return std::find(groups.begin(), groups.end(), gid) != groups.end();
}

bool AllDigits(const char* name)
{
    return *name != '\0' &&
           std::all_of(name, name + std::char_traits<char>::length(name), [](char c) { return c >= '0' && c <= '9'; });
}

std::vector<std::string> Entries(const std::string& folder)
{
    std::vector<std::string> names;
    if (DIR* dir = opendir(folder.c_str())) {
        while (const dirent* entry = readdir(dir))
            if (AllDigits(entry->d_name))
                names.emplace_back(entry->d_name);
        closedir(dir);
    }
    return names;
}

std::string CommandName(const std::string& processFolder)
{
    std::ifstream file(processFolder + "/comm");
    std::string name;
    std::getline(file, name);
    return name;
}

// The mode bits that grant reading and writing to user, with the group that would grant
// them when it is not the user's.
PortDiagnosis PermissionCause(const std::string& devicePath, const struct stat& info, const UserGroups& user)
{
    PortDiagnosis diagnosis;
    diagnosis.fault = PortFault::kNoPermission;
    diagnosis.devicePath = devicePath;
    char mode[8];
    std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(info.st_mode & 07777));
    diagnosis.mode = mode;
    constexpr mode_t kGroupReadWrite = S_IRGRP | S_IWGRP;
    if ((info.st_mode & kGroupReadWrite) == kGroupReadWrite) {
        diagnosis.group = GroupName(info.st_gid);
        if (Holds(user.granted, info.st_gid) && !Holds(user.active, info.st_gid))
            diagnosis.fault = PortFault::kGroupNotActive;
    } else {
        diagnosis.owner = UserName(info.st_uid);
    }
    return diagnosis;
}

// The processes with a lock on the file (flock or fcntl), from <procRoot>/locks, whose
// lines name the file as "MAJOR:MINOR:INODE" of its file system (hexadecimal numbers).
std::vector<pid_t> LockHolders(const struct stat& file, const std::string& procRoot)
{
    char name[64];
    std::snprintf(name, sizeof name, "%02x:%02x:%llu", ::major(file.st_dev), ::minor(file.st_dev),
                  static_cast<unsigned long long>(file.st_ino));
    std::vector<pid_t> pids;
    std::ifstream locks(procRoot + "/locks");
    for (std::string line; std::getline(locks, line);) {
        std::istringstream fields(line);
        std::string number, kind, advisory, access, pid, lockedFile;
        if (fields >> number >> kind >> advisory >> access >> pid >> lockedFile && lockedFile == name)
            pids.push_back(static_cast<pid_t>(std::strtol(pid.c_str(), nullptr, 10)));
    }
    return pids;
}

}  // namespace

UserGroups ThisUser()
{
    UserGroups user{geteuid(), UserName(geteuid()), {getegid()}, {}};
    const int count = getgroups(0, nullptr);
    if (count > 0) {
        std::vector<gid_t> groups(static_cast<std::size_t>(count));
        const int got = getgroups(count, groups.data());
        user.active.insert(user.active.end(), groups.begin(), groups.begin() + std::max(got, 0));
    }
    if (const passwd* entry = getpwuid(user.uid)) {
        int size = 32;
        for (int attempt = 0; attempt < 4; ++attempt) {
            std::vector<gid_t> groups(static_cast<std::size_t>(size));
            int found = size;
            if (getgrouplist(entry->pw_name, entry->pw_gid, groups.data(), &found) >= 0) {
                user.granted.assign(groups.begin(), groups.begin() + found);
                break;
            }
            size = std::max(found, size * 2);
        }
    }
    return user;
}

std::vector<PortHolder> FindHolders(const std::string& devicePath, const std::string& procRoot)
{
    struct stat device {};
    if (stat(devicePath.c_str(), &device) != 0 || !S_ISCHR(device.st_mode))
        return {};
    std::vector<PortHolder> holders;
    for (const std::string& pid : Entries(procRoot)) {
        const std::string process = procRoot + "/" + pid;
        for (const std::string& fd : Entries(process + "/fd")) {
            struct stat target {};
            if (stat((process + "/fd/" + fd).c_str(), &target) == 0 && S_ISCHR(target.st_mode) &&
                target.st_rdev == device.st_rdev) {
                holders.push_back({static_cast<pid_t>(std::stol(pid)), CommandName(process)});
                break;
            }
        }
    }
    return holders;
}

PortDiagnosis DiagnosePort(const std::string& devicePath, const PortOpenFailure& failure, const UserGroups& user,
                           const std::string& procRoot)
{
    PortDiagnosis diagnosis;
    diagnosis.devicePath = devicePath;
    diagnosis.code = failure.code;
    switch (failure.step) {
    case PortOpenStep::kNone: return diagnosis;
    case PortOpenStep::kNetwork: diagnosis.fault = PortFault::kNetwork; return diagnosis;
    case PortOpenStep::kLineSettings: diagnosis.fault = PortFault::kLineSettingsRefused; return diagnosis;
    case PortOpenStep::kDevice: break;
    }
    struct stat info {};
    if (failure.code == ENOENT || failure.code == ENODEV || failure.code == ENXIO ||
        stat(devicePath.c_str(), &info) != 0) {
        diagnosis.fault = PortFault::kMissing;
        return diagnosis;
    }
    if (failure.code == EACCES || failure.code == EPERM) {
        PortDiagnosis cause = PermissionCause(devicePath, info, user);
        cause.code = failure.code;
        return cause;
    }
    if (failure.code == EBUSY) {
        diagnosis.fault = PortFault::kHeld;
        diagnosis.holders = FindHolders(devicePath, procRoot);
        // Where the lock is known, its holder is the one that keeps the port; the others
        // merely have it open.
        const std::vector<pid_t> lockers = LockHolders(info, procRoot);
        const auto locks = [&](const PortHolder& holder) {
            return std::find(lockers.begin(), lockers.end(), holder.pid) != lockers.end();
        };
        if (std::any_of(diagnosis.holders.begin(), diagnosis.holders.end(), locks))
            std::erase_if(diagnosis.holders, [&](const PortHolder& holder) { return !locks(holder); });
    }
    return diagnosis;
}

bool IsPseudoTerminal(const std::string& devicePath)
{
    struct stat info {};
    if (stat(devicePath.c_str(), &info) != 0 || !S_ISCHR(info.st_mode))
        return false;
    return tty::IsPseudoTerminalNumber(info.st_rdev);
}

}  // namespace torv
