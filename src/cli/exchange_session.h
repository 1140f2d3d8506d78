#pragma once
// One run of the transmitter exchange for torvctl, on a port or on the built-in
// emulator, and the truth about how each operation ended.

#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>

#include "cli/results.h"
#include "cli/terminal_host.h"
#include "cli/traced_port.h"
#include "exchange/programming_exchange.h"
#include "exchange/sio_exchange_port.h"
#include "production/operation_record.h"
#include "serial/sio_comm.h"

namespace torv {
class AdapterEmulator;
}

namespace torv::cli {

class Arguments;

class Session {
public:
    // Takes --port or --demo, --trace and --accept-damaged. Throws UsageError.
    Session(const Arguments& arguments, const Console& console);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // A read; nothing when its blocks passed their checks, or when a damaged block was
    // accepted (DamagedRecordsTaken then names its records).
    std::optional<CommandFailure> Read();
    // A write of block on the port left open by the read; nothing only when the
    // read-back equalled it. beforeSending runs right before the block goes out. While
    // the block is on the line or being verified, SIGINT, SIGTERM and SIGHUP do not end
    // the program: the first lets the write and its verification finish, a second
    // abandons them.
    std::optional<CommandFailure> Write(const ParameterBlock& block, const std::function<void()>& beforeSending = {});
    // A stop signal came during a write: the program is to end once the write has.
    bool StopAsked() const { return stopAsked_; }
    // A station of a batch of several: the batch takes the stop signals for the whole
    // process and passes them on by StopSignalled, so Write leaves them alone.
    void LeaveStopSignalsToCaller() { ownStopSignals_ = false; }
    // The count-th stop signal: the first lets a write in progress finish, a second
    // abandons it.
    void StopSignalled(int count);
    // A second stop signal abandoned the last write before its verification.
    bool WriteAbandoned() const { return writeAbandoned_; }

    // The records that failed their check in the block the last read accepted.
    const std::vector<int>& DamagedRecordsTaken() const { return damagedTaken_; }
    bool WriteLocked() const { return host_.WriteLocked(); }
    TransmitterState Transmitter() { return DescribeTransmitter(exchange_.Info(), exchange_.Block()); }
    ProgrammingExchange& Exchange() { return exchange_; }
    TerminalHost& Host() { return host_; }
    // What the journal notes of the exchange: the prompts shown, whether it reached the info block.
    const JournalingHost& Notes() const { return notes_; }
    const std::string& DevicePath() const { return devicePath_; }
    // The port's identity as the system tells it ("" for a device it does not list),
    // looked up once for the session: a batch journals it for every unit.
    const std::string& AdapterIdentity();

private:
    // The exchange ended without completing and before any block was sent.
    CommandFailure FailureBeforeSending() const;

    TSioComm comm_;
    SioExchangePort line_{comm_};
    TerminalHost host_;
    JournalingHost notes_{host_};
    TracedPort traced_;
    ProgrammingExchange exchange_;
    std::unique_ptr<AdapterEmulator> emulator_;
    std::string devicePath_;
    std::optional<std::string> adapterIdentity_;
    std::vector<int> damagedTaken_;
    std::ostream& messages_;
    bool stopAsked_ = false;
    bool writeAbandoned_ = false;
    bool ownStopSignals_ = true;
};

}  // namespace torv::cli
