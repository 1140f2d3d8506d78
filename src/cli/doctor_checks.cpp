#include "cli/doctor_checks.h"

#include <dirent.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <sstream>

#include <QCoreApplication>
#include <QObject>

#include "cli/cli_text.h"
#include "serial/rfc2217_device.h"
#include "serial/tty_device.h"
#include "serial/sio_comm.h"

namespace torv::cli {
namespace {

DoctorLine Line(const char* check, CheckStatus status, const QString& text, const QString& fix = {})
{
    return {check, status, Utf8(text), Utf8(fix)};
}

std::vector<std::string> FolderEntries(const std::string& folder)
{
    std::vector<std::string> names;
    if (DIR* dir = opendir(folder.c_str())) {
        while (const dirent* entry = readdir(dir))
            if (entry->d_name[0] != '.')
                names.emplace_back(entry->d_name);
        closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

bool ProgramRuns(const std::string& procRoot, const std::string& command)
{
    for (const std::string& pid : FolderEntries(procRoot)) {
        if (pid.find_first_not_of("0123456789") != std::string::npos)
            continue;
        std::ifstream file(procRoot + "/" + pid + "/comm");
        std::string name;
        if (std::getline(file, name) && name == command)
            return true;
    }
    return false;
}

std::string FileText(const std::string& path)
{
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

// A USB id as udev's PRODUCT variable writes it: hexadecimal without leading zeros.
std::string UdevId(const std::string& id)
{
    const unsigned long value = std::strtoul(id.c_str(), nullptr, 16);
    char text[8];
    std::snprintf(text, sizeof text, "%lx", value);
    return text;
}

std::string GroupName(gid_t gid)
{
    const group* entry = getgrgid(gid);
    return entry ? entry->gr_name : std::to_string(gid);
}

bool HasUsbIds(const PortIdentity& identity)
{
    return !identity.vendorId.empty() && !identity.productId.empty();
}

}  // namespace

const char* StatusWord(CheckStatus status)
{
    switch (status) {
    case CheckStatus::kOk: return "ok";
    case CheckStatus::kInfo: return "info";
    case CheckStatus::kWarning: return "warning";
    case CheckStatus::kFailed: return "failed";
    case CheckStatus::kNotCheckable: return "not-checkable";
    }
    return "failed";
}

DoctorLine CheckDevice(const std::string& devicePath, const SystemRoots& roots, PortIdentity& identity)
{
    struct stat info {};
    if (stat(devicePath.c_str(), &info) != 0)
        return Line("device", CheckStatus::kFailed, CliText::tr("%1 does not exist").arg(ToQString(devicePath)),
                    CliText::tr("check the adapter's cable and the port name (torvctl ports lists them); if the "
                                "adapter vanishes as it is plugged in, see brltty below"));
    if (!S_ISCHR(info.st_mode))
        return Line("device", CheckStatus::kFailed, CliText::tr("%1 is not a device").arg(ToQString(devicePath)),
                    CliText::tr("name a serial port (torvctl ports lists them)"));
    const std::string name = PortNameOf(devicePath);
    for (const PortIdentity& port : DiscoverPorts(roots.sys, roots.dev))
        if (port.name == name)
            identity = port;
    QString text = ToQString(devicePath);
    if (!identity.name.empty())
        text += QStringLiteral(": ") + ToQString(PortIdentityText(identity));
    else if (IsPseudoTerminal(devicePath))
        text += CliText::tr(": a pseudo-terminal (an emulator, or a serial server's local end)");
    if (const std::string byPath = LinkLeadingTo(roots.dev + "/serial/by-path", devicePath); !byPath.empty())
        text += QStringLiteral(", ") + ToQString(byPath);
    return Line("device", CheckStatus::kOk, text);
}

DoctorLine CheckPermissions(const std::string& devicePath, const UserGroups& user)
{
    struct stat info {};
    if (stat(devicePath.c_str(), &info) != 0)
        return Line("permissions", CheckStatus::kNotCheckable, CliText::tr("no device to look at"));
    const PortDiagnosis cause = DiagnosePort(devicePath, {PortOpenStep::kDevice, EACCES}, user);
    const auto has = [&](gid_t gid) {
        return std::find(user.active.begin(), user.active.end(), gid) != user.active.end();
    };
    const bool granted = user.uid == 0 ||
                         (user.uid == info.st_uid && (info.st_mode & S_IRUSR) && (info.st_mode & S_IWUSR)) ||
                         (has(info.st_gid) && (info.st_mode & S_IRGRP) && (info.st_mode & S_IWGRP)) ||
                         ((info.st_mode & S_IROTH) && (info.st_mode & S_IWOTH));
    if (granted)
        return Line("permissions", CheckStatus::kOk,
                    CliText::tr("user %1 may read and write it (mode %2, group %3)")
                        .arg(ToQString(user.userName), ToQString(cause.mode), ToQString(GroupName(info.st_gid))));
    if (cause.fault == PortFault::kGroupNotActive)
        return Line("permissions", CheckStatus::kFailed,
                    CliText::tr("user %1 was given the group %2, which may use it, but not in this session")
                        .arg(ToQString(user.userName), ToQString(cause.group)),
                    CliText::tr("log out and in again (or start a shell with: newgrp %1)").arg(ToQString(cause.group)));
    if (!cause.group.empty())
        return Line(
            "permissions", CheckStatus::kFailed,
            CliText::tr("user %1 may not use it: mode %2 grants reading and writing to the group %3")
                .arg(ToQString(user.userName), ToQString(cause.mode), ToQString(cause.group)),
            CliText::tr("sudo usermod -aG %1 \"$USER\", then log out and in again").arg(ToQString(cause.group)));
    return Line("permissions", CheckStatus::kFailed,
                CliText::tr("user %1 may not use it: mode %2 grants reading and writing only to its owner %3")
                    .arg(ToQString(user.userName), ToQString(cause.mode), ToQString(cause.owner)),
                CliText::tr("a udev rule with GROUP=\"dialout\", MODE=\"0660\" in /etc/udev/rules.d/ opens it to "
                            "that group"));
}

DoctorLine CheckHolders(const std::string& devicePath, const SystemRoots& roots)
{
    int error = 0;
    const bool free = tty::OpenTerminal(devicePath, error) != nullptr || error != EBUSY;
    const std::vector<PortHolder> holders =
        free ? FindHolders(devicePath, roots.proc)
             : DiagnosePort(devicePath, {PortOpenStep::kDevice, EBUSY}, ThisUser(), roots.proc).holders;
    QString names;
    for (const PortHolder& holder : holders)
        names += (names.isEmpty() ? QString() : QStringLiteral(", ")) +
                 CliText::tr("%1 (pid %2)").arg(ToQString(holder.program)).arg(holder.pid);
    // A program that has the port open without locking it (an emulator keeping its own
    // end alive, a monitor) does not keep this one out.
    if (free && holders.empty())
        return Line("holders", CheckStatus::kOk,
                    CliText::tr("no other program has it open (of the programs this user may look at)"));
    if (free)
        return Line("holders", CheckStatus::kInfo, CliText::tr("also open in %1, which does not lock it").arg(names));
    return Line("holders", CheckStatus::kFailed,
                holders.empty() ? CliText::tr("held by a program this user may not look at")
                                : CliText::tr("held by %1").arg(names),
                holders.empty() ? CliText::tr("find it with: sudo fuser -v %1").arg(ToQString(devicePath))
                                : CliText::tr("close that program, then try again"));
}

DoctorLine CheckModemManager(const std::string& devicePath, const PortIdentity& identity, const SystemRoots& roots)
{
    if (!ProgramRuns(roots.proc, "ModemManager"))
        return Line("modemmanager", CheckStatus::kOk, CliText::tr("ModemManager is not running"));
    struct stat info {};
    if (stat(devicePath.c_str(), &info) == 0) {
        const std::string data =
            roots.udevData + "/c" + std::to_string(major(info.st_rdev)) + ":" + std::to_string(minor(info.st_rdev));
        if (FileText(data).find("E:ID_MM_DEVICE_IGNORE=1") != std::string::npos)
            return Line("modemmanager", CheckStatus::kOk,
                        CliText::tr("ModemManager is running and told to leave this port alone"));
    }
    const std::string match =
        HasUsbIds(identity) ? "SUBSYSTEM==\"tty\", ATTRS{idVendor}==\"" + identity.vendorId +
                                  "\", ATTRS{idProduct}==\"" + identity.productId + "\""
                            : "SUBSYSTEM==\"tty\", KERNEL==\"" + devicePath.substr(devicePath.rfind('/') + 1) + "\"";
    return Line("modemmanager", CheckStatus::kWarning,
                CliText::tr("ModemManager is running and may probe the adapter when it is plugged in"),
                CliText::tr("put the line %1, ENV{ID_MM_DEVICE_IGNORE}=\"1\" into "
                            "/etc/udev/rules.d/99-torv-adapter.rules, then: sudo udevadm control --reload && "
                            "sudo udevadm trigger")
                    .arg(ToQString(match)));
}

DoctorLine CheckBrltty(const PortIdentity& identity, const SystemRoots& roots)
{
    // Chips brltty's rules claim for braille displays that are also common USB-serial
    // adapters: CH340, CP210x, FTDI FT232, PL2303.
    std::vector<std::string> chips{"1a86/7523/", "10c4/ea60/", "403/6001/", "67b/2303/"};
    if (HasUsbIds(identity))
        chips = {UdevId(identity.vendorId) + "/" + UdevId(identity.productId) + "/"};
    bool installed = false;
    std::vector<std::string> claimed;
    for (const std::string& folder : roots.udevRules) {
        for (const std::string& name : FolderEntries(folder)) {
            if (name.find("brltty") == std::string::npos)
                continue;
            installed = true;
            const std::string rules = FileText(folder + "/" + name);
            for (const std::string& chip : chips)
                if (rules.find("\"" + chip) != std::string::npos &&
                    std::find(claimed.begin(), claimed.end(), chip) == claimed.end())
                    claimed.push_back(chip);
        }
    }
    if (!installed)
        return Line("brltty", CheckStatus::kOk, CliText::tr("brltty is not installed"));
    if (claimed.empty())
        return Line("brltty", CheckStatus::kOk, CliText::tr("brltty is installed; its rules leave this adapter alone"));
    QString ids;
    for (std::string chip : claimed)
        ids += (ids.isEmpty() ? QString() : QStringLiteral(", ")) + ToQString(chip.substr(0, chip.size() - 1));
    return Line("brltty", CheckStatus::kWarning,
                CliText::tr("brltty's udev rules claim USB-serial chips (%1): brltty may take the adapter away as "
                            "it is plugged in")
                    .arg(ids),
                CliText::tr("without a braille display: sudo apt-get remove brltty"));
}

DoctorLine CheckLine(const std::string& devicePath, bool& opened)
{
    TSioComm port;
    ApplyProgrammerPortSettings(port);
    port.SetDeviceName(devicePath);
    opened = false;
    try {
        port.OpenPort();
    } catch (const ESioCommError& error) {
        if (error.OpenFailure().step == PortOpenStep::kLineSettings)
            return Line("line", CheckStatus::kFailed,
                        CliText::tr("2400 bit/s 8E1 was refused by the port's driver (%1)").arg(error.what()),
                        CliText::tr("use an adapter that does even parity at 2400 bit/s"));
        return Line("line", CheckStatus::kFailed, CliText::tr("the port cannot be opened (%1)").arg(error.what()));
    } catch (const std::exception& error) {
        return Line("line", CheckStatus::kFailed, CliText::tr("the port cannot be opened (%1)").arg(error.what()));
    }
    opened = true;
    port.ClosePort();
    if (tty::IsRfc2217Name(devicePath))
        return Line("line", CheckStatus::kOk, CliText::tr("the serial server took 2400 bit/s 8E1"));
    if (IsPseudoTerminal(devicePath))
        return Line("line", CheckStatus::kNotCheckable,
                    CliText::tr("a pseudo-terminal takes any line settings and ignores parity"));
    return Line("line", CheckStatus::kOk, CliText::tr("2400 bit/s 8E1 set and read back"));
}

DoctorLine CheckLoopback(const std::string& devicePath)
{
    TSioComm port;
    ApplyProgrammerPortSettings(port);
    // TX bridged to RX leaves CTS unwired: the output must not wait for it.
    port.FlowControl().SetOutCtsFlow(false);
    port.SetDeviceName(devicePath);
    int lineErrors = 0;
    QObject receiver;
    port.OnError.Connect(&receiver, [&lineErrors](TSioComm*, int flags) {
        if (flags & (line_error::kParity | line_error::kFrame | line_error::kOverrun | line_error::kBreak))
            ++lineErrors;
    });
    std::array<std::uint8_t, 256> sent;
    for (std::size_t value = 0; value < sent.size(); ++value)
        sent[value] = static_cast<std::uint8_t>(value);
    std::vector<std::uint8_t> received;
    try {
        port.OpenPort();
        port.PurgeAll();
        port.WriteBytes(sent.data(), static_cast<int>(sent.size()));
        // 256 bytes of 11 bits take 1.2 s at 2400 bit/s; allow for a slow adapter.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(4);
        std::array<std::uint8_t, 256> piece;
        while (received.size() < sent.size() && std::chrono::steady_clock::now() < deadline) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            const int count = port.ReadBytes(piece.data(), static_cast<int>(piece.size()));
            received.insert(received.end(), piece.begin(), piece.begin() + std::max(count, 0));
        }
        QCoreApplication::processEvents();
        port.ClosePort();
    } catch (const std::exception& error) {
        return Line("loopback", CheckStatus::kFailed,
                    CliText::tr("the loopback could not be run (%1)").arg(error.what()));
    }
    int wrong = 0;
    for (std::size_t i = 0; i < std::min(received.size(), sent.size()); ++i)
        wrong += received[i] != sent[i] ? 1 : 0;
    if (received.size() == sent.size() && wrong == 0 && lineErrors == 0)
        return Line("loopback", CheckStatus::kOk,
                    CliText::tr("all 256 byte values came back unchanged at 2400 bit/s 8E1, without a line error"));
    return Line("loopback", CheckStatus::kFailed,
                CliText::tr("of 256 byte values sent, %1 came back, %2 of them changed; %3 line errors (parity, "
                            "framing, overrun)")
                    .arg(received.size())
                    .arg(wrong)
                    .arg(lineErrors),
                CliText::tr("bridge TX and RX of the adapter; if they are bridged, this adapter does not do 2400 "
                            "bit/s with even parity: use another"));
}

}  // namespace torv::cli
