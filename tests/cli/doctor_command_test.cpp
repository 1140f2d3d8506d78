// torvctl doctor against the emulated adapter, a missing device, a busy port, a silent
// adapter, an adapter without a transmitter, and a line bridged TX to RX.
#include <gtest/gtest.h>

#include <poll.h>
#include <unistd.h>

#include <QJsonArray>

#include <atomic>
#include <thread>

#include "cli/arguments.h"
#include "command_fixture.h"
#include "pty_pair.h"
#include "serial/tty_device.h"

namespace torv::cli {
namespace {

using DoctorTest = ExchangeCommandsTest;

// The checks of the one port doctor looked at: name to status and text.
std::map<std::string, std::pair<std::string, std::string>> Checks(const Outcome& outcome,
                                                                  std::vector<std::string>* order = nullptr)
{
    std::map<std::string, std::pair<std::string, std::string>> checks;
    const QJsonArray ports = outcome.Json().value("ports").toArray();
    EXPECT_EQ(ports.size(), 1) << outcome.out;
    for (const QJsonValue& value : ports.at(0).toObject().value("checks").toArray()) {
        const QJsonObject check = value.toObject();
        checks[check.value("check").toString().toStdString()] = {check.value("status").toString().toStdString(),
                                                                 check.value("text").toString().toStdString()};
        if (order)
            order->push_back(check.value("check").toString().toStdString());
    }
    return checks;
}

TEST_F(DoctorTest, AWorkingAdapterAndWhatEachFaultLooksLike)
{
    std::vector<std::string> order;
    const Outcome good = Run({"doctor", Line(), "--json"});
    EXPECT_EQ(good.code, kExitOk) << good.out;
    auto checks = Checks(good, &order);
    EXPECT_EQ(order, (std::vector<std::string>{"device", "permissions", "holders", "modemmanager", "brltty", "line",
                                               "adapter", "transmitter"}));
    EXPECT_EQ(checks["device"].first, "ok");
    EXPECT_NE(checks["holders"].first, "failed") << "the emulator keeps its end open without locking it";
    EXPECT_EQ(checks["line"].first, "not-checkable") << "a pseudo-terminal ignores parity";
    EXPECT_EQ(checks["adapter"].second, "the adapter answered: \"Quasar3 v2.1\"");
    EXPECT_EQ(checks["transmitter"].second, "device type 13, serial number 13071234, firmware 1.23");
    EXPECT_FALSE(SawCommand(AdapterCommand::ParamWrite));

    const Outcome missing = Run({"doctor", "--port", "/dev/torv-no-such-port", "--json"});
    EXPECT_EQ(missing.code, kExitPortUnavailable);
    checks = Checks(missing);
    EXPECT_EQ(checks["device"].first, "failed");
    EXPECT_EQ(checks.count("line"), 0u);

    const std::string port = Line();
    int error = 0;
    std::unique_ptr<tty::Device> holder = tty::OpenTerminal(emulator_->SlavePath(), error);
    ASSERT_TRUE(holder) << error;
    const Outcome busy = Run({"doctor", port, "--json"});
    holder.reset();
    EXPECT_EQ(busy.code, kExitPortUnavailable);
    checks = Checks(busy);
    EXPECT_EQ(checks["holders"].first, "failed");
    EXPECT_NE(checks["holders"].second.find("(pid " + std::to_string(::getpid()) + ")"), std::string::npos);
    EXPECT_EQ(checks["line"].first, "failed");

    EmulatorFaults silent;
    silent.silent[AdapterCommand::Identify] = kAlways;
    const Outcome noAdapter = Run({"doctor", Line(silent), "--json"});
    EXPECT_EQ(noAdapter.code, kExitExchangeFailed);
    EXPECT_EQ(Checks(noAdapter)["adapter"].first, "failed");

    const Outcome alone = Run({"doctor", Line({}, MakeContents({.deviceType = 0})), "--json"});
    EXPECT_EQ(alone.code, kExitOk) << alone.out;
    EXPECT_EQ(Checks(alone)["transmitter"].second, "adapter present, no transmitter");

    const Outcome text = Run({"doctor", Line()});
    EXPECT_EQ(text.code, kExitOk);
    EXPECT_NE(text.out.find("  line: not-checkable: a pseudo-terminal takes any line settings"), std::string::npos)
        << text.out;
    EXPECT_EQ(Run({"doctor", "extra"}).code, kExitUsage);
}

// With TX bridged to RX (here: whatever the port sends comes back from the other end)
// all 256 byte values return; without the bridge none does.
TEST_F(DoctorTest, LoopbackSendsEveryByteValue)
{
    test::PtyPair pty;
    std::atomic<bool> bridged{true}, stop{false};
    std::thread bridge([&] {
        char buffer[256];
        while (!stop) {
            pollfd wait{pty.Master(), POLLIN, 0};
            if (::poll(&wait, 1, 20) <= 0)
                continue;
            const ssize_t count = ::read(pty.Master(), buffer, sizeof buffer);
            if (count > 0 && bridged) {
                EXPECT_EQ(::write(pty.Master(), buffer, static_cast<std::size_t>(count)), count);
            }
        }
    });
    const Outcome looped = Run({"doctor", "--port", pty.SlavePath(), "--loopback", "--json"});
    bridged = false;
    const Outcome open = Run({"doctor", "--port", pty.SlavePath(), "--loopback", "--json"});
    stop = true;
    bridge.join();
    EXPECT_EQ(looped.code, kExitOk) << looped.out;
    EXPECT_EQ(Checks(looped)["loopback"].first, "ok");
    EXPECT_EQ(open.code, kExitExchangeFailed);
    EXPECT_NE(Checks(open)["loopback"].second.find("of 256 byte values sent, 0 came back"), std::string::npos);
}

}  // namespace
}  // namespace torv::cli
