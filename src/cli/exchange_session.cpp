#include "cli/exchange_session.h"

#include <QEventLoop>

#include "cli/arguments.h"
#include "cli/port_advice.h"
#include "emulator/adapter_emulator.h"
#include "exchange/exchange_texts.h"
#include "serial/port_discovery.h"
#include "serial/rfc2217_device.h"

namespace torv::cli {

Session::Session(const Arguments& arguments, const Console& console)
    : host_(console.err, console.answers, arguments.Has("--accept-damaged")),
      traced_(line_, arguments.Has("--trace") ? &console.err : nullptr),
      exchange_(notes_, traced_)
{
    const std::optional<std::string> port = arguments.Value("--port");
    if (port.has_value() == arguments.Has("--demo"))
        throw UsageError("give either --port NAME|PATH or --demo");
    if (port && port->empty())
        throw UsageError("--port needs a port name or a device path (torvctl ports lists them)");
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
    // The success texts are how a verified read or write is told apart.
    exchange_.SetShowStatusMessages(true);
}

Session::~Session()
{
    exchange_.Shutdown();
}

std::optional<CommandFailure> Session::Read()
{
    damagedTaken_.clear();
    // The close an earlier abort scheduled would otherwise close the port this read opens.
    while (exchange_.PortCloseTimerArmed())
        QEventLoop().processEvents(QEventLoop::WaitForMoreEvents);
    notes_.Begin();
    host_.Begin();
    exchange_.StartRead();
    host_.WaitUntilIdle();
    switch (host_.Completed()) {
    case Completion::ReadVerified:
        return std::nullopt;
    case Completion::DamagedBlockTaken: {
        const std::vector<int> damaged = DamagedRecords(exchange_.Block());
        if (host_.DamagedBlockAccepted()) {
            damagedTaken_ = damaged;
            return std::nullopt;
        }
        return CommandFailure{kExitRefused, "damaged-data",
                              "the parameter block read failed its check (" + RecordsText(damaged) +
                                  ") and was not accepted: nothing was written; --accept-damaged accepts it",
                              host_.LastPrompt()};
    }
    default:
        return FailureBeforeSending();
    }
}

std::optional<CommandFailure> Session::Write(const ParameterBlock& block)
{
    const long long sentBefore = traced_.BytesWritten();
    host_.Begin();
    exchange_.StartWrite(block);
    host_.WaitUntilIdle();
    if (host_.Completed() == Completion::WriteVerified)
        return std::nullopt;
    if (traced_.BytesWritten() == sentBefore)
        return FailureBeforeSending();
    return CommandFailure{kExitNotVerified, "not-verified",
                          "the block was sent to the transmitter but its read-back did not confirm it: "
                          "the unit's state is unknown; read it again",
                          host_.LastPrompt()};
}

const std::string& Session::AdapterIdentity()
{
    if (!adapterIdentity_) {
        const std::string name = PortNameOf(devicePath_);
        adapterIdentity_.emplace();
        for (const PortIdentity& port : DiscoverPorts())
            if (port.name == name)
                adapterIdentity_ = PortIdentityText(port);
    }
    return *adapterIdentity_;
}

CommandFailure Session::FailureBeforeSending() const
{
    if (const std::optional<std::string>& openError = traced_.OpenError()) {
        // A network port's open error says why itself; there is no device file to look at.
        const std::optional<std::string> reason =
            tty::IsRfc2217Name(devicePath_) ? *openError : DiagnoseDevice(devicePath_, ThisProcess());
        return CommandFailure{
            kExitPortUnavailable, "port-unavailable",
            reason.value_or(devicePath_ + " is in use by another program, or is not a serial port (" + *openError + ")"),
            std::nullopt};
    }
    std::string message = "the exchange with the transmitter did not complete";
    if (const std::optional<Message>& prompt = host_.LastPrompt())
        message += " (last prompt: " + std::string(1, PromptLetter(*prompt)) + ")";
    return CommandFailure{kExitExchangeFailed, "exchange-failed", message, host_.LastPrompt()};
}

}  // namespace torv::cli
