#pragma once
// What torvctl reports: the transmitter as read or written, and a failure, as lines for
// a person or as JSON for a script.

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include <QJsonObject>

#include "device/blocks.h"
#include "exchange/exchange_host.h"

namespace torv::cli {

// The transmitter as its info and parameter blocks show it.
struct TransmitterState {
    std::string date;
    std::string serial;
    std::string version;
    int deviceType = 0;
    bool gridMode = false;
    bool grid25kHz = false;
    std::optional<double> firstHz;
    std::optional<double> secondHz;
    bool secondEnabled = false;
};

TransmitterState DescribeTransmitter(InfoBlock info, const ParameterBlock& block);
void PrintTransmitter(const TransmitterState& state, std::ostream& out);
QJsonObject TransmitterJson(const TransmitterState& state);
// What a write changes: the unit, then each setting as "before → after".
void PrintChange(const TransmitterState& before, const TransmitterState& after, std::ostream& out);

// The channel records (1, 2) whose CRC does not match, among those the block's check
// looks at (record 2 only while in use).
std::vector<int> DamagedRecords(const ParameterBlock& block);
// "record 1", "records 1 and 2".
std::string RecordsText(const std::vector<int>& records);

// Why a command did not do what it was asked to.
struct CommandFailure {
    int exitCode = 0;
    std::string kind;               // bad-command-line, refused, damaged-data, write-locked, exchange-failed,
                                    // port-unavailable, not-verified
    std::string message;            // one line for the operator
    std::optional<Message> prompt;  // the exchange prompt or the refusal that ended it, if any
    // A refusal of the frequency checks: the nearest frequencies that can be programmed
    // instead (W1, W2), MHz, lowest first; empty for the others.
    std::vector<double> nearestMHz{};
};

// The kind of a write the frequency checks refused (W1 to W4).
inline const std::string kRefusedByChecks = "refused";

// exitCode, failure, message, prompt; nearest with a refusal of the frequency checks.
QJsonObject FailureJson(const CommandFailure& failure);
// The kind, the message or prompt that ended it, and the message: "refused (W1): ...".
std::string FailureText(const CommandFailure& failure);
// The one line on standard error.
void PrintFailure(const CommandFailure& failure, std::ostream& err);

// The object as one JSON document and a line break.
void PrintJson(const QJsonObject& object, std::ostream& out);
// The object as JSON on one line.
void PrintJsonLine(const QJsonObject& object, std::ostream& out);

}  // namespace torv::cli
