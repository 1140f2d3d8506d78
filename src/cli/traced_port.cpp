#include "cli/traced_port.h"

#include <cstdio>
#include <exception>

namespace torv::cli {

TracedPort::TracedPort(ExchangePort& line, std::ostream* trace)
    : line_(line), trace_(trace), start_(std::chrono::steady_clock::now())
{
}

void TracedPort::Open(const std::string& devicePath)
{
    try {
        line_.Open(devicePath);
        openError_.reset();
        Note("open " + devicePath);
    } catch (const std::exception& error) {
        openError_ = error.what();
        Note(std::string("open failed: ") + error.what());
        throw;
    }
}

void TracedPort::PurgeAll()
{
    line_.PurgeAll();
    Note("purge");
}

int TracedPort::WriteBytes(const std::uint8_t* data, int count)
{
    const int written = line_.WriteBytes(data, count);
    Log(">", data, count);
    if (written != count)
        Note("only " + std::to_string(written) + " of " + std::to_string(count) + " bytes left in time");
    return written;
}

std::string TracedPort::ReadAllText()
{
    const std::string text = line_.ReadAllText();
    Log("<", reinterpret_cast<const std::uint8_t*>(text.data()), static_cast<int>(text.size()));
    return text;
}

int TracedPort::ReadBytes(std::uint8_t* buffer, int count)
{
    const int read = line_.ReadBytes(buffer, count);
    Log("<", buffer, read);
    return read;
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
