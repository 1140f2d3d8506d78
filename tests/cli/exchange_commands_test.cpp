// torvctl read and write against the emulated adapter, grouped by exit code, and the
// JSON they print in every case.
#include "cli/exchange_commands.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <atomic>
#include <fstream>
#include <map>
#include <memory>
#include <regex>
#include <sstream>

#include "cli/arguments.h"
#include "cli/dispatch.h"
#include "command_fixture.h"
#include "emulator/adapter_emulator.h"
#include "exchange/timing.h"
#include "serial/tty_device.h"
#include "serial/tty_port.h"

namespace torv::cli {
namespace {

TEST_F(ExchangeCommandsTest, VerifiedReadAndWriteExitZero)
{
    const Outcome text = Run({"read", "--demo"});
    ASSERT_EQ(text.code, kExitOk) << text.err;
    EXPECT_NE(text.out.find("serial number        13071234"), std::string::npos);
    EXPECT_NE(text.out.find("first frequency      146.0000 MHz"), std::string::npos);
    EXPECT_NE(text.out.find("(not enabled)"), std::string::npos);
    EXPECT_NE(text.err.find("Data read successfully."), std::string::npos);

    const QJsonObject read = Run({"read", Line(), "--json"}).Json();
    EXPECT_EQ(read.value("outcome").toString(), "read");
    EXPECT_EQ(read.value("damagedRecords").toArray().size(), 0);
    const QJsonObject transmitter = read.value("transmitter").toObject();
    EXPECT_EQ(transmitter.value("serial").toString(), "13071234");
    EXPECT_EQ(transmitter.value("deviceType").toInt(), 13);
    EXPECT_EQ(transmitter.value("first").toString(), "146.0000");
    EXPECT_TRUE(transmitter.value("gridStepKHz").isNull());
    EXPECT_FALSE(transmitter.value("secondEnabled").toBool());

    const Outcome written = Run({"write", Line(), "--f1", "150.0", "--f2", "173.9999", "--json"});
    ASSERT_EQ(written.code, kExitOk) << written.err;
    EXPECT_NE(written.err.find("Data updated successfully."), std::string::npos);
    const QJsonObject json = written.Json();
    EXPECT_EQ(json.value("outcome").toString(), "written and verified");
    EXPECT_EQ(json.value("before").toObject().value("first").toString(), "146.0000");
    EXPECT_EQ(json.value("after").toObject().value("first").toString(), "150.0000");
    EXPECT_EQ(json.value("after").toObject().value("second").toString(), "174.0000");
    EXPECT_TRUE(json.value("after").toObject().value("secondEnabled").toBool());
    EXPECT_NE(emulator_->StoredBlock(), stored_);

    const Outcome human = Run({"write", "--demo", "--f1", "150.0"});
    ASSERT_EQ(human.code, kExitOk) << human.err;
    EXPECT_NE(human.out.find("first frequency      150.0000 MHz"), std::string::npos);
}

TEST_F(ExchangeCommandsTest, DamagedDataAnsweredAutomaticallyIsRefused)
{
    for (const char* command : {"read", "write"}) {
        std::vector<std::string> words{command, Line(DamagedRecord1(kAlways)), "--json"};
        if (std::string(command) == "write")
            words.insert(words.end(), {"--f1", "150.0"});
        const Outcome refused = Run(words);
        EXPECT_EQ(refused.code, kExitRefused) << command;
        EXPECT_NE(refused.err.find("failed its check (record 1)"), std::string::npos) << refused.err;
        const QJsonObject json = refused.Json();
        EXPECT_EQ(json.value("failure").toString(), "damaged-data");
        EXPECT_EQ(json.value("prompt").toObject().value("letter").toString(), "G");
        EXPECT_FALSE(SawCommand(AdapterCommand::ParamWrite)) << command;
        EXPECT_EQ(emulator_->StoredBlock(), stored_) << command;
    }
}

TEST_F(ExchangeCommandsTest, DamagedDataTakenAsTheWindowsCancelDoes)
{
    const Outcome read = Run({"read", Line(DamagedRecord1()), "--accept-damaged", "--json"});
    ASSERT_EQ(read.code, kExitOk) << read.err;
    EXPECT_EQ(read.Json().value("damagedRecords").toArray(), QJsonArray{1});
    EXPECT_NE(read.err.find("record 1 failed its check and was accepted"), std::string::npos);

    // Taken by a person on the terminal: shown, but a write needs the option.
    const Outcome person = Run({"write", Line(DamagedRecord1()), "--f1", "150.0"}, "c\n");
    EXPECT_EQ(person.code, kExitRefused);
    EXPECT_NE(person.err.find("--accept-damaged writes over it"), std::string::npos);
    EXPECT_FALSE(SawCommand(AdapterCommand::ParamWrite));

    const Outcome written = Run({"write", Line(DamagedRecord1()), "--f1", "150.0", "--accept-damaged"});
    EXPECT_EQ(written.code, kExitOk) << written.err;
    EXPECT_NE(emulator_->StoredBlock(), stored_);
}

TEST_F(ExchangeCommandsTest, WritesThatCannotBeConfirmedExitFive)
{
    EmulatorFaults corrupted;
    corrupted.corruptReadbackCount = kAlways;
    const Outcome differs = Run({"write", Line(corrupted), "--f1", "150.0", "--json"});
    EXPECT_EQ(differs.code, kExitNotVerified) << differs.err;
    EXPECT_NE(differs.err.find("the unit's state is unknown"), std::string::npos);
    const QJsonObject json = differs.Json();
    EXPECT_EQ(json.value("failure").toString(), "not-verified");
    EXPECT_EQ(json.value("prompt").toObject().value("letter").toString(), "H");
    EXPECT_EQ(json.value("before").toObject().value("first").toString(), "146.0000");

    // The read-back goes unanswered; Retry on the terminal starts a read, which succeeds.
    std::atomic<bool> silenced{false};
    emulator_ = std::make_unique<AdapterEmulator>(MakeContents());
    emulator_->SetTrace([&](const std::string&) {
        const std::vector<ReceivedCommand> commands = emulator_->Commands();
        if (!silenced && !commands.empty() && commands.back().command == AdapterCommand::ParamWrite) {
            EmulatorFaults faults;
            faults.silent[AdapterCommand::ParamRequest] = 1;
            emulator_->SetFaults(faults);
            silenced = true;
        }
    });
    emulator_->Start();
    // y: the write confirmed; r: Retry.
    const Outcome retried = Run({"write", "--port=" + emulator_->SlavePath(), "--f1", "150.0"}, "y\nr\n");
    EXPECT_TRUE(silenced);
    EXPECT_EQ(retried.code, kExitNotVerified) << retried.err;
    EXPECT_NE(retried.err.find("The transmitter does not answer"), std::string::npos);
    EXPECT_NE(retried.err.find("Data read successfully."), std::string::npos);
    EXPECT_EQ(retried.out, "");
}

// A refusal names what can be written instead: the nearest frequencies that legacy mode
// reaches (both sides, or the one in the band), or the band of a grid or legacy unit.
TEST_F(ExchangeCommandsTest, RefusalsBeforeSendingExitOne)
{
    const Outcome tuning = Run({"write", "--demo", "--f1", "146.0125", "--json"});
    EXPECT_EQ(tuning.code, kExitRefused);
    EXPECT_NE(tuning.err.find("Frequency #1 146.0125 MHz cannot be programmed,\nas it needs the transmitter"),
              std::string::npos);
    EXPECT_NE(tuning.err.find("manufacturer.\nNearest: 146.0000 and 146.0250 MHz\n"), std::string::npos);
    EXPECT_NE(tuning.err.find("torvctl: the frequencies cannot be written as asked: nothing was written; nearest that "
                              "can be programmed: 146.0000 and 146.0250 MHz\n"),
              std::string::npos)
        << tuning.err;
    const QJsonObject json = tuning.Json();
    EXPECT_EQ(json.value("failure").toString(), "refused");
    EXPECT_EQ(json.value("nearest").toArray(), (QJsonArray{146.0, 146.025}));

    struct Case {
        TransmitterContents contents;
        std::vector<std::string> frequencies;
        QJsonArray nearest;
        std::string english;
    };
    const auto unit = [](std::uint8_t type, SynthMode mode, double mhz) {
        TransmitterIdentity identity;
        identity.deviceType = type;
        return MakeContents(identity, {mode, mhz});
    };
    const Case cases[] = {
        {unit(13, SynthMode::Legacy, 150),
         {"--f1", "150", "--f2", "145.9875"},
         QJsonArray{146.0},
         "nearest that can be programmed: 146.0000 MHz"},
        {unit(13, SynthMode::Legacy, 150),
         {"--f1", "150", "--f2", "180"},
         QJsonArray{},
         "the transmitter's band: 146.0000 to 174.0000 MHz"},
        {unit(14, SynthMode::Grid, 450),
         {"--f1", "480.0125"},
         QJsonArray{},
         "the transmitter's band: 440.0000 to 470.0000 MHz"},
    };
    for (const Case& c : cases) {
        emulator_ = std::make_unique<AdapterEmulator>(c.contents);
        emulator_->Start();
        std::vector<std::string> words{"write", "--port=" + emulator_->SlavePath(), "--json"};
        words.insert(words.end(), c.frequencies.begin(), c.frequencies.end());
        const Outcome refused = Run(words);
        EXPECT_EQ(refused.code, kExitRefused) << c.english;
        EXPECT_NE(refused.err.find(c.english), std::string::npos) << refused.err;
        EXPECT_EQ(refused.Json().value("nearest").toArray(), c.nearest) << c.english;
        EXPECT_FALSE(SawCommand(AdapterCommand::ParamWrite));
    }
    EXPECT_NE(
        Run({"write", "--demo", "--f1", "150", "--f2", "180"})
            .err.find("Frequency #2 180 MHz cannot be programmed,\nas the transmitter's frequency range is exceeded."
                      "\nContact the manufacturer.\nThe transmitter's band: 146.0000 to 174.0000 MHz\n"),
        std::string::npos);
}

TEST_F(ExchangeCommandsTest, ExchangeFailuresExitThree)
{
    EmulatorFaults silent;
    silent.silent[AdapterCommand::InfoRequest] = kAlways;
    const Outcome noReply = Run({"read", Line(silent), "--json"});
    EXPECT_EQ(noReply.code, kExitExchangeFailed);
    const QJsonObject json = noReply.Json();
    EXPECT_EQ(json.value("failure").toString(), "exchange-failed");
    EXPECT_EQ(json.value("prompt").toObject().value("letter").toString(), "I");

    EmulatorFaults noTransmitter;
    noTransmitter.wrongTypeCount = kAlways;
    const Outcome wrongType = Run({"write", Line(noTransmitter), "--f1", "150.0", "--json"});
    EXPECT_EQ(wrongType.code, kExitExchangeFailed);
    EXPECT_EQ(wrongType.Json().value("prompt").toObject().value("letter").toString(), "E");
    EXPECT_FALSE(SawCommand(AdapterCommand::ParamWrite));
}

TEST_F(ExchangeCommandsTest, UnavailablePortsExitFour)
{
    const Outcome missing = Run({"read", "--port", "/dev/torv-no-such-port", "--json"});
    EXPECT_EQ(missing.code, kExitPortUnavailable);
    EXPECT_NE(missing.err.find("/dev/torv-no-such-port does not exist"), std::string::npos);
    EXPECT_EQ(missing.err.find("is in use by the system"), std::string::npos)
        << "the window's box says less than the cause";
    EXPECT_EQ(missing.Json().value("failure").toString(), "port-unavailable");

    const std::string port = Line();
    int error = 0;
    std::unique_ptr<tty::Device> holder = tty::OpenTerminal(emulator_->SlavePath(), error);
    ASSERT_TRUE(holder) << error;
    const Outcome busy = Run({"read", port});
    holder.reset();
    EXPECT_EQ(busy.code, kExitPortUnavailable);
    EXPECT_NE(busy.err.find("is held by another program: "), std::string::npos) << busy.err;
    EXPECT_NE(busy.err.find("(pid " + std::to_string(::getpid()) + ")"), std::string::npos) << busy.err;
}

TEST_F(ExchangeCommandsTest, APortPathThatIsNotUtf8IsOpenedAsGiven)
{
    Line();
    const std::string link = journalDir_.path().toStdString() + "/\xcf\xee\xf0\xf2";  // "Порт" in Windows-1251
    ASSERT_EQ(::symlink(emulator_->SlavePath().c_str(), link.c_str()), 0);
    const Outcome read = Run({"read", "--port", link, "--trace"});
    ::unlink(link.c_str());  // a name Qt cannot decode, so cannot remove
    EXPECT_EQ(read.code, kExitOk) << read.err;
    EXPECT_NE(read.err.find("] open " + link + "\n"), std::string::npos) << read.err;
}

TEST_F(ExchangeCommandsTest, BadCommandLinesExitTwoAndTouchNoLine)
{
    const std::vector<std::vector<std::string>> bad = {
        {},
        {"frobnicate"},
        {"read"},
        {"read", "--port", ""},
        {"read", "--port="},
        {"read", "--demo", "--port", "ttyUSB0"},
        {"read", "--demo", "extra"},
        {"read", "--port", "a", "--port", "b"},
        {"read", "--demo", "--bogus"},
        {"read", "--demo", "--json=yes"},
        {"write", "--demo"},
        {"write", "--demo", "--f1", "150", "--f2", "160", "--no-f2"},
        {"write", "--port", "/dev/torv-no-such-port", "--f1", "abc"},
        {"write", "--port", "/dev/torv-no-such-port", "--f1", "150", "--step", "20"},
        {"calc", "--legacy"},
        {"ports", "extra"},
    };
    for (std::vector<std::string> words : bad) {
        const Outcome plain = Run(words);
        EXPECT_EQ(plain.code, kExitUsage) << ::testing::PrintToString(words);
        EXPECT_EQ(plain.out, "");
        EXPECT_NE(plain.err.find("torvctl: "), std::string::npos);
        words.push_back("--json");
        const QJsonObject json = Run(words).Json();
        EXPECT_EQ(json.value("failure").toString(), "bad-command-line") << ::testing::PrintToString(words);
    }
    // The value form and the separate form are the same.
    EXPECT_EQ(Run({"calc", "--grid", "--type=13", "--step=25", "146.0125"}).out,
              Run({"calc", "--grid", "--type", "13", "--step", "25", "146.0125"}).out);
}

TEST_F(ExchangeCommandsTest, TraceShowsEveryByteThatArrives)
{
    EmulatorFaults quiet;
    quiet.identification = {'Q', 'u', 'a'};
    const Outcome traced = Run({"read", Line(quiet), "--trace"});
    EXPECT_EQ(traced.code, kExitExchangeFailed);
    EXPECT_NE(traced.err.find("] > 55\n"), std::string::npos) << traced.err;
    EXPECT_NE(traced.err.find("] < consumed 51 75 61\n"), std::string::npos) << traced.err;
}

// Exit code and meaning, from --help and from the README's table.
std::map<int, std::string> ExitCodes(const std::string& text, const std::regex& first, const std::regex& more)
{
    std::map<int, std::string> codes;
    std::istringstream lines(text);
    int code = -1;
    for (std::string line; std::getline(lines, line);) {
        std::smatch match;
        if (std::regex_match(line, match, first)) {
            code = std::stoi(match[1]);
            codes[code] = match[2];
        } else if (code >= 0 && std::regex_match(line, match, more)) {
            codes[code] += " " + match[1].str();
        } else {
            code = -1;
        }
    }
    return codes;
}

TEST(Help, ExitCodesMatchTheReadme)
{
    std::ifstream readme(TORV_README);
    ASSERT_TRUE(readme) << TORV_README;
    const std::string manual((std::istreambuf_iterator<char>(readme)), std::istreambuf_iterator<char>());
    const std::map<int, std::string> help =
        ExitCodes(std::string(kUsage).substr(std::string(kUsage).find("exit codes:")), std::regex(R"(  (\d)  (.*))"),
                  std::regex(R"(     (\S.*))"));
    EXPECT_EQ(help.size(), 8u);
    EXPECT_EQ(help, ExitCodes(manual, std::regex(R"(\| (\d) \| (.*) \|)"), std::regex("(?!)")));
}

}  // namespace
}  // namespace torv::cli
