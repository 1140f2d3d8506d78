// What only a real UART exercises, through the device seam: the output lines held off,
// line errors and breaks marked in the input, modem-line events, and a device left in
// cooked mode by another program.
#include "event_loop.h"
#include "fake_uart.h"
#include "serial/sio_comm.h"
#include "serial/sio_error.h"

#include <asm/termbits.h>
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace torv {
namespace {

using testing::ProcessEventsFor;
using testing::RunUntil;
using namespace std::chrono_literals;

class UartPort : public ::testing::Test {
protected:
    void SetUp() override
    {
        ApplyProgrammerPortSettings(port);
        port.SetCloseSettleTime(0ms);
        uart.Attach(port);
    }

    // Changes the modem lines once the component waits for them.
    void FlipLines(int lines)
    {
        ASSERT_TRUE(RunUntil([&] { return uart.ModemWaiting(); }, 2000));
        uart.SetLines(uart.Lines() ^ lines);
    }

    test::FakeUart uart;
    TSioComm port;
};

TEST_F(UartPort, DtrAndRtsAreHeldOffFromOpenOn)
{
    uart.SetLines(tty::kCts);
    port.OpenPort();
    EXPECT_EQ(uart.Lines() & (tty::kDtr | tty::kRts), 0);
    port.SetBaudrate(TSioBaudrate::br9600);  // the line settings applied again
    EXPECT_EQ(port.WriteBytes("x", 1), 1);
    EXPECT_EQ(uart.Lines() & (tty::kDtr | tty::kRts), 0);

    port.FlowControl().SetControlDtr(TSioControlDtr::dtrHandshake);  // Linux has no DTR handshake: DTR on
    EXPECT_EQ(uart.Lines() & (tty::kDtr | tty::kRts), tty::kDtr);
}

TEST_F(UartPort, LineErrorsAndBreaksAreDeliveredAsTheOptionsSay)
{
    const auto parity = [](tty::LineCounters& counters) { ++counters.parity; };
    const auto brk = [](tty::LineCounters& counters) { ++counters.brk; };
    struct Case {
        const char* what;
        std::string raw;  // as the kernel marks it
        std::function<void(tty::LineCounters&)> count;
        TSioCommOptions options;
        bool keepsCounters;
        std::string data;
        int errors;  // OnError's flags, 0: not raised
        bool brokeIn;
    };
    using enum TSioCommOption;
    const Case cases[] = {
        {"parity error kept", std::string("a\xff\0A", 4), parity, coParityCheck, true, "aA", line_error::kParity,
         false},
        {"parity error replaced", std::string("a\xff\0A", 4), parity, coParityCheck | coErrorChar, true, "a?",
         line_error::kParity, false},
        {"known by its mark alone",
         std::string("\xff\0A", 3),
         {},
         coParityCheck,
         false,
         "A",
         line_error::kParity,
         false},
        {"break", std::string("x\xff\0\0y", 5), brk, coParityCheck, true, "xy", 0, true},
        {"break by its mark alone", std::string("x\xff\0\0y", 5), {}, coParityCheck, false, "xy", 0, true},
        {"data 0xFF", "\xff\xff", {}, coParityCheck, true, "\xff", 0, false},
        {"zero bytes stripped", std::string("a\0b", 3), {}, coNullStrip, true, "ab", 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::FakeUart caseUart;
        TSioComm casePort;
        ApplyProgrammerPortSettings(casePort);
        casePort.SetCloseSettleTime(0ms);
        casePort.SetOptions(c.options);
        casePort.EventChars().SetErrorChar('?');
        casePort.SetMonitorEvents(TSioCommEvent::ceRxChar | TSioCommEvent::ceError | TSioCommEvent::ceBreak);
        caseUart.keepsCounters = c.keepsCounters;
        caseUart.Attach(casePort);
        std::string data;
        std::vector<int> errors;
        int breaks = 0;
        QObject scope;
        casePort.OnRxChar.Connect(&scope, [&](TSioComm*, int) { data += casePort.ReadAllText(); });
        casePort.OnError.Connect(&scope, [&](TSioComm*, int flags) { errors.push_back(flags); });
        casePort.OnBreak.Connect(&scope, [&](TSioComm*) { ++breaks; });
        casePort.OpenPort();
        caseUart.Receive(c.raw, c.count);
        EXPECT_TRUE(RunUntil([&] { return data == c.data; }, 2000)) << data;
        ProcessEventsFor(30);
        EXPECT_EQ(errors, c.errors != 0 ? std::vector<int>{c.errors} : std::vector<int>{});
        EXPECT_EQ(breaks, c.brokeIn ? 1 : 0);
    }
}

TEST_F(UartPort, EachModemLineRaisesItsEventInTheDispatchOrder)
{
    port.SetMonitorEvents(TSioCommEvent::ceCts | TSioCommEvent::ceDsr | TSioCommEvent::ceRlsd | TSioCommEvent::ceRing);
    std::vector<std::string> raised;
    QObject scope;
    port.OnCts.Connect(&scope, [&](TSioComm*) { raised.push_back("cts"); });
    port.OnDsr.Connect(&scope, [&](TSioComm*) { raised.push_back("dsr"); });
    port.OnRing.Connect(&scope, [&](TSioComm*) { raised.push_back("ring"); });
    port.OnRlsd.Connect(&scope, [&](TSioComm*) { raised.push_back("rlsd"); });
    port.OpenPort();
    const std::pair<int, const char*> lines[] = {
        {tty::kCts, "cts"}, {tty::kDsr, "dsr"}, {tty::kCarrier, "rlsd"}, {tty::kRing, "ring"}};
    for (const auto& [line, name] : lines) {
        raised.clear();
        FlipLines(line);
        ASSERT_TRUE(RunUntil([&] { return !raised.empty(); }, 2000)) << name;
        EXPECT_EQ(raised, std::vector<std::string>{name});
    }
    // All four at once make one event word, handled in the dispatch's order.
    raised.clear();
    FlipLines(tty::kCts | tty::kDsr | tty::kCarrier | tty::kRing);
    ASSERT_TRUE(RunUntil([&] { return raised.size() == 4; }, 2000));
    EXPECT_EQ(raised, (std::vector<std::string>{"cts", "dsr", "ring", "rlsd"}));

    // An exception in a handler ends the handling of that word.
    raised.clear();
    port.OnCts.Connect(&scope, [&](TSioComm*) {
        raised.push_back("cts");
        throw std::runtime_error("handler failed");
    });
    FlipLines(tty::kCts | tty::kDsr);
    ASSERT_TRUE(RunUntil([&] { return !raised.empty(); }, 2000));
    ProcessEventsFor(50);
    EXPECT_EQ(raised, std::vector<std::string>{"cts"});
    port.ClosePort();  // ends the wait on the modem lines
    EXPECT_FALSE(port.IsOpen());
}

TEST_F(UartPort, ModemLinesAreWatchedOnlyWhileTheirEventsAreInTheMask)
{
    int cts = 0;
    QObject scope;
    port.OnCts.Connect(&scope, [&](TSioComm*) { ++cts; });
    port.OpenPort();  // the programmer's mask: no modem-line events
    uart.SetLines(uart.Lines() ^ tty::kCts);
    ProcessEventsFor(50);
    EXPECT_EQ(cts, 0);
    EXPECT_EQ(uart.ModemWaits(), 0);
}

TEST_F(UartPort, WithoutUpdateDcbTheSettingsStayButTheLineIsBinary)
{
    uart.attributes.cflag = B9600 | CS7 | PARENB | CREAD;
    uart.attributes.speed = 9600;
    uart.attributes.iflag = ICRNL | IXON | ISTRIP;
    uart.attributes.oflag = OPOST | ONLCR;
    uart.attributes.lflag = ICANON | ECHO | ISIG | IEXTEN;
    port.SetUpdateDCB(false);
    port.OpenPort();
    EXPECT_EQ(uart.attributes.cflag, static_cast<std::uint32_t>(B9600 | CS7 | PARENB | CREAD));
    EXPECT_EQ(uart.attributes.speed, 9600u);
    EXPECT_EQ(uart.attributes.iflag, static_cast<std::uint32_t>(IXON));
    EXPECT_EQ(uart.attributes.oflag & OPOST, 0u);
    EXPECT_EQ(uart.attributes.lflag, 0u);
    EXPECT_EQ(uart.Lines() & (tty::kDtr | tty::kRts), tty::kDtr | tty::kRts);  // left as they were
}

// A driver keeps what it can do without an error: the rate read back tells. Within 2 % of
// 2400 bit/s a UART still reads the line; 4800 is refused and the port left closed.
TEST_F(UartPort, ARateTheDriverDoesNotTakeIsRefusedAsTheLineSettings)
{
    for (const auto& [kept, opens] : {std::pair{2400u, true}, std::pair{2403u, true}, std::pair{4800u, false}}) {
        uart.onlySpeed = kept;
        PortOpenFailure failure;
        try {
            port.OpenPort();
        } catch (const ESioCommError& error) {
            failure = error.OpenFailure();
        }
        EXPECT_EQ(port.IsOpen(), opens) << kept;
        EXPECT_EQ(failure.step, opens ? PortOpenStep::kNone : PortOpenStep::kLineSettings) << kept;
        port.ClosePort();
    }
}

}  // namespace
}  // namespace torv
