#pragma once
// The component's exception and the texts that go into its messages.

#include <exception>
#include <functional>
#include <stdexcept>
#include <string>

namespace torv {

// Where opening a port failed, so that the cause can be looked for.
enum class PortOpenStep {
    kNone,          // not a failure to open
    kDevice,        // the device could not be opened (its errno value in code)
    kLineSettings,  // it opened, but did not take 2400 bit/s 8E1 or the other line settings
    kNetwork,       // a network serial server could not be reached or did not speak RFC 2217
};

struct PortOpenFailure {
    PortOpenStep step = PortOpenStep::kNone;
    int code = 0;  // the errno value where the step has one
};

class ESioCommError : public std::runtime_error {
public:
    explicit ESioCommError(const std::string& message, PortOpenFailure failure = {})
        : std::runtime_error(message), failure_(failure)
    {
    }
    const PortOpenFailure& OpenFailure() const { return failure_; }

private:
    PortOpenFailure failure_;
};

namespace sio_message {
inline constexpr char kPortIsOpen[] = "Can't perform this operation while port is open";
inline constexpr char kOutputBufferFull[] = "Output buffer is full. Please check comm status.";
// Formats with the error code and its text: "(%d), %s".
inline constexpr char kWritingDcb[] = "Error writing dcb";
inline constexpr char kInitializingBuffers[] = "Error initializing buffers";
inline constexpr char kSettingTimeouts[] = "Error setting timeouts";
inline constexpr char kSettingEventMask[] = " Error setting EventMask";
inline constexpr char kClearingBuffers[] = "Error clearing buffers";
inline constexpr char kRetrievingStatistics[] = "Error retrieving statistics";
inline constexpr char kWriteError[] = "Write error";
inline constexpr char kReadError[] = "Read error";
}  // namespace sio_message

// The system's text for an errno value, without trailing blanks, line breaks and full stops.
std::string ErrorText(int code);

// "<what> (<code>), <text>", the form of every message that carries an error code.
ESioCommError SystemError(const char* what, int code);

ESioCommError DeviceNotFoundError(const std::string& path);
ESioCommError DeviceOpenError(const std::string& path, int code);

// Where an exception raised inside an event dispatch ends up: the application's
// handler, which by default writes the message to the Qt log.
using ApplicationExceptionHandler = std::function<void(const std::exception&)>;
void SetApplicationExceptionHandler(ApplicationExceptionHandler handler);
void HandleApplicationException(const std::exception& error);

}  // namespace torv
