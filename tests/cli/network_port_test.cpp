// torvctl through a network serial server: a real ser2net in front of the emulated
// adapter's pseudo-terminal (preset to 9600 8N1), and the server lost mid-exchange.
#include <gtest/gtest.h>

#include <QJsonObject>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>

#include "cli/arguments.h"
#include "command_fixture.h"
#include "emulator/adapter_emulator.h"
#include "ser2net_server.h"

namespace torv::cli {
namespace {

using namespace std::chrono_literals;

class NetworkPortTest : public ExchangeCommandsTest {
protected:
    // The adapter's thread, which may kill the server, ends before the server goes.
    ~NetworkPortTest() override { emulator_.reset(); }

    // The emulated adapter behind ser2net; the --port option that reaches it. With
    // killAt, ser2net is killed as soon as the adapter has that command (and before it
    // answers).
    std::string NetworkLine(const std::string& killAt = {})
    {
        victim_ = nullptr;
        emulator_ = std::make_unique<AdapterEmulator>(MakeContents());
        if (!killAt.empty()) {
            emulator_->SetTrace([this, killAt](const std::string& line) {
                if (line.starts_with("received " + killAt))
                    victim_.load()->Kill();
            });
        }
        emulator_->Start();
        stored_ = emulator_->StoredBlock();
        server_ = std::make_unique<test::Ser2NetServer>(emulator_->SlavePath());
        victim_ = server_.get();
        return "--port=" + server_->PortName();
    }

    // torvctl, timed.
    Outcome RunTimed(std::vector<std::string> words, std::chrono::milliseconds& took)
    {
        const auto start = std::chrono::steady_clock::now();
        Outcome outcome = Run(std::move(words));
        took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
        return outcome;
    }

    std::unique_ptr<test::Ser2NetServer> server_;
    std::atomic<test::Ser2NetServer*> victim_{nullptr};  // the server the adapter's thread kills
};

TEST_F(NetworkPortTest, ReadsWritesAndRunsABatchAsOnALocalPort)
{
    const std::string line = NetworkLine();
    const Outcome read = Run({"read", line, "--json"});
    ASSERT_EQ(read.code, kExitOk) << read.err;
    EXPECT_EQ(read.Json().value("transmitter").toObject().value("serial").toString(), "13071234");

    const Outcome written = Run({"write", line, "--f1", "150.0", "--f2", "173.9999", "--json"});
    ASSERT_EQ(written.code, kExitOk) << written.err;
    EXPECT_EQ(written.Json().value("outcome").toString(), "written and verified");
    EXPECT_NE(emulator_->StoredBlock(), stored_);
    EXPECT_EQ(Rows().front().port, server_->PortName());

    const Outcome batch = Run({"batch", line, "--f1", "152.0", "--units", "1"});
    EXPECT_EQ(batch.code, kExitOk) << batch.err;
    EXPECT_NE(batch.out.find("programmed and verified"), std::string::npos) << batch.out;
}

// The connection dropped while the adapter's answer was due: the exchange ends as for a
// silent local adapter, in the time its prompts take, never hanging.
TEST_F(NetworkPortTest, ServerKilledMidExchangeEndsLikeALostAdapter)
{
    const struct {
        std::string killAt;
        int code;
        std::string failure;
    } cases[] = {
        {"info", kExitExchangeFailed, "exchange-failed"},
        {"write", kExitNotVerified, "not-verified"},
    };
    for (const auto& [killAt, code, failure] : cases) {
        const std::string line = NetworkLine(killAt);
        std::chrono::milliseconds took{};
        const Outcome outcome = RunTimed({"write", line, "--f1", "150.0", "--json"}, took);
        EXPECT_EQ(outcome.code, code) << killAt << ": " << outcome.err;
        EXPECT_EQ(outcome.Json().value("failure").toString(), QString::fromStdString(failure)) << killAt;
        EXPECT_LT(took, 10s) << killAt;
    }
}

TEST_F(NetworkPortTest, AServerWithoutRfc2217IsNamedAsSuch)
{
    const test::SilentListener silent;
    const Outcome outcome = Run({"read", "--port", silent.PortName(), "--json"});
    EXPECT_EQ(outcome.code, kExitPortUnavailable);
    const QString message = outcome.Json().value("message").toString();
    EXPECT_TRUE(message.startsWith(QString::fromStdString("Can't open specified device " + silent.PortName() +
                                                          " (the server does not answer the telnet negotiation of "
                                                          "RFC 2217 within 3 s: it is no RFC 2217 serial server")))
        << message.toStdString();
}

}  // namespace
}  // namespace torv::cli
