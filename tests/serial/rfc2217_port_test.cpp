// Ports on a network serial server: a real ser2net in front of a pseudo-terminal, its
// port preset to 9600 8N1, reached as rfc2217://127.0.0.1:PORT.
#include "event_loop.h"
#include "pty_pair.h"
#include "ser2net_server.h"
#include "serial/rfc2217_device.h"
#include "serial/sio_comm.h"
#include "serial/sio_error.h"
#include "serial/tty_port.h"

#include <gtest/gtest.h>

#include <asm/termbits.h>

#include <chrono>
#include <functional>
#include <string>

namespace torv {
namespace {

using test::PtyPair;
using test::Ser2NetServer;
using testing::RunUntil;
using namespace std::chrono_literals;

std::string AllByteValues()
{
    std::string bytes;
    for (int value = 0; value < 256; ++value) {
        bytes.push_back(static_cast<char>(value));
    }
    return bytes + "\r\n\r" + std::string(1, '\0') + "\xff\xff";  // telnet's own specials once more
}

class Rfc2217Port : public ::testing::Test {
protected:
    void SetUp() override
    {
        ApplyProgrammerPortSettings(port);
        port.SetDeviceName(server.PortName());
        port.SetCloseSettleTime(0ms);
        port.OnRxChar.Connect(&scope, [this](TSioComm*, int) { received += port.ReadAllText(); });
        port.OnError.Connect(&scope, [this](TSioComm*, int errors) { lineErrors |= errors; });
    }

    PtyPair pty;
    Ser2NetServer server{pty.SlavePath()};
    TSioComm port;
    std::string received;
    int lineErrors = 0;
    QObject scope;
};

// The line items read back are the server's answers: first its preset, then what it
// was set to, on every new connection (ser2net sets its preset again on each).
TEST_F(Rfc2217Port, SetsTheLineOnTheServerWhateverItWasSetTo)
{
    tty::LineSettings programmer;
    programmer.baudrate = 2400;
    programmer.parity = TSioParity::paEven;
    tty::LineSettings other;
    other.baudrate = 19200;
    other.parity = TSioParity::paOdd;
    other.databits = TSioDatabits::db7;
    other.stopbits = TSioStopbits::sb2;
    const struct {
        tty::LineSettings line;
        std::uint32_t speed;
        std::uint32_t flags;
    } cases[] = {{programmer, 2400, CS8 | PARENB}, {other, 19200, CS7 | PARENB | PARODD | CSTOPB}};
    for (const auto& [line, speed, flags] : cases) {
        int error = 0;
        const auto device = tty::OpenDevice(server.PortName(), error);
        ASSERT_NE(device, nullptr);
        tty::TermiosWords words;
        ASSERT_EQ(device->GetAttributes(words), 0);
        EXPECT_EQ(words.speed, 9600u);
        EXPECT_EQ(words.cflag & (CSIZE | PARENB | PARODD | CMSPAR | CSTOPB), static_cast<std::uint32_t>(CS8));

        ASSERT_EQ(tty::ApplyLineSettings(*device, line), 0) << speed;
        ASSERT_EQ(device->GetAttributes(words), 0);
        EXPECT_EQ(words.speed, speed);
        EXPECT_EQ(words.cflag & (CSIZE | PARENB | PARODD | CMSPAR | CSTOPB), flags);
        EXPECT_EQ(device->ModemStatus(), std::nullopt);  // ser2net reports a pseudo-terminal's lines all off
    }
}

TEST_F(Rfc2217Port, CarriesEveryByteValueBothWaysAndPurges)
{
    port.OpenPort();
    const std::string bytes = AllByteValues();
    pty.Send(bytes);
    ASSERT_TRUE(RunUntil([&] { return received.size() >= bytes.size(); }, 3000)) << received.size();
    EXPECT_EQ(received, bytes);

    EXPECT_EQ(port.WriteBytes(bytes.data(), static_cast<int>(bytes.size())), static_cast<int>(bytes.size()));
    std::string arrived;
    for (int tries = 0; tries < 20 && arrived.size() < bytes.size(); ++tries) {
        arrived += pty.Receive();
    }
    EXPECT_EQ(arrived, bytes);

    port.OnRxChar.Connect(&scope, [](TSioComm*, int) {});  // leaves what arrives waiting
    pty.Send("stale");
    ASSERT_TRUE(RunUntil([&] { return port.InputCount() == 5; }, 3000));
    port.PurgeAll();
    EXPECT_EQ(port.InputCount(), 0);
    EXPECT_EQ(lineErrors, 0);
}

TEST_F(Rfc2217Port, ALostConnectionIsAHangUp)
{
    port.OpenPort();
    server.Kill();
    ASSERT_TRUE(RunUntil([&] { return lineErrors != 0; }, 3000));
    EXPECT_EQ(lineErrors, line_error::kIoError);
    EXPECT_EQ(port.InputCount(), 0);
    EXPECT_EQ(port.OutputCount(), 0);
    try {
        port.WriteBytes("x", 1);
        ADD_FAILURE() << "a write on a lost connection raised nothing";
    } catch (const ESioCommError& error) {
        EXPECT_STREQ(error.what(), "Write error (5), Input/output error");
    }
    port.ClosePort();
    EXPECT_FALSE(port.IsOpen());
}

// What opening says, for every way it can fail; the port stays closed and nothing waits
// much beyond the server's time to answer.
TEST(Rfc2217Open, FailuresSayWhy)
{
    PtyPair pty;
    const test::SilentListener silent;
    const test::LoopbackSocket closed(false);
    const Ser2NetServer telnetOnly(pty.SlavePath(), "telnet");
    const Ser2NetServer noDevice("/dev/torv-no-such-device");
    const std::string notRfc2217 = "ser2net needs telnet(rfc2217) before tcp in its accepter";
    const struct {
        std::string name;
        std::string says;
    } cases[] = {
        {silent.PortName(),
         "the server does not answer the telnet negotiation of RFC 2217 within 3 s: it is no "
         "RFC 2217 serial server (" +
             notRfc2217 + ")"},
        {telnetOnly.PortName(), "the server refused RFC 2217: " + notRfc2217},
        {closed.PortName(), "cannot connect to 127.0.0.1 port " + std::to_string(closed.Port())},
        {noDevice.PortName(), "the server closed the connection"},
        {"rfc2217://127.0.0.1", "a network port is named rfc2217://HOST:PORT"},
        {"rfc2217://127.0.0.1:0", "a network port is named rfc2217://HOST:PORT"},
        {"rfc2217://host,ssl:3001", "a network port is named rfc2217://HOST:PORT"},
        {"rfc2217://[::1:3001", "a network port is named rfc2217://HOST:PORT"},
    };
    for (const auto& [name, says] : cases) {
        TSioComm port;
        port.SetDeviceName(name);
        const auto start = std::chrono::steady_clock::now();
        try {
            port.OpenPort();
            ADD_FAILURE() << name << " opened";
        } catch (const ESioCommError& error) {
            EXPECT_EQ(std::string(error.what()).rfind("Can't open specified device " + name + " (" + says, 0), 0u)
                << error.what();
        }
        EXPECT_LT(std::chrono::steady_clock::now() - start, tty::kRfc2217AnswerTime + 1s) << name;
        EXPECT_FALSE(port.IsOpen()) << name;
    }
}

}  // namespace
}  // namespace torv
