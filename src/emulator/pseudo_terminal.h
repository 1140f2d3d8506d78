#pragma once
// A pseudo-terminal pair: the emulator keeps the master, the program opens the slave.

#include <string>

namespace torv {

// Owns one file descriptor and closes it.
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd_(fd) {}
    UniqueFd(UniqueFd&& other) noexcept : fd_(other.Release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept;
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    ~UniqueFd() { Close(); }

    int Get() const { return fd_; }
    bool Valid() const { return fd_ >= 0; }
    int Release();
    void Close();

private:
    int fd_ = -1;
};

// The master (non-blocking) and the slave's path. The slave is put into raw mode at
// once and one descriptor of it stays open for the pair's whole life, so the program
// closing and re-opening the slave never hangs up the line, and bytes written while
// nobody has it open stay queued. Closing the master is a hang-up.
class PseudoTerminal {
public:
    // Throws std::runtime_error naming the step that failed.
    static PseudoTerminal Open();

    int Master() const { return master_.Get(); }
    const std::string& SlavePath() const { return slavePath_; }

private:
    PseudoTerminal() = default;

    UniqueFd master_;
    UniqueFd slaveKeepAlive_;  // never read: only keeps the line up
    std::string slavePath_;
};

}  // namespace torv
