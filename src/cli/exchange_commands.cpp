#include "cli/exchange_commands.h"

#include <sys/stat.h>
#include <unistd.h>

#include <grp.h>

#include <cerrno>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <optional>

#include "cli/arguments.h"
#include "cli/terminal_host.h"
#include "cli/traced_port.h"
#include "device/frequency_codec.h"
#include "device/info_text.h"
#include "device/parameters.h"
#include "emulator/adapter_emulator.h"
#include "exchange/exchange_texts.h"
#include "exchange/programming_exchange.h"
#include "exchange/sio_exchange_port.h"
#include "exchange/write_preparation.h"
#include "serial/port_discovery.h"
#include "serial/sio_comm.h"

namespace torv::cli {
namespace {

const std::vector<OptionSpec> kLineOptions = {{"--port", true}, {"--demo"}, {"--trace"}};

// Why a device path cannot be used, in plain words; nothing when it looks usable.
std::optional<std::string> DiagnoseDevice(const std::string& path)
{
    struct stat info {};
    if (stat(path.c_str(), &info) != 0)
        return path + " does not exist: check the port name (torvctl ports lists them) and the cable";
    if (access(path.c_str(), R_OK | W_OK) != 0 && errno == EACCES) {
        const group* owner = getgrgid(info.st_gid);
        const std::string name = owner ? owner->gr_name : std::to_string(info.st_gid);
        return "no permission to use " + path + ": it belongs to the group \"" + name +
               "\"; add yourself with: sudo usermod -aG " + name + " \"$USER\" (then log in again)";
    }
    return std::nullopt;
}

// Everything one exchange needs, on one port or on the built-in emulator.
class Session {
public:
    Session(const Arguments& arguments, std::ostream& out, std::ostream& err)
        : host_(out, isatty(STDIN_FILENO) ? &std::cin : nullptr),
          traced_(line_, arguments.Has("--trace") ? &err : nullptr),
          exchange_(host_, traced_)
    {
        const std::optional<std::string> port = arguments.Value("--port");
        if (port.has_value() == arguments.Has("--demo"))
            throw UsageError("give either --port NAME|PATH or --demo");
        if (port) {
            devicePath_ = PortDevicePath(*port);
        } else {
            emulator_ = std::make_unique<AdapterEmulator>(MakeContents(), AdapterEmulator::kLineBytePeriod);
            emulator_->Start();
            devicePath_ = emulator_->SlavePath();
        }
        ApplyProgrammerPortSettings(comm_);
        ConnectPortEvents(comm_, exchange_);
        exchange_.SetPortDevicePath(devicePath_);
    }

    ~Session() { exchange_.Shutdown(); }

    // Runs a read; the exit code when it did not succeed.
    std::optional<int> Read(std::ostream& err)
    {
        exchange_.StartRead();
        host_.WaitUntilIdle();
        return Outcome(err);
    }

    std::optional<int> Write(const ParameterBlock& block, std::ostream& err)
    {
        host_.SetControlState(ControlState::Busy);
        exchange_.StartWrite(block);
        host_.WaitUntilIdle();
        return Outcome(err);
    }

    ProgrammingExchange& Exchange() { return exchange_; }
    TerminalHost& Host() { return host_; }

private:
    std::optional<int> Outcome(std::ostream& err)
    {
        if (host_.Succeeded())
            return std::nullopt;
        if (traced_.OpenError()) {
            const std::optional<std::string> reason = DiagnoseDevice(devicePath_);
            err << "torvctl: " << reason.value_or(devicePath_ + " is in use by another program, or is not a serial port (" +
                                                  *traced_.OpenError() + ")")
                << "\n";
            return kExitPortUnavailable;
        }
        err << "torvctl: the exchange with the transmitter did not complete\n";
        return kExitExchangeFailed;
    }

    TSioComm comm_;
    SioExchangePort line_{comm_};
    TerminalHost host_;
    TracedPort traced_;
    ProgrammingExchange exchange_;
    std::unique_ptr<AdapterEmulator> emulator_;
    std::string devicePath_;
};

std::string JsonString(const std::string& text)
{
    return "\"" + text + "\"";  // the texts written here hold digits, points and letters only
}

std::string FrequencyText(const std::optional<double>& hz)
{
    return hz ? FormatMHz(*hz, ".") : std::string("none");
}

void PrintTransmitter(InfoBlock& info, const ParameterBlock& block, bool json, std::ostream& out)
{
    const ShownParameters shown = DecodeParameterBlock(block, InfoBlockView(info).DeviceType());
    const std::string date = DateText(info);
    const std::string serial = SerialText(info);
    const std::string version = VersionText(info);
    const int type = InfoBlockView(info).DeviceType();
    const std::string mode = shown.gridMode ? "grid" : "legacy";
    const std::string step = shown.grid25kHz ? "25" : "12.5";
    if (json) {
        auto frequency = [](const std::optional<double>& hz) { return hz ? JsonString(FormatMHz(*hz, ".")) : "null"; };
        out << "{\"date\": " << JsonString(date) << ", \"serial\": " << JsonString(serial)
            << ", \"version\": " << JsonString(version) << ", \"deviceType\": " << type
            << ", \"mode\": " << JsonString(mode) << ", \"gridStepKHz\": " << (shown.gridMode ? step : "null")
            << ", \"first\": " << frequency(shown.firstHz) << ", \"second\": " << frequency(shown.secondHz)
            << ", \"secondEnabled\": " << (shown.secondEnabled ? "true" : "false") << "}\n";
        return;
    }
    out << "date of manufacture  " << date << "\n"
        << "serial number        " << serial << "\n"
        << "firmware version     " << version << "\n"
        << "device type          " << type << "\n"
        << "synthesizer mode     " << mode << (shown.gridMode ? ", " + step + " kHz grid" : "") << "\n"
        << "first frequency      " << FrequencyText(shown.firstHz) << " MHz\n"
        << "second frequency     " << FrequencyText(shown.secondHz) << " MHz"
        << (shown.secondEnabled ? "" : " (not enabled)") << "\n";
}

FrequencyEntry Entry(const std::string& typed)
{
    return FrequencyEntry{ParseMHz(typed), typed};
}

// A frequency as the window's field shows it after a read, and the value that text reads as.
FrequencyEntry ShownEntry(double hz)
{
    const std::string text = FormatMHz(hz, ".");
    return FrequencyEntry{std::strtod(text.c_str(), nullptr), text};
}

// The write request as the window would make it after this read, changed by the options.
WriteRequest RequestFromOptions(const Arguments& arguments, ProgrammingExchange& exchange)
{
    const std::uint8_t type = InfoBlockView(exchange.Info()).DeviceType();
    const ShownParameters shown = DecodeParameterBlock(exchange.Block(), type);
    WriteRequest request;
    request.gridMode = shown.gridMode;
    request.deviceType = type;
    request.current = exchange.Block();
    request.grid25kHz = shown.grid25kHz;
    request.gridEditEnabled = arguments.Has("--enable-grid-edit");
    if (const std::optional<TransmitterType> band = FindTransmitterType(type)) {
        request.minMHz = band->minMHz;
        request.maxMHz = band->maxMHz;
    }
    request.first = Entry(*arguments.Value("--f1"));
    // The second frequency stays as read unless the options change it.
    request.second = shown.secondHz ? ShownEntry(*shown.secondHz) : request.first;
    request.secondEnabled = shown.secondEnabled && shown.secondHz;
    if (const std::optional<std::string> second = arguments.Value("--f2")) {
        request.second = Entry(*second);
        request.secondEnabled = true;
    }
    if (arguments.Has("--no-f2"))
        request.secondEnabled = false;
    if (const std::optional<std::string> step = arguments.Value("--step"))
        request.grid25kHz = ParseGridStep(*step);
    return request;
}

}  // namespace

int RunPorts(const std::vector<std::string>& args, std::ostream& out)
{
    const Arguments arguments(args, {});
    if (!arguments.Positional().empty())
        throw UsageError("ports takes no arguments");
    const std::vector<PortIdentity> ports = DiscoverPorts();
    if (ports.empty())
        out << "no serial ports found\n";
    // One line a port: name, device path, and what the system tells of it.
    for (const PortIdentity& port : ports)
        out << port.name << "\t" << PortDevicePath(port.name) << "\t" << PortIdentityText(port) << "\n";
    return kExitOk;
}

int RunRead(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    std::vector<OptionSpec> known = kLineOptions;
    known.push_back({"--json"});
    const Arguments arguments(args, known);
    if (!arguments.Positional().empty())
        throw UsageError("read takes no positional arguments");
    Session session(arguments, arguments.Has("--json") ? err : out, err);
    if (const std::optional<int> failure = session.Read(err))
        return *failure;
    PrintTransmitter(session.Exchange().Info(), session.Exchange().Block(), arguments.Has("--json"), out);
    return kExitOk;
}

int RunWrite(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    std::vector<OptionSpec> known = kLineOptions;
    known.insert(known.end(), {{"--f1", true}, {"--f2", true}, {"--no-f2"}, {"--step", true}, {"--enable-grid-edit"}});
    const Arguments arguments(args, known);
    if (!arguments.Positional().empty())
        throw UsageError("write takes no positional arguments");
    if (!arguments.Has("--f1"))
        throw UsageError("write needs --f1 MHZ");
    if (arguments.Has("--f2") && arguments.Has("--no-f2"))
        throw UsageError("give --f2 or --no-f2, not both");
    ParseMHz(*arguments.Value("--f1"));  // bad numbers are refused before the line is touched
    if (const std::optional<std::string> second = arguments.Value("--f2"))
        ParseMHz(*second);
    if (const std::optional<std::string> step = arguments.Value("--step"))
        ParseGridStep(*step);

    Session session(arguments, out, err);
    if (const std::optional<int> failure = session.Read(err))
        return *failure;
    if (session.Host().WriteLocked()) {
        err << "torvctl: the adapter has locked writing; read again before writing\n";
        return kExitRefused;
    }
    const WriteRequest request = RequestFromOptions(arguments, session.Exchange());
    const WritePlan plan = PrepareWrite(request);
    if (plan.refusal) {
        session.Host().ShowMessage(*plan.refusal);
        return kExitRefused;
    }
    if (plan.force25kHz)
        session.Host().ShowMessage(texts::kGrid25kHzNotice);
    if (const std::optional<int> failure = session.Write(plan.block, err))
        return *failure;
    PrintTransmitter(session.Exchange().Info(), session.Exchange().Block(), false, out);
    return kExitOk;
}

}  // namespace torv::cli
