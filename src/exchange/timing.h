#pragma once
// The exchange's fixed pauses and time-outs, in milliseconds.

namespace torv::timing {

constexpr int kResponseTimeoutMs = 5000;
constexpr int kOpenSettleMs = 100;       // before 0x55 on a port just opened
constexpr int kProbePauseMs = 100;       // before 0x57
constexpr int kSelectTypePauseMs = 200;  // before 0x61
constexpr int kInfoPauseMs = 1500;       // before 0x88 0x80
constexpr int kParamPauseMs = 100;       // before 0xA0 0x10
constexpr int kPortCloseDelayMs = 100;   // from an abort to closing the port
// An identification text without the adapter's word is refused once the line has been
// quiet this long after it (about ten character times at 2400 bit/s).
constexpr int kIdentificationQuietMs = 50;

// Test hook: divides every pause and time-out above, so that a test suite can run the
// exchange fast. Production never calls it (divisor 1). A divisor of 0 removes every
// pause and time-out (all become 0), for drivers that deliver the time-outs themselves
// and never run the event loop; a negative divisor counts as 1.
void SetDivisorForTesting(int divisor);

// ms as the exchange uses it: divided by the test divisor, never below 1 when ms > 0
// (0 for every ms with the divisor 0).
int Scaled(int ms);

}  // namespace torv::timing
