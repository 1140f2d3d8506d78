#pragma once
// The serial port as the programming exchange uses it. The serial component
// implements it for real lines; tests and fuzzers stand in fakes.
//
// No operation throws: a failure is told by the result, and Failure() then gives the
// port's own text for it, so that the exchange handles every port error where it
// arises instead of letting it unwind through the event loop.

#include <cstdint>
#include <string>

#include "serial/sio_error.h"

namespace torv {

class ExchangePort {
public:
    virtual ~ExchangePort() = default;

    virtual bool IsOpen() = 0;
    // False when the device cannot be opened.
    virtual bool Open(const std::string& devicePath) = 0;
    // Discards everything waiting in both directions; false on a port error.
    virtual bool PurgeAll() = 0;
    // Bytes written, 0 when the line did not take them in time (or the port is closed),
    // -1 on a port error.
    virtual int WriteBytes(const std::uint8_t* data, int count) = 0;
    // Up to count bytes already waiting, at once; -1 on a port error.
    virtual int ReadBytes(std::uint8_t* buffer, int count) = 0;
    // Reads and discards up to count waiting bytes that the exchange has no room for;
    // the number discarded, -1 on a port error.
    virtual int DropBytes(int count) = 0;
    // Bytes not yet sent; -1 on a port error.
    virtual int OutputCount() = 0;
    // Closes the port when it is open; never from inside one of its own notifications.
    virtual void ClosePort() = 0;
    // The port's text for the last failed operation.
    virtual std::string Failure() const = 0;
    // Where the last Open failed, so that its cause can be looked for; kNone when it did not.
    virtual PortOpenFailure OpenFailure() const { return {}; }
};

}  // namespace torv
