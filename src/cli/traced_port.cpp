#include "cli/traced_port.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace torv::cli {
namespace {

// A line that never stops sending must not hold a purge or a close for ever.
constexpr int kMostBytesShownAtOnce = 1 << 16;

}  // namespace

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
    // Only a trace needs to see what the purge discards.
    if (trace_ && line_.IsOpen())
        ReadAndTrace(-1, "purged");
    const bool purged = line_.PurgeAll();
    Note(purged ? "purge" : "purge failed: " + line_.Failure());
    return purged;
}

int TracedPort::WriteBytes(const std::uint8_t* data, int count)
{
    const int written = line_.WriteBytes(data, count);
    // Only what left is traced as sent; the rest is marked with what became of it.
    const int sent = std::clamp(written, 0, count);
    Log(">", data, sent);
    Log(written < 0 ? "> failed" : "> not sent in time", data + sent, count - sent);
    bytesWritten_ += sent;
    if (written < 0)
        Note("write failed: " + line_.Failure());
    else if (written != count)
        Note("only " + std::to_string(written) + " of " + std::to_string(count) + " bytes left in time");
    return written;
}

int TracedPort::ReadBytes(std::uint8_t* buffer, int count)
{
    const int read = line_.ReadBytes(buffer, count);
    if (read < 0)
        Note("read failed: " + line_.Failure());
    else
        Log("< consumed", buffer, read);
    return read;
}

int TracedPort::DropBytes(int count)
{
    if (!trace_)
        return line_.DropBytes(count);
    return ReadAndTrace(count, "dropped");
}

void TracedPort::ClosePort()
{
    const bool wasOpen = line_.IsOpen();
    if (trace_ && wasOpen)
        ReadAndTrace(-1, "left at close");
    line_.ClosePort();
    if (wasOpen)
        Note(line_.IsOpen() ? "close refused: " + line_.Failure() : "close");
}

int TracedPort::ReadAndTrace(int count, const char* mark)
{
    std::array<std::uint8_t, 64> piece;
    int total = 0;
    const int limit = count < 0 ? kMostBytesShownAtOnce : count;
    while (total < limit) {
        const int wanted = std::min(limit - total, static_cast<int>(piece.size()));
        const int read = line_.ReadBytes(piece.data(), wanted);
        if (read < 0) {
            Note(std::string(mark) + ": read failed: " + line_.Failure());
            return -1;
        }
        if (read == 0)
            break;
        Log(std::string("< ") + mark, piece.data(), read);
        total += read;
    }
    return total;
}

void TracedPort::Log(const std::string& direction, const std::uint8_t* data, int count)
{
    if (!trace_ || count <= 0)
        return;
    std::string hex;
    for (int i = 0; i < count; ++i) {
        char byte[4];
        std::snprintf(byte, sizeof byte, " %02X", data[i]);
        hex += byte;
    }
    Note(direction + hex);
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
