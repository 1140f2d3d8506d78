#include "cli/port_advice.h"

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "cli/cli_text.h"

namespace torv::cli {
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

std::string ModeText(mode_t mode)
{
    char text[8];
    std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(mode & 07777));
    return text;
}

}  // namespace

Caller ThisProcess()
{
    Caller caller{geteuid(), {getegid()}};
    const int count = getgroups(0, nullptr);
    if (count > 0) {
        std::vector<gid_t> groups(static_cast<std::size_t>(count));
        const int got = getgroups(count, groups.data());
        if (got > 0)
            caller.groups.insert(caller.groups.end(), groups.begin(), groups.begin() + got);
    }
    return caller;
}

bool ModeGrantsReadWrite(mode_t mode, uid_t owner, gid_t group, const Caller& caller)
{
    if (caller.uid == 0)
        return true;
    mode_t bits = S_IROTH | S_IWOTH;
    if (caller.uid == owner)
        bits = S_IRUSR | S_IWUSR;
    else if (std::find(caller.groups.begin(), caller.groups.end(), group) != caller.groups.end())
        bits = S_IRGRP | S_IWGRP;
    return (mode & bits) == bits;
}

std::optional<std::string> DiagnoseDevice(const std::string& devicePath, const Caller& caller)
{
    struct stat info {};
    if (stat(devicePath.c_str(), &info) != 0)
        return Utf8(CliText::tr("%1 does not exist: check the port name (torvctl ports lists them) and the cable")
                        .arg(Q(devicePath)));
    if (ModeGrantsReadWrite(info.st_mode, info.st_uid, info.st_gid, caller))
        return std::nullopt;
    const std::string mode = ModeText(info.st_mode);
    if ((info.st_mode & (S_IRGRP | S_IWGRP)) == (S_IRGRP | S_IWGRP)) {
        const std::string name = GroupName(info.st_gid);
        return Utf8(CliText::tr("no permission to use %1 (mode %2): it grants reading and writing to the group "
                                "\"%3\"; add yourself with: sudo usermod -aG %3 \"$USER\" (then log in again)")
                        .arg(Q(devicePath), Q(mode), Q(name)));
    }
    const std::string owner = UserName(info.st_uid);
    return Utf8(CliText::tr("no permission to use %1 (mode %2): it grants reading and writing only to its owner "
                            "\"%3\"; a udev rule that gives the device a group (for example GROUP=\"dialout\", "
                            "MODE=\"0660\" in /etc/udev/rules.d/) opens it to that group, or run torvctl as \"%3\"")
                    .arg(Q(devicePath), Q(mode), Q(owner)));
}

std::optional<std::string> FileLimitReached()
{
    const int probe = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (probe >= 0) {
        ::close(probe);
        return std::nullopt;
    }
    if (errno != EMFILE && errno != ENFILE)
        return std::nullopt;
    const QString reason = Q(std::strerror(errno));
    return Utf8(errno == EMFILE ? CliText::tr("%1 (this program's limit: raise it with ulimit -n)").arg(reason)
                                : CliText::tr("%1 (the system's limit)").arg(reason));
}

}  // namespace torv::cli
