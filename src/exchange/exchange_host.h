#pragma once
// What the programming exchange needs from the window that hosts it (or from any
// other front end: the command-line tool, tests): showing data, control states,
// status texts and modal messages.

#include <string>

#include "serial/sio_error.h"

namespace torv {

// Buttons and icon of a modal message, with the platform's classic flag values.
enum class MessageFlags : unsigned {
    kOkPlain = 0x00,             // OK, no icon
    kOkError = 0x10,             // OK, error icon
    kRetryCancelError = 0x15,    // Retry and Cancel, error icon
    kRetryCancelWarning = 0x35,  // Retry and Cancel, exclamation icon
    kOkCancelQuestion = 0x21,    // OK and Cancel, question icon: the operator confirms
};

struct Message {
    std::string text;  // UTF-8, line breaks as "\r\n"
    std::string caption;
    MessageFlags flags;
};

// Only Cancel (which includes closing the box) is told apart from every other answer.
enum class Answer { Ok, Retry, Cancel };

// The window's control states that the exchange switches between.
enum class ControlState {
    Busy,              // busy indicator shown; Read, Write and the frequency group disabled
    IdleAfterSuccess,  // indicator hidden; Read, Write and the frequency group enabled
    IdleAfterAbort,    // indicator hidden; Read, port list and frequency group enabled, Write disabled
};

class ExchangeHost {
public:
    virtual ~ExchangeHost() = default;

    // Show the exchange's parameter block in the frequency fields and mode controls.
    virtual void ShowParameters() = 0;
    // Show the date, serial number and version of the exchange's info block.
    virtual void ShowDeviceInfo() = 0;
    virtual void SetControlState(ControlState state) = 0;
    // The adapter asked for the write-lock: Write stays disabled until the next read.
    virtual void DisableWrite() = 0;
    // A dated success text for the status bar.
    virtual void ShowStatusText(const std::string& text) = 0;
    // A dated warning for the status bar, shown apart from the success texts until the next
    // of them; an empty text takes it away. Hosts without a status bar may ignore it.
    virtual void ShowStatusWarning(const std::string& /*text*/) {}
    // A modal message; the exchange goes on with the answer.
    virtual Answer ShowMessage(const Message& message) = 0;
    // A line that tells why the port could not be opened, put under the message that says
    // so; "" adds none.
    virtual std::string PortCauseLine(const std::string& /*devicePath*/, const PortOpenFailure& /*failure*/)
    {
        return {};
    }
};

}  // namespace torv
