#pragma once
// The program's end of the line, as a test sees it: the slave of the emulator's
// pseudo-terminal, opened raw and non-blocking.

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace torv::test {

using Bytes = std::vector<std::uint8_t>;
using std::chrono::milliseconds;

class LineClient {
public:
    // Purging drops whatever the emulator sent before the line was opened.
    explicit LineClient(const std::string& path, bool purge = true);
    ~LineClient();
    LineClient(const LineClient&) = delete;
    LineClient& operator=(const LineClient&) = delete;

    int Fd() const { return fd_; }
    void Send(const Bytes& bytes);
    // What arrives until count bytes are in or the timeout has passed.
    Bytes Receive(std::size_t count, milliseconds timeout = milliseconds(2000));
    // Sends a command and takes its reply of the given size.
    Bytes Exchange(const Bytes& command, std::size_t replySize);
    // True when nothing arrives for the given time.
    bool StaysQuiet(milliseconds time = milliseconds(100));
    // Reads until the line has been quiet for the given time; returns how many bytes came.
    std::size_t DrainUntilQuiet(milliseconds quiet);

private:
    int fd_ = -1;
};

}  // namespace torv::test
