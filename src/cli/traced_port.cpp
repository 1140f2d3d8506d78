#include "cli/traced_port.h"

#include <cstdio>

namespace torv::cli {

TracedPort::TracedPort(ExchangePort& line, std::ostream* trace)
    : line_(line), trace_(trace), start_(std::chrono::steady_clock::now())
{
}

bool TracedPort::Open(const std::string& devicePath)
{
    if (!line_.Open(devicePath)) {
        openError_ = line_.Failure();
        Note("open failed: " + *openError_);
        return false;
    }
    openError_.reset();
    Note("open " + devicePath);
    return true;
}

bool TracedPort::PurgeAll()
{
    const bool purged = line_.PurgeAll();
    Note(purged ? "purge" : "purge failed: " + line_.Failure());
    return purged;
}

int TracedPort::WriteBytes(const std::uint8_t* data, int count)
{
    const int written = line_.WriteBytes(data, count);
    Log(">", data, count);
    if (written != count)
        Note("only " + std::to_string(written) + " of " + std::to_string(count) + " bytes left in time");
    return written;
}


int TracedPort::ReadBytes(std::uint8_t* buffer, int count)
{
    const int read = line_.ReadBytes(buffer, count);
    Log("<", buffer, read);
    return read;
}

int TracedPort::DropBytes(int count)
{
    const int dropped = line_.DropBytes(count);
    if (dropped > 0)
        Note(std::to_string(dropped) + " bytes dropped");
    return dropped;
}

void TracedPort::ClosePort()
{
    const bool wasOpen = line_.IsOpen();
    line_.ClosePort();
    if (wasOpen)
        Note("close");
}

void TracedPort::Log(const char* direction, const std::uint8_t* data, int count)
{
    if (!trace_ || count <= 0)
        return;
    std::string hex;
    for (int i = 0; i < count; ++i) {
        char byte[4];
        std::snprintf(byte, sizeof byte, " %02X", data[i]);
        hex += byte;
    }
    Note(std::string(direction) + hex);
}

void TracedPort::Note(const std::string& event)
{
    if (!trace_)
        return;
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start_).count();
    char stamp[24];
    std::snprintf(stamp, sizeof stamp, "[%7lld ms] ", static_cast<long long>(ms));
    *trace_ << stamp << event << "\n" << std::flush;
}

}  // namespace torv::cli
