#include "cli/doctor_command.h"

#include <sstream>

#include <QJsonArray>
#include <QJsonObject>

#include "cli/arguments.h"
#include "cli/cli_text.h"
#include "cli/doctor_checks.h"
#include "cli/exchange_session.h"
#include "cli/results.h"
#include "cli/write_steps.h"
#include "serial/rfc2217_device.h"

namespace torv::cli {
namespace {

struct PortReport {
    std::string devicePath;
    std::vector<DoctorLine> lines;
    int exitCode = kExitPortUnavailable;
};

// The adapter's identification and the transmitter behind it, by a read that answers
// every prompt Cancel and records nothing.
void CheckAdapter(PortReport& report)
{
    std::ostringstream quiet;
    const Console console{quiet, quiet, nullptr};
    const Arguments arguments({"--port", report.devicePath}, LineOptionsAnd());
    Session session(arguments, console);
    const std::optional<CommandFailure> failure = session.Read();
    const std::string identification = session.Exchange().AdapterIdentification();
    if (failure && failure->exitCode == kExitPortUnavailable) {
        report.lines.push_back({"adapter", CheckStatus::kFailed, failure->message, {}});
        return;
    }
    const char letter = failure && failure->prompt ? PromptLetter(*failure->prompt) : 0;
    if (identification.empty() || letter == 'A' || letter == 'B') {
        report.exitCode = kExitExchangeFailed;
        report.lines.push_back({"adapter", CheckStatus::kFailed,
                                Utf8(CliText::tr("no adapter answered the identification (0x55)")),
                                Utf8(CliText::tr("check that the adapter is powered and that this is its port"))});
        return;
    }
    report.exitCode = kExitOk;
    // The reply as far as it had come when the adapter's word was found in it.
    const QString answered = ToQString(identification).trimmed();
    report.lines.push_back(
        {"adapter", CheckStatus::kOk, Utf8(CliText::tr("the adapter answered: \"%1\"").arg(answered)), {}});
    if (!failure) {
        const TransmitterState unit = session.Transmitter();
        report.lines.push_back({"transmitter",
                                CheckStatus::kOk,
                                Utf8(CliText::tr("device type %1, serial number %2, firmware %3")
                                         .arg(unit.deviceType)
                                         .arg(ToQString(unit.serial), ToQString(unit.version))),
                                {}});
    } else if (letter == 'E') {
        report.lines.push_back(
            {"transmitter", CheckStatus::kInfo, Utf8(CliText::tr("adapter present, no transmitter")), {}});
    } else {
        report.lines.push_back({"transmitter", CheckStatus::kFailed, failure->message, {}});
    }
}

PortReport CheckPort(const std::string& devicePath, bool loopback, const UserGroups& user)
{
    const SystemRoots roots;
    PortReport report;
    report.devicePath = devicePath;
    PortIdentity identity;
    const bool network = tty::IsRfc2217Name(devicePath);
    if (!network) {
        report.lines.push_back(CheckDevice(devicePath, roots, identity));
        const bool present = report.lines.back().status == CheckStatus::kOk;
        if (present) {
            report.lines.push_back(CheckPermissions(devicePath, user));
            report.lines.push_back(CheckHolders(devicePath, roots));
        }
        report.lines.push_back(CheckModemManager(devicePath, identity, roots));
        report.lines.push_back(CheckBrltty(identity, roots));
        if (!present)
            return report;
    }
    bool opened = false;
    report.lines.push_back(CheckLine(devicePath, opened));
    if (!opened)
        return report;
    if (loopback) {
        report.lines.push_back(CheckLoopback(devicePath));
        report.exitCode = report.lines.back().status == CheckStatus::kOk ? kExitOk : kExitExchangeFailed;
        return report;
    }
    CheckAdapter(report);
    return report;
}

void PrintReport(const PortReport& report, std::ostream& out)
{
    out << Utf8(CliText::tr("port %1:").arg(ToQString(report.devicePath))) << "\n";
    for (const DoctorLine& line : report.lines) {
        out << "  " << line.check << ": " << StatusWord(line.status) << ": " << line.text << "\n";
        if (!line.fix.empty())
            out << "    " << Utf8(CliText::tr("fix: %1").arg(ToQString(line.fix))) << "\n";
    }
}

QJsonObject ReportJson(const PortReport& report)
{
    QJsonArray checks;
    for (const DoctorLine& line : report.lines)
        checks.append(QJsonObject{{"check", ToQString(line.check)},
                                  {"status", StatusWord(line.status)},
                                  {"text", ToQString(line.text)},
                                  {"fix", ToQString(line.fix)}});
    return QJsonObject{{"port", ToQString(report.devicePath)}, {"exitCode", report.exitCode}, {"checks", checks}};
}

}  // namespace

int RunDoctor(const std::vector<std::string>& args, const Console& console)
{
    const Arguments arguments(args, {{"--port", true}, {"--loopback"}, {"--json"}});
    if (!arguments.Positional().empty())
        throw UsageError(Utf8(CliText::tr("%1 takes no positional arguments").arg("doctor")));
    std::vector<std::string> devicePaths;
    if (const std::optional<std::string> port = arguments.Value("--port")) {
        if (port->empty())
            throw UsageError(Utf8(CliText::tr("--port needs a port name or a device path (torvctl ports lists them)")));
        devicePaths.push_back(PortDevicePath(*port));
    } else {
        for (const PortIdentity& found : DiscoverPorts())
            devicePaths.push_back(PortDevicePath(found.name));
    }
    const UserGroups user = ThisUser();
    std::vector<PortReport> reports;
    for (const std::string& path : devicePaths)
        reports.push_back(CheckPort(path, arguments.Has("--loopback"), user));
    // The best a port reached: one that works is what the operator looks for.
    int exitCode = kExitPortUnavailable;
    for (const PortReport& report : reports)
        if (report.exitCode == kExitOk || (report.exitCode == kExitExchangeFailed && exitCode != kExitOk))
            exitCode = report.exitCode;
    if (arguments.Has("--json")) {
        QJsonArray ports;
        for (const PortReport& report : reports)
            ports.append(ReportJson(report));
        PrintJson(QJsonObject{{"exitCode", exitCode}, {"ports", ports}}, console.out);
        return exitCode;
    }
    if (reports.empty())
        console.out << Utf8(CliText::tr("no serial ports found: plug the adapter in, or name it with --port")) << "\n";
    for (const PortReport& report : reports)
        PrintReport(report, console.out);
    return exitCode;
}

}  // namespace torv::cli
