#pragma once
// Serial ports on a network serial server (ser2net and the like), named
// "rfc2217://HOST:PORT" and reached through RFC 2217 (the telnet COM-PORT option) by
// Debian's gensio library, behind the same Device seam as a local terminal, so the
// component, the exchange and the programs use them unchanged. How the terminal's
// requests map onto RFC 2217:
// - Line settings (bit rate, data bits, parity, stop bits) go to the server, which
//   answers with the values in force; a write of the settings waits for those answers
//   (kRfc2217AnswerTime at most) and fails with EINVAL when the server keeps other
//   values, ETIMEDOUT when it does not answer. Reading the settings gives the server's
//   answers. Settings equal to the server's last answers are not sent again.
// - Output flow (CRTSCTS, IXON) and input flow (CRTSCTS, IXOFF), DTR and RTS are sent
//   without waiting: a server in front of a pseudo-terminal never answers DTR and RTS.
// - The modem input lines come from the server's reports; until a report shows one of
//   them on, the port counts as one without modem lines (ser2net reports all lines off
//   for a pseudo-terminal), so nothing holds the output. Line errors and breaks the
//   server reports are counted (Counters); which byte had the error is not known, so
//   the input carries no error marks. With PARMRK set, a data byte 0xFF is doubled in the
//   input, as the kernel does.
// - The output queue holds the bytes gensio has not yet taken: what waits in the
//   network or in the server is not seen. Purge empties both local queues and asks the
//   server to purge its buffers; bytes already on the way cannot be called back.
// - The connection lost (server gone, network down): the handle reports a hang-up, and
//   every operation fails with EIO, as on a terminal that was unplugged, except the
//   output queue: it keeps counting the bytes that never left, so that a write does not
//   count those it handed over before as unsent (the unit may have received them).

#include "serial/tty_device.h"

#include <chrono>
#include <memory>
#include <string>
#include <string_view>

namespace torv::tty {

inline constexpr std::string_view kRfc2217Scheme = "rfc2217://";

// How long opening waits for the connection and for the server's first answers, and a
// write of the line settings for the server's answers.
inline constexpr std::chrono::seconds kRfc2217AnswerTime{3};

// True for a name of the form rfc2217://... (whether well formed or not).
bool IsRfc2217Name(std::string_view name);

// Connects to the server named "rfc2217://HOST:PORT" (HOST a name, an IPv4 address or an
// IPv6 address in brackets) and reads its line settings. Raises ESioCommError "Can't open
// specified device NAME (why)" when the name is malformed, the server cannot be reached,
// does not speak RFC 2217 or closes the connection.
std::unique_ptr<Device> OpenRfc2217(const std::string& name);

}  // namespace torv::tty
