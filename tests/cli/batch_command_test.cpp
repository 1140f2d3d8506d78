// torvctl batch: one unit after another on the same line, each looked up in the plan by
// its serial number, written, verified, journaled and told in one line.
#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>

#include "cli/arguments.h"
#include "command_fixture.h"

namespace torv::cli {
namespace {

TransmitterContents Unit(int serial)
{
    return MakeContents({.serial = serial});
}

class BatchCommandTest : public ExchangeCommandsTest {
protected:
    std::string Plan(const std::string& text)
    {
        const QString path = journalDir_.filePath("plan.csv");
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text.c_str());
        return path.toStdString();
    }

    std::size_t Writes() const
    {
        std::size_t writes = 0;
        for (const ReceivedCommand& command : emulator_->Commands())
            writes += command.command == AdapterCommand::ParamWrite;
        return writes;
    }
};

TEST_F(BatchCommandTest, ProgramsThePlannedUnitsAndSkipsAnUnknownOne)
{
    const std::string port = Line();
    emulator_->QueueUnits({Unit(9999), Unit(1235)});
    const Outcome batch = Run({"batch", port, "--plan",
                               Plan("\xEF\xBB\xBFSerial,F1,F2,Step\r\n13071234,150.0,,\r\n\r\n"
                                    "\"13071235\", 151.0 ,152.0,12.5\r\n13071236,160.0,,\r\n")});
    EXPECT_EQ(batch.code, kExitOk) << batch.err;  // the unit not planned was not attempted
    EXPECT_EQ(Writes(), 2u);
    // One line a unit: serial, frequencies, outcome, time; then the summary.
    std::vector<std::vector<std::string>> lines;
    for (const QString& line : QString::fromStdString(batch.out).split('\n', Qt::SkipEmptyParts)) {
        lines.emplace_back();
        for (const QString& field : line.split('\t'))
            lines.back().push_back(field.toStdString());
    }
    ASSERT_EQ(lines.size(), 4u) << batch.out;
    EXPECT_EQ(lines[0][0], "13071234");
    EXPECT_EQ(lines[0][1], "150.0000 MHz");
    EXPECT_EQ(lines[0][2], "programmed and verified");
    EXPECT_EQ(lines[1][0], "13079999");
    EXPECT_EQ(lines[1][2], "skipped: not in the plan: nothing was written");
    EXPECT_EQ(lines[2][1], "151.0000 / 152.0000 MHz");
    EXPECT_EQ(lines[3][0].rfind("2 programmed, 1 skipped, 0 failed in ", 0), 0u) << lines[3][0];
    // 13071236 never came: the batch ends once the line gives nothing new.
    EXPECT_NE(batch.err.find("13071235 is still connected"), std::string::npos) << batch.err;

    const std::vector<JournalEntry> rows = Rows();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].operation, "batch");
    EXPECT_EQ(rows[0].station, rows[0].port);
    EXPECT_EQ(rows[0].serial, "13071235");
    EXPECT_TRUE(rows[0].success);
    EXPECT_EQ(rows[0].f2AfterMHz, 152.0);
    EXPECT_EQ(rows[0].readBackHex, rows[0].blockWrittenHex);
    EXPECT_FALSE(rows[1].success);
    EXPECT_TRUE(rows[1].blockWrittenHex.empty());
    EXPECT_NE(rows[1].outcome.find("not in the plan"), std::string::npos) << rows[1].outcome;
    EXPECT_EQ(rows[2].serial, "13071234");
    EXPECT_EQ(rows[2].f1AfterMHz, 150.0);
}

TEST_F(BatchCommandTest, EndsAndCountsAsTheLineAndTheOperatorDecide)
{
    EmulatorFaults unverified;
    unverified.corruptReadbackCount = kAlways;
    struct Case {
        const char* what;
        std::vector<std::string> options;
        std::optional<std::string> typed;  // on a terminal
        std::vector<int> nextUnits;
        EmulatorFaults faults;
        int exitCode;
        int programmed, skipped, failed;
        std::size_t writes;
    } const cases[] = {
        {"a unit seen again is not written twice; q ends",
         {"--f1", "150"},
         "\n\nq\n",
         {1235, 1234},
         {},
         kExitOk,
         2,
         1,
         0,
         2},
        {"the Russian layout's q ends too", {"--f1", "150"}, "й\n", {1235}, {}, kExitOk, 1, 0, 0, 1},
        {"--units ends after that many", {"--f1", "150", "--units", "2"}, {}, {1235, 1236}, {}, kExitOk, 2, 0, 0, 2},
        {"two frequencies for every unit", {"--f1", "150", "--f2", "147.0"}, {}, {}, {}, kExitOk, 1, 0, 0, 1},
        {"W1 before anything is sent", {"--f1", "146.0125"}, {}, {}, {}, kExitRefused, 0, 0, 1, 0},
        // The exchange sends each unit's block five times before it gives up.
        {"read-backs that differ: states unknown",
         {"--f1", "150"},
         {},
         {1235},
         unverified,
         kExitNotVerified,
         0,
         0,
         2,
         10},
        {"no unit programmed is no success",
         {"--plan", Plan("serial,f1\n13079999,150.0\n")},
         {},
         {},
         {},
         kExitRefused,
         0,
         1,
         0,
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<std::string> words = {"batch", Line(c.faults), "--json"};
        words.insert(words.end(), c.options.begin(), c.options.end());
        for (int serial : c.nextUnits)
            emulator_->QueueUnits({Unit(serial)});
        const QJsonObject json = Run(words, c.typed).Json();
        EXPECT_EQ(json.value("exitCode").toInt(), c.exitCode);
        EXPECT_EQ(json.value("programmed").toInt(), c.programmed);
        EXPECT_EQ(json.value("skipped").toInt(), c.skipped);
        EXPECT_EQ(json.value("failed").toInt(), c.failed);
        EXPECT_EQ(json.value("units").toArray().size(), c.programmed + c.skipped + c.failed);
        EXPECT_EQ(Writes(), c.writes);
    }
}

TEST_F(BatchCommandTest, RefusesBadPlansAndOptionsBeforeTouchingTheLine)
{
    const struct {
        std::string plan;  // empty: no plan file
        std::vector<std::string> options;
        std::string message;
    } cases[] = {
        {"serial,f1\n13071234,150.0\n", {"--f1", "150.0"}, "give either --plan FILE or --f1 MHZ"},
        {"", {}, "give either --plan FILE or --f1 MHZ"},
        {"", {"--f1", "150.0", "--units", "0"}, "--units needs a whole number"},
        {"", {"--f1", "150.0", "--f2", "151.0", "--no-f2"}, "give --f2 or --no-f2, not both"},
        {"serial,f1\n13071234,150.0\n", {"--step", "25"}, "--step goes with --f1"},
        {"unit,f1\n13071234,150.0\n", {}, "must start with the header serial,f1,f2,step"},
        {"serial,f1\n13071234,150.0\n13071234,151.0\n", {}, "row 3: serial number 13071234 is planned twice"},
        {"serial,f1,f2\n13071234,150.0,abc\n", {}, "row 2: "},
        {"serial,f1\n13071234,150.0,151.0\n", {}, "row 2: more fields than the header names"},
        {"serial,f1\n\"13071234,150.0\n", {}, "is not valid CSV"},
        {"serial,f1\n", {}, "plans no unit"},
    };
    const std::string port = Line();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        std::vector<std::string> words = {"batch", port};
        if (!c.plan.empty())
            words.insert(words.end(), {"--plan", Plan(c.plan)});
        words.insert(words.end(), c.options.begin(), c.options.end());
        const Outcome outcome = Run(words);
        EXPECT_EQ(outcome.code, kExitUsage);
        EXPECT_NE(outcome.err.find(c.message), std::string::npos) << outcome.err;
    }
    // Only a regular file of at most 10 MiB is a plan: not a folder, nor a device that never ends.
    const std::string large = Plan("serial,f1\n13071234,150.0\n" + std::string(10 * 1024 * 1024, '\n'));
    for (const auto& [plan, message] : {std::pair{journalDir_.path().toStdString(), "it is not a regular file"},
                                        std::pair{std::string("/dev/zero"), "it is not a regular file"},
                                        std::pair{large, "it is larger than 10 MiB"}}) {
        const Outcome refused = Run({"batch", port, "--plan", plan});
        EXPECT_EQ(refused.code, kExitUsage) << plan;
        EXPECT_NE(refused.err.find("cannot read the plan " + plan + ": " + message), std::string::npos) << refused.err;
    }
    EXPECT_TRUE(emulator_->Commands().empty());
    // A spreadsheet saved with ';' between fields writes decimal commas, in the step too.
    const Outcome semicolons = Run({"batch", port, "--plan", Plan("serial;f1;f2;step\n13071234;150,5;;12,5\n")});
    EXPECT_EQ(semicolons.code, kExitOk) << semicolons.err;
    EXPECT_NE(semicolons.out.find("150.5000 MHz"), std::string::npos) << semicolons.out;
}

// The operator swaps the unit while the verification prompt is open, then answers Retry:
// the unit now connected is identified first, nothing is written to it, and the unit the
// write was made for is left unknown, not credited.
TEST_F(BatchCommandTest, RetryAfterASwapAtTheVerificationPromptWritesNothingToTheNewUnit)
{
    EmulatorFaults faults;
    faults.corruptReadbackCount = 5;  // every automatic repetition fails: prompt H
    const std::string port = Line(faults);
    emulator_->QueueUnits({Unit(1235)});  // connected at the next identification
    const Outcome batch = Run({"batch", port, "--f1", "150.0", "--units", "1"}, "r\n");
    EXPECT_EQ(batch.code, kExitNotVerified) << batch.err;
    EXPECT_EQ(Writes(), 5u);  // the write and its four automatic repetitions, none after the Retry
    EXPECT_NE(batch.err.find("Another transmitter is connected (serial number 13071235). Nothing was written."),
              std::string::npos)
        << batch.err;
    EXPECT_EQ(emulator_->StoredBlock(), Unit(1235).block);
    EXPECT_NE(batch.out.find("13071234\t150.0 MHz\tFAILED "), std::string::npos) << batch.out;
    EXPECT_NE(batch.out.find("0 programmed, 0 skipped, 1 failed"), std::string::npos) << batch.out;
    EXPECT_NE(batch.out.find("state unknown, read these units again: 13071234"), std::string::npos) << batch.out;
    const std::vector<JournalEntry> rows = Rows();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].serial, "13071234");
    EXPECT_FALSE(rows[0].success);
    EXPECT_EQ(rows[0].exitCode, kExitNotVerified);
    EXPECT_NE(rows[0].outcome.find("another transmitter was connected"), std::string::npos) << rows[0].outcome;
}

}  // namespace
}  // namespace torv::cli
