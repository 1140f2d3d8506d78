#include "cli/port_advice.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "cli/cli_text.h"

namespace torv::cli {
namespace {

QString HoldersText(const PortDiagnosis& diagnosis)
{
    if (diagnosis.holders.empty())
        return CliText::tr(
                   "%1 is held by another program (one this user may not look at); close it, or find it "
                   "with: sudo fuser -v %1")
            .arg(ToQString(diagnosis.devicePath));
    QString names;
    for (const PortHolder& holder : diagnosis.holders)
        names += (names.isEmpty() ? QString() : QStringLiteral(", ")) +
                 CliText::tr("%1 (pid %2)").arg(ToQString(holder.program)).arg(holder.pid);
    return CliText::tr("%1 is held by another program: %2; close it and try again")
        .arg(ToQString(diagnosis.devicePath), names);
}

}  // namespace

std::string PortAdvice(const PortDiagnosis& diagnosis, const std::string& openError)
{
    const QString path = ToQString(diagnosis.devicePath);
    switch (diagnosis.fault) {
    case PortFault::kMissing:
        return Utf8(
            CliText::tr("%1 does not exist: check the port name (torvctl ports lists them) and the cable").arg(path));
    case PortFault::kHeld: return Utf8(HoldersText(diagnosis));
    case PortFault::kNoPermission:
        if (!diagnosis.group.empty())
            return Utf8(CliText::tr("no permission to use %1 (mode %2): it grants reading and writing to the group "
                                    "\"%3\"; add yourself with: sudo usermod -aG %3 \"$USER\" (then log in again)")
                            .arg(path, ToQString(diagnosis.mode), ToQString(diagnosis.group)));
        return Utf8(CliText::tr("no permission to use %1 (mode %2): it grants reading and writing only to its owner "
                                "\"%3\"; a udev rule that gives the device a group (for example GROUP=\"dialout\", "
                                "MODE=\"0660\" in /etc/udev/rules.d/) opens it to that group, or run torvctl as \"%3\"")
                        .arg(path, ToQString(diagnosis.mode), ToQString(diagnosis.owner)));
    case PortFault::kGroupNotActive:
        return Utf8(CliText::tr("no permission to use %1 in this session: you were added to the group \"%2\", which "
                                "may use it, after this session began; log out and in again (or start a shell "
                                "with: newgrp %2)")
                        .arg(path, ToQString(diagnosis.group)));
    case PortFault::kLineSettingsRefused:
        return Utf8(CliText::tr("%1 cannot be set to 2400 bit/s, 8 data bits, even parity, 1 stop bit: its driver "
                                "refused the line settings (%2); use an adapter that does even parity at 2400 bit/s")
                        .arg(path, ToQString(openError)));
    case PortFault::kNetwork: return openError;
    case PortFault::kUnknown: break;
    }
    return Utf8(
        CliText::tr("%1 is in use by another program, or is not a serial port (%2)").arg(path, ToQString(openError)));
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
    return std::string(std::strerror(errno)) +
           Utf8(errno == EMFILE ? CliText::tr(" (this program's limit: raise it with ulimit -n)")
                                : CliText::tr(" (the system's limit)"));
}

}  // namespace torv::cli
