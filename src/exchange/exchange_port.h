#pragma once
// The serial port as the programming exchange uses it. The serial component
// implements it for real lines; tests and fuzzers stand in fakes.

#include <cstdint>
#include <string>

namespace torv {

class ExchangePort {
public:
    virtual ~ExchangePort() = default;

    virtual bool IsOpen() = 0;
    // Opens the device; throws std::exception when it cannot.
    virtual void Open(const std::string& devicePath) = 0;
    virtual void PurgeAll() = 0;
    // Bytes written, 0 when the line did not take them in time.
    virtual int WriteBytes(const std::uint8_t* data, int count) = 0;
    // Every byte waiting, at once.
    virtual std::string ReadAllText() = 0;
    // Up to count bytes already waiting, at once.
    virtual int ReadBytes(std::uint8_t* buffer, int count) = 0;
    virtual int OutputCount() = 0;
    virtual void ClosePort() = 0;
};

}  // namespace torv
