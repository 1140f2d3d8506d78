#include "serial/line_input.h"

namespace torv::tty {

namespace {

constexpr std::uint8_t kMark = 0xFF;

void Emit(std::uint8_t byte, const ReceiveRules& rules, std::string& out)
{
    if (byte != 0 || !rules.stripNulls) {
        out.push_back(static_cast<char>(byte));
    }
}

}  // namespace

MarksFound InputDecoder::Decode(const std::uint8_t* raw, int count, const ReceiveRules& rules, std::string& out)
{
    MarksFound found;
    for (int i = 0; i < count; ++i) {
        const std::uint8_t byte = raw[i];
        switch (state_) {
        case State::Data:
            if (rules.marked && byte == kMark) {
                state_ = State::AfterMark;
            } else {
                Emit(byte, rules, out);
            }
            break;
        case State::AfterMark:
            state_ = byte == 0 ? State::AfterMarkZero : State::Data;
            if (byte != 0) {
                Emit(byte, rules, out);  // 0xFF 0xFF is a data 0xFF; the kernel writes no other pair
            }
            break;
        case State::AfterMarkZero:
            state_ = State::Data;
            if (byte == 0) {
                ++found.breaks;  // a break is no data byte
            } else {
                ++found.errorBytes;
                Emit(rules.replaceErrors ? rules.errorChar : byte, rules, out);
            }
            break;
        }
    }
    return found;
}

}  // namespace torv::tty
