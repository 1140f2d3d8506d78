#pragma once
// Received bytes as the program gets them: the kernel's error marks taken out, bytes with
// errors kept or replaced, zero bytes stripped, as the receive options say.

#include <cstdint>
#include <string>

namespace torv::tty {

struct ReceiveRules {
    bool marked = false;         // the kernel marks errors and breaks (PARMRK)
    bool replaceErrors = false;  // a byte received with an error becomes errorChar
    std::uint8_t errorChar = 0;
    bool stripNulls = false;  // zero data bytes are dropped
};

// What the marks in one piece of input told.
struct MarksFound {
    int errorBytes = 0;  // bytes received with a parity or framing error
    int breaks = 0;
};

// Keeps the state of a mark cut between two reads, so pieces may end anywhere.
class InputDecoder {
public:
    // Appends the data bytes of raw to out. 0xFF 0x00 0x00 is a break: a zero byte
    // received with an error looks the same and is taken as one.
    MarksFound Decode(const std::uint8_t* raw, int count, const ReceiveRules& rules, std::string& out);
    // Forgets a mark begun in input that was discarded.
    void Clear() { state_ = State::Data; }

private:
    enum class State { Data, AfterMark, AfterMarkZero };
    State state_ = State::Data;
};

}  // namespace torv::tty
