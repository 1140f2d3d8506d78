#pragma once
// Enumerations, sets and bit values shared by the serial port component and its settings.

#include <QFlags>

#include <cstdint>

namespace torv {

enum class TSioBaudrate {
    brUser,
    br110,
    br300,
    br600,
    br1200,
    br2400,
    br4800,
    br9600,
    br14400,
    br19200,
    br38400,
    br56000,
    br57600,
    br115200,
    br128000,
    br256000
};

enum class TSioParity { paNone, paOdd, paEven, paMark, paSpace };
enum class TSioDatabits { db4, db5, db6, db7, db8 };
enum class TSioStopbits { sb1, sb15, sb2 };
enum class TSioControlDtr { dtrDisabled, dtrEnabled, dtrHandshake };
enum class TSioControlRts { rtsDisabled, rtsEnabled, rtsHandshake, rtsToggle };
enum class TSioThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

// Receive-side options.
enum class TSioCommOption : std::uint32_t {
    coErrorChar = 0x1,
    coNullStrip = 0x2,
    coParityCheck = 0x4,
};
using TSioCommOptions = QFlags<TSioCommOption>;
Q_DECLARE_OPERATORS_FOR_FLAGS(TSioCommOptions)

// Line events; the values are the bits of the event word the event thread hands over.
enum class TSioCommEvent : std::uint32_t {
    ceRxChar = 0x0001,
    ceRxFlag = 0x0002,
    ceTxEmpty = 0x0004,
    ceCts = 0x0008,
    ceDsr = 0x0010,
    ceRlsd = 0x0020,
    ceBreak = 0x0040,
    ceError = 0x0080,
    ceRing = 0x0100,
    cePErr = 0x0200,
    ceRx80Full = 0x0400,
    ceEvent1 = 0x0800,
    ceEvent2 = 0x1000,
};
using TSioCommEvents = QFlags<TSioCommEvent>;
Q_DECLARE_OPERATORS_FOR_FLAGS(TSioCommEvents)

// Flags passed to OnError.
namespace line_error {
constexpr int kRxOverflow = 0x0001;  // the input queue overflowed
constexpr int kOverrun = 0x0002;     // the receiver lost a character
constexpr int kParity = 0x0004;
constexpr int kFrame = 0x0008;
constexpr int kBreak = 0x0010;
constexpr int kIoError = 0x0400;  // I/O with the device failed, or it hung up (adapter unplugged)
}  // namespace line_error

}  // namespace torv
