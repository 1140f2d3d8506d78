#include "cli/exchange_session.h"

#include "cli/arguments.h"
#include "cli/cli_text.h"
#include "cli/port_advice.h"
#include "emulator/adapter_emulator.h"
#include "exchange/exchange_texts.h"
#include "production/stop_signals.h"
#include "serial/port_discovery.h"
#include "serial/rfc2217_device.h"

namespace torv::cli {

Session::Session(const Arguments& arguments, const Console& console)
    : host_(console.err, console.answers, arguments.Has("--accept-damaged")),
      traced_(line_, arguments.Has("--trace") ? &console.err : nullptr),
      exchange_(notes_, traced_),
      messages_(console.err)
{
    const std::optional<std::string> port = arguments.Value("--port");
    if (port.has_value() == arguments.Has("--demo"))
        throw UsageError(Utf8(CliText::tr("give either --port NAME|PATH or --demo")));
    if (port && port->empty())
        throw UsageError(Utf8(CliText::tr("--port needs a port name or a device path (torvctl ports lists them)")));
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
    exchange_.AwaitScheduledClose();
    notes_.Begin();
    host_.Begin();
    exchange_.StartRead();
    host_.WaitUntilIdle();
    switch (host_.Completed()) {
    case Completion::ReadVerified: return std::nullopt;
    case Completion::DamagedBlockTaken: {
        const std::vector<int> damaged = DamagedRecords(exchange_.Block());
        if (host_.DamagedBlockTaken()) {
            damagedTaken_ = damaged;
            return std::nullopt;
        }
        return CommandFailure{kExitRefused, "damaged-data",
                              Utf8(CliText::tr("the parameter block read failed its check (%1) and was not accepted: "
                                               "nothing was written; --accept-damaged accepts it")
                                       .arg(ToQString(RecordsText(damaged)))),
                              host_.LastPrompt()};
    }
    default: return FailureBeforeSending();
    }
}

std::optional<CommandFailure> Session::Write(const ParameterBlock& block, const std::function<void()>& beforeSending)
{
    const long long sentBefore = traced_.BytesWritten();
    writeAbandoned_ = false;
    std::optional<StopSignals> stopSignals;
    if (ownStopSignals_) {
        stopSignals.emplace();
        QObject::connect(&*stopSignals, &StopSignals::Received, &*stopSignals,
                         [this](int count) { StopSignalled(count); });
    }
    if (beforeSending)
        beforeSending();
    host_.Begin();
    exchange_.StartWrite(block);
    host_.WaitUntilIdle([this] { return writeAbandoned_; });
    if (writeAbandoned_ && host_.Busy())
        exchange_.AbortToIdle();
    else
        writeAbandoned_ = false;  // the signal came too late to cut anything short
    if (host_.Completed() == Completion::WriteVerified)
        return std::nullopt;
    if (traced_.BytesWritten() == sentBefore)
        return FailureBeforeSending();
    if (writeAbandoned_)
        return CommandFailure{kExitNotVerified, "not-verified",
                              Utf8(CliText::tr("the write was abandoned by a signal before its verification: "
                                               "the unit's state is unknown; read it again")),
                              host_.LastPrompt()};
    if (exchange_.OtherUnitFound())
        return CommandFailure{kExitNotVerified, "not-verified",
                              Utf8(CliText::tr("another transmitter was connected when the write was to be repeated: "
                                               "nothing was written to it; the state of the unit read first is "
                                               "unknown; read it again")),
                              host_.LastPrompt()};
    return CommandFailure{kExitNotVerified, "not-verified",
                          Utf8(CliText::tr("the block was sent to the transmitter but its read-back did not confirm "
                                           "it: the unit's state is unknown; read it again")),
                          host_.LastPrompt()};
}

void Session::StopSignalled(int count)
{
    stopAsked_ = true;
    if (count == 1) {
        messages_ << "torvctl: "
                  << Utf8(CliText::tr("the block is on its way into the transmitter: the write and its "
                                      "verification are finished first (a second signal abandons them, leaving "
                                      "the unit's state unknown)"))
                  << "\n";
    } else if (!writeAbandoned_) {
        messages_ << "torvctl: " << Utf8(CliText::tr("the write is abandoned: the unit's state is unknown")) << "\n";
        writeAbandoned_ = true;
    }
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
        // The port may be fine and this program out of file descriptors.
        if (const std::optional<std::string> limit = FileLimitReached())
            return CommandFailure{
                kExitExchangeFailed, "exchange-failed",
                Utf8(CliText::tr("cannot open %1: %2").arg(ToQString(devicePath_), ToQString(*limit))), std::nullopt};
        return CommandFailure{kExitPortUnavailable, "port-unavailable",
                              PortAdvice(DiagnosePort(devicePath_, traced_.OpenFailure(), ThisUser()), *openError),
                              std::nullopt};
    }
    const std::optional<Message>& prompt = host_.LastPrompt();
    QString message = CliText::tr("the exchange with the transmitter did not complete");
    if (prompt)
        message = CliText::tr("the exchange with the transmitter did not complete (last prompt: %1)")
                      .arg(QChar(PromptLetter(*prompt)));
    else if (!traced_.Failure().empty())
        message += QStringLiteral(" (%1)").arg(ToQString(traced_.Failure()));
    return CommandFailure{kExitExchangeFailed, "exchange-failed", Utf8(message), prompt};
}

}  // namespace torv::cli
