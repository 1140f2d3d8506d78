#pragma once
// A port decorator for torvctl: remembers why the port could not be opened and, when
// asked, writes every byte in both directions to a trace with millisecond time stamps.

#include <chrono>
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

    // The error text of the last failed open, if the last open failed.
    const std::optional<std::string>& OpenError() const { return openError_; }

private:
    void Log(const char* direction, const std::uint8_t* data, int count);
    void Note(const std::string& event);

    ExchangePort& line_;
    std::ostream* trace_;
    std::chrono::steady_clock::time_point start_;
    std::optional<std::string> openError_;
};

}  // namespace torv::cli
