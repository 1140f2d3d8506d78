#pragma once
// A port decorator for torvctl: remembers why the port could not be opened, counts the
// bytes the line took, and, when asked, writes a trace of the line with millisecond
// time stamps. Bytes sent are marked ">", bytes of a write that failed "> failed", and
// bytes that did not leave in time "> not sent in time". Every byte that arrives appears
// once, in order, marked by what became of it: consumed (read by the exchange), dropped
// (no room for it), purged (waiting when the port was purged) or left at close (waiting
// when the port was closed). The bytes a purge or a close would discard unseen are read
// here first, to show them.

#include <chrono>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>

#include "exchange/exchange_port.h"

namespace torv::cli {

class TracedPort : public ExchangePort {
public:
    TracedPort(ExchangePort& line, std::ostream* trace);

    bool IsOpen() override { return line_.IsOpen(); }
    bool Open(const std::string& devicePath) override;
    bool PurgeAll() override;
    int WriteBytes(const std::uint8_t* data, int count) override;
    int ReadBytes(std::uint8_t* buffer, int count) override;
    int DropBytes(int count) override;
    int OutputCount() override { return line_.OutputCount(); }
    void ClosePort() override;
    std::string Failure() const override { return line_.Failure(); }
    PortOpenFailure OpenFailure() const override { return line_.OpenFailure(); }

    // The error text of the last failed open, if the last open failed.
    const std::optional<std::string>& OpenError() const { return openError_; }
    // Bytes the line has taken for sending since this port was made.
    long long BytesWritten() const { return bytesWritten_; }

private:
    // Reads up to count waiting bytes (all of them when count is negative) and traces
    // them with mark; the number read, -1 on a port error.
    int ReadAndTrace(int count, const char* mark);
    void Log(const std::string& direction, const std::uint8_t* data, int count);
    void Note(const std::string& event);

    ExchangePort& line_;
    std::ostream* trace_;
    std::chrono::steady_clock::time_point start_;
    std::optional<std::string> openError_;
    long long bytesWritten_ = 0;
};

}  // namespace torv::cli
