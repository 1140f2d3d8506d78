// Opening, closing, the setter rules and the line settings, on pseudo-terminals.
#include "pty_pair.h"
#include "serial/sio_comm.h"
#include "serial/sio_error.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>

namespace torv {
namespace {

using test::PtyPair;
using namespace std::chrono_literals;

std::string MessageOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const ESioCommError& error) {
        return error.what();
    }
    return "(nothing raised)";
}

// The slave's termios as seen through a descriptor of our own.
termios SlaveSettings(const PtyPair& pty)
{
    const int fd = ::open(pty.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    termios settings{};
    ::tcgetattr(fd, &settings);
    ::close(fd);
    return settings;
}

speed_t SlaveSpeed(const PtyPair& pty)
{
    const termios settings = SlaveSettings(pty);
    return cfgetospeed(&settings);
}

TEST(TSioCommClosed, HasTheDefaultsAndDoesNothing)
{
    TSioComm port;
    EXPECT_EQ(port.Baudrate(), TSioBaudrate::br1200);
    EXPECT_EQ(port.Parity(), TSioParity::paNone);
    EXPECT_EQ(port.Databits(), TSioDatabits::db8);
    EXPECT_EQ(port.Stopbits(), TSioStopbits::sb1);
    EXPECT_EQ(port.DeviceName(), "COM%d");
    EXPECT_EQ(port.MonitorEvents(), TSioCommEvent::ceError | TSioCommEvent::ceRxChar | TSioCommEvent::ceTxEmpty);
    EXPECT_EQ(port.EventPriority(), TSioThreadPriority::tpNormal);
    EXPECT_EQ(port.WritePriority(), TSioThreadPriority::tpHighest);
    EXPECT_FALSE(port.DirectWrite());
    EXPECT_TRUE(port.UpdateDCB());
    EXPECT_EQ(port.CloseSettleTime(), TSioComm::kCloseSettleTime);
    EXPECT_EQ(TSioComm::Version(), "1.3.8.0");

    char buffer[4] = {};
    EXPECT_EQ(port.ReadBytes(buffer, 4), 0);
    EXPECT_EQ(port.WriteBytes("abcd", 4), 0);
    EXPECT_EQ(port.InputCount(), 0);
    EXPECT_EQ(port.OutputCount(), 0);
    EXPECT_EQ(port.ReadAllText(), "");
    int closes = 0;
    QObject scope;
    port.OnClose.Connect(&scope, [&](TSioComm*) { ++closes; });
    const auto start = std::chrono::steady_clock::now();
    port.PurgeAll();
    port.ClosePort();
    EXPECT_LT(std::chrono::steady_clock::now() - start, TSioComm::kCloseSettleTime);
    EXPECT_EQ(closes, 0);
}

TEST(TSioCommClosed, DevicePathPutsPortNumIntoThePlaceholder)
{
    TSioComm port;
    port.SetPortNum(3);
    EXPECT_EQ(port.DevicePath(), "COM3");
    port.SetDeviceName("/dev/ttyUSB%d");
    EXPECT_EQ(port.DevicePath(), "/dev/ttyUSB3");
    port.SetDeviceName("/dev/pts/7");
    EXPECT_EQ(port.DevicePath(), "/dev/pts/7");
    port.SetDeviceName("/dev/%s%n%d");  // no printf: other conversions stay text
    EXPECT_EQ(port.DevicePath(), "/dev/%s%n3");
    port.SetDeviceName("/tmp/ttyV%d");  // outside /dev: a path made by another program, used as it is
    EXPECT_EQ(port.DevicePath(), "/tmp/ttyV%d");
}

TEST(TSioCommOpen, MissingDeviceIsNamedWithItsPath)
{
    TSioComm port;
    port.SetDeviceName("/dev/ttyNoSuchPort%d");
    port.SetPortNum(7);
    EXPECT_EQ(MessageOf([&] { port.OpenPort(); }), "Specified device not found (/dev/ttyNoSuchPort7).");
    EXPECT_FALSE(port.IsOpen());
}

TEST(TSioCommOpen, ADeviceThatIsNoTerminalIsRefusedAndLeftClosed)
{
    TSioComm port;
    port.SetDeviceName("/dev/null");
    EXPECT_EQ(MessageOf([&] { port.OpenPort(); }), "Error writing dcb (25), Inappropriate ioctl for device");
    EXPECT_FALSE(port.IsOpen());
}

TEST(TSioCommOpen, AppliesTheProgrammerLineAndRefusesFirstGroupSetters)
{
    PtyPair pty;
    TSioComm port;
    port.SetCloseSettleTime(0ms);
    ApplyProgrammerPortSettings(port);
    port.SetDeviceName(pty.SlavePath());
    int opens = 0;
    QObject scope;
    port.OnOpen.Connect(&scope, [&](TSioComm* sender) {
        EXPECT_EQ(sender, &port);
        ++opens;
    });
    port.OpenPort();
    ASSERT_TRUE(port.IsOpen());
    EXPECT_EQ(opens, 1);

    const termios line = SlaveSettings(pty);
    EXPECT_EQ(cfgetospeed(&line), static_cast<speed_t>(B2400));
    EXPECT_EQ(line.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(line.c_cflag & (CLOCAL | CREAD | HUPCL | CRTSCTS), static_cast<tcflag_t>(CLOCAL | CREAD));
    EXPECT_EQ(line.c_iflag, static_cast<tcflag_t>(INPCK | PARMRK));  // a pseudo-terminal drops PARENB itself
    EXPECT_EQ(line.c_lflag & (ICANON | ECHO | ISIG), 0u);
    EXPECT_EQ(line.c_cc[VMIN], 0);
    EXPECT_EQ(line.c_cc[VTIME], 0);

    const std::string busy = "Can't perform this operation while port is open";
    EXPECT_EQ(MessageOf([&] { port.OpenPort(); }), busy);
    EXPECT_EQ(MessageOf([&] { port.SetDeviceName("/dev/null"); }), busy);
    EXPECT_EQ(MessageOf([&] { port.SetPortNum(2); }), busy);
    EXPECT_EQ(MessageOf([&] { port.SetMonitorEvents({}); }), busy);
    EXPECT_EQ(MessageOf([&] { port.SetDirectWrite(false); }), busy);
    EXPECT_EQ(MessageOf([&] { port.SetUpdateDCB(false); }), busy);
    EXPECT_EQ(MessageOf([&] { port.SetBuffers(TSioBuffers{}); }), busy);
    EXPECT_EQ(port.Buffers().ReadTimeout(), 1500);  // refused before anything changed
    // One size at a time: stored, then refused; the open port keeps going.
    EXPECT_EQ(MessageOf([&] { port.Buffers().SetReadSize(100); }), busy);
    EXPECT_EQ(port.Buffers().ReadSize(), 100);
    port.Buffers().SetWriteTimeout(50);
    EXPECT_EQ(port.Buffers().WriteTimeout(), 50);
    EXPECT_EQ(port.DeviceName(), pty.SlavePath());
    EXPECT_TRUE(port.IsOpen());
}

TEST(TSioCommOpen, LineSettingsChangeAtOnceWhileOpen)
{
    PtyPair pty;
    TSioComm port;
    port.SetCloseSettleTime(0ms);
    port.SetDeviceName(pty.SlavePath());
    port.SetMonitorEvents({});
    port.OpenPort();

    port.SetBaudrate(TSioBaudrate::br9600);
    EXPECT_EQ(SlaveSpeed(pty), static_cast<speed_t>(B9600));
    port.FlowControl().SetXonXoffOut(true);
    EXPECT_NE(SlaveSettings(pty).c_iflag & IXON, 0u);
    TSioEventChars chars;
    chars.SetXoffChar(0x05);
    port.SetEventChars(chars);
    EXPECT_EQ(SlaveSettings(pty).c_cc[VSTOP], 0x05);

    // An equal value applies nothing: a change made behind the component's back stays.
    const int fd = ::open(pty.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    termios changed = SlaveSettings(pty);
    cfsetospeed(&changed, B4800);
    ::tcsetattr(fd, TCSANOW, &changed);
    ::close(fd);
    port.SetBaudrate(TSioBaudrate::br9600);
    EXPECT_EQ(SlaveSpeed(pty), static_cast<speed_t>(B4800));

    EXPECT_EQ(MessageOf([&] { port.SetDatabits(TSioDatabits::db4); }), "Error writing dcb (22), Invalid argument");
}

TEST(TSioCommOpen, BaudrateAndUserBaudrateExcludeEachOther)
{
    TSioComm port;
    port.SetUserBaudrate(31250);
    EXPECT_EQ(port.Baudrate(), TSioBaudrate::brUser);
    port.SetBaudrate(TSioBaudrate::br2400);
    EXPECT_EQ(port.UserBaudrate(), 0);
}

TEST(TSioCommOpen, SecondOpenerIsRefusedAndCloseReleasesTheDevice)
{
    PtyPair pty;
    TSioComm first;
    first.SetDeviceName(pty.SlavePath());
    first.OpenPort();

    TSioComm second;
    second.SetDeviceName(pty.SlavePath());
    second.SetCloseSettleTime(0ms);
    EXPECT_EQ(MessageOf([&] { second.OpenPort(); }),
              "Can't open specified device " + pty.SlavePath() + " (Error 16, Device or resource busy)");
    EXPECT_FALSE(second.IsOpen());

    int closes = 0;
    QObject scope;
    first.OnClose.Connect(&scope, [&](TSioComm*) { ++closes; });
    const auto start = std::chrono::steady_clock::now();
    first.ClosePort();
    EXPECT_GE(std::chrono::steady_clock::now() - start, TSioComm::kCloseSettleTime);
    EXPECT_EQ(closes, 1);
    EXPECT_FALSE(first.IsOpen());

    // The terminal outlives the close (the master is open): no exclusive flag is left on it.
    const int fd = ::open(pty.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    int exclusive = -1;
    ASSERT_EQ(::ioctl(fd, TIOCGEXCL, &exclusive), 0);
    EXPECT_EQ(exclusive, 0);
    ::close(fd);
    second.OpenPort();
    EXPECT_TRUE(second.IsOpen());
}

TEST(TSioCommOpen, AnExceptionFromOnOpenLeavesThePortOpen)
{
    PtyPair pty;
    TSioComm port;
    port.SetCloseSettleTime(0ms);
    port.SetDeviceName(pty.SlavePath());
    port.OnOpen.Connect(&port, [](TSioComm*) { throw ESioCommError("from the handler"); });
    std::string handled;
    SetApplicationExceptionHandler([&](const std::exception& error) { handled = error.what(); });
    port.OpenPort();
    SetApplicationExceptionHandler(nullptr);
    EXPECT_TRUE(port.IsOpen());
    EXPECT_EQ(handled, "from the handler");
}

TEST(TSioCommOpen, AutoOpenOpensWhenLoaded)
{
    PtyPair pty;
    TSioComm port;
    port.SetCloseSettleTime(0ms);
    port.SetDeviceName(pty.SlavePath());
    port.Loaded();
    EXPECT_FALSE(port.IsOpen());
    port.SetAutoOpen(true);
    port.Loaded();
    EXPECT_TRUE(port.IsOpen());
}

TEST(TSioCommOpen, DestroyingAnOpenPortClosesItWithoutOnClose)
{
    PtyPair pty;
    int closes = 0;
    {
        TSioComm port;
        port.SetDeviceName(pty.SlavePath());
        port.SetCloseSettleTime(0ms);
        port.OnClose.Connect(&port, [&](TSioComm*) { ++closes; });
        port.OpenPort();
    }
    EXPECT_EQ(closes, 0);
    TSioComm again;
    again.SetDeviceName(pty.SlavePath());
    again.SetCloseSettleTime(0ms);
    again.OpenPort();
    EXPECT_TRUE(again.IsOpen());
}

TEST(ApplyProgrammerPortSettings, SetsTheLayoutValues)
{
    TSioComm port;
    ApplyProgrammerPortSettings(port);
    EXPECT_EQ(port.Baudrate(), TSioBaudrate::br2400);
    EXPECT_EQ(port.Parity(), TSioParity::paEven);
    EXPECT_EQ(port.Databits(), TSioDatabits::db8);
    EXPECT_EQ(port.Stopbits(), TSioStopbits::sb1);
    EXPECT_EQ(port.Options(), TSioCommOptions{TSioCommOption::coParityCheck});
    EXPECT_TRUE(port.FlowControl().OutCtsFlow());
    EXPECT_FALSE(port.FlowControl().OutDsrFlow());
    EXPECT_EQ(port.FlowControl().ControlDtr(), TSioControlDtr::dtrDisabled);
    EXPECT_EQ(port.FlowControl().ControlRts(), TSioControlRts::rtsDisabled);
    EXPECT_FALSE(port.FlowControl().XonXoffOut());
    EXPECT_FALSE(port.FlowControl().XonXoffIn());
    EXPECT_EQ(port.Buffers().ReadTimeout(), 1500);
    EXPECT_EQ(port.Buffers().WriteTimeout(), 1500);
    EXPECT_TRUE(port.DirectWrite());
    EXPECT_EQ(port.DeviceName(), "COM%d");
}

}  // namespace
}  // namespace torv
