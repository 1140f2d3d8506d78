// torvctl save and load (a unit's image, a clone, the refusals), and the confirmation,
// --yes and --dry-run of the commands that write.
#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>

#include "cli/arguments.h"
#include "cli/unit_image.h"
#include "command_fixture.h"
#include "journal/outcome_kind.h"

namespace torv::cli {
namespace {

class ImageCommandsTest : public ExchangeCommandsTest {
protected:
    // A second emulated adapter with a unit of its own; the --port option that reaches it.
    std::string OtherUnit(int type, int serial, double f1MHz)
    {
        TransmitterIdentity identity;
        identity.deviceType = static_cast<std::uint8_t>(type);
        identity.serial = serial;
        ChannelPlan plan;
        plan.f1MHz = f1MHz;
        other_ = std::make_unique<AdapterEmulator>(MakeContents(identity, plan));
        other_->Start();
        return "--port=" + other_->SlavePath();
    }

    bool OtherWasWritten() const
    {
        for (const ReceivedCommand& command : other_->Commands())
            if (command.command == AdapterCommand::ParamWrite)
                return true;
        return false;
    }

    std::string ImagePath(const char* name) const { return journalDir_.filePath(name).toStdString(); }

    static void WriteFile(const std::string& path, const std::string& text)
    {
        QFile file(QString::fromStdString(path));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text.data(), static_cast<qint64>(text.size()));
    }

    std::unique_ptr<AdapterEmulator> other_;
};

TEST_F(ImageCommandsTest, SavedImageLoadsIntoAnotherUnitOfItsTypeAndReadsBackTheSame)
{
    ASSERT_EQ(Run({"write", Line(), "--f1", "150.0", "--f2", "160.0"}).code, kExitOk);
    const std::string image = ImagePath("unit.json");
    const Outcome saved = Run({"save", "--port=" + emulator_->SlavePath(), image});
    ASSERT_EQ(saved.code, kExitOk) << saved.err;
    const ParameterBlock savedBlock = emulator_->StoredBlock();
    emulator_->SetContents(MakeContents());  // the saved unit changes; the image keeps its block

    const Outcome loaded = Run({"load", OtherUnit(13, 5678, 146.0), image, "--json"});
    ASSERT_EQ(loaded.code, kExitOk) << loaded.err;
    EXPECT_NE(loaded.err.find("146.0000 MHz → 150.0000 MHz"), std::string::npos) << loaded.err;
    EXPECT_NE(loaded.err.find("the image is of unit 13071234"), std::string::npos) << loaded.err;
    EXPECT_EQ(loaded.Json().value("after").toObject().value("second").toString(), "160.0000");
    const Outcome read = Run({"read", "--port=" + other_->SlavePath(), "--json"});
    EXPECT_EQ(read.Json().value("transmitter").toObject().value("first").toString(), "150.0000");
    EXPECT_EQ(read.Json().value("transmitter").toObject().value("serial").toString(), "13075678");
    EXPECT_EQ(other_->StoredBlock(), savedBlock);
    EXPECT_EQ(Rows()[1].operation, "load");
}

// Each image that cannot be used is refused with its reason, before or after the read,
// and nothing is written.
TEST_F(ImageCommandsTest, ImagesThatCannotBeUsedAreRefusedWithTheReason)
{
    const std::string image = ImagePath("unit.json");
    ASSERT_EQ(Run({"save", Line(), image}).code, kExitOk);
    QFile file(QString::fromStdString(image));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const std::string good = file.readAll().toStdString();
    const auto replaced = [&good](const std::string& from, const std::string& to) {
        std::string text = good;
        text.replace(text.find(from), from.size(), to);
        return text;
    };
    const struct {
        const char* name;
        std::string text;
        int type;  // of the unit connected
        int code;
        const char* reason;
    } cases[] = {
        {"other-type", good, 14, kExitRefused, "the connected unit is of type 14"},
        {"damaged", replaced("\"hex\": \"01", "\"hex\": \"02"), 13, kExitRefused,
         "the SHA-256 of its parameter block does not match"},
        {"newer", replaced("\"format\": 1", "\"format\": 2"), 13, kExitRefused, "newer version"},
        {"not-json", "text", 13, kExitRefused, "not a unit image"},
        {"no-format", "{}", 13, kExitRefused, "no \"format\""},
        {"short-block", replaced("\"hex\": \"01", "\"hex\": \"0"), 13, kExitRefused, "not 32 bytes"},
    };
    for (const auto& c : cases) {
        const std::string path = ImagePath(c.name);
        WriteFile(path, c.text);
        const Outcome loaded = Run({"load", OtherUnit(c.type, 9, c.type == 14 ? 440.0 : 146.0), path});
        EXPECT_EQ(loaded.code, c.code) << c.name << ": " << loaded.err;
        EXPECT_NE(loaded.err.find(c.reason), std::string::npos) << c.name << ": " << loaded.err;
        EXPECT_FALSE(OtherWasWritten()) << c.name;
    }
    EXPECT_EQ(Run({"load", OtherUnit(13, 9, 146.0), ImagePath("missing.json")}).code, kExitUsage);
    EXPECT_EQ(Run({"save", Line(), journalDir_.filePath("no/such/folder/unit.json").toStdString()}).code, kExitUsage);
    EXPECT_EQ(std::get<std::string>(ParseUnitImage("[]")).rfind("not a unit image", 0), 0u);
}

// A dry run reads, checks and shows, and sends no block; a terminal is asked first.
TEST_F(ImageCommandsTest, DryRunsWriteNothingAndATerminalConfirmsEachWrite)
{
    const Outcome dry = Run({"write", Line(), "--f1", "150.0", "--dry-run"});
    EXPECT_EQ(dry.code, kExitOk) << dry.err;
    EXPECT_NE(dry.out.find("146.0000 MHz → 150.0000 MHz"), std::string::npos) << dry.out;
    EXPECT_FALSE(SawCommand(AdapterCommand::ParamWrite));
    EXPECT_EQ(Rows().front().operation, "read");  // all a dry run did to the unit

    const Outcome dryRefused = Run({"write", Line(), "--f1", "190.0", "--dry-run", "--json"});
    EXPECT_EQ(dryRefused.code, kExitRefused);
    EXPECT_EQ(dryRefused.Json().value("failure").toString(), "refused");
    EXPECT_FALSE(SawCommand(AdapterCommand::ParamWrite));

    const struct {
        std::vector<std::string> more;
        std::optional<std::string> terminal;
        int code;
        bool written;
    } cases[] = {
        {{}, "n\n", kExitRefused, false},  {{}, "", kExitRefused, false},  // the terminal closed: no yes
        {{}, "y\n", kExitOk, true},        {{"--yes"}, "", kExitOk, true},
        {{}, std::nullopt, kExitOk, true},  // no terminal: written as scripts expect
    };
    for (const auto& c : cases) {
        std::vector<std::string> words = {"write", Line(), "--f1", "150.0"};
        words.insert(words.end(), c.more.begin(), c.more.end());
        const Outcome outcome = Run(words, c.terminal);
        EXPECT_EQ(outcome.code, c.code) << outcome.err;
        EXPECT_EQ(SawCommand(AdapterCommand::ParamWrite), c.written) << outcome.err;
        EXPECT_EQ(outcome.err.find("Write this to the unit?") != std::string::npos,
                  c.terminal.has_value() && c.more.empty())
            << outcome.err;
    }
    EXPECT_EQ(OutcomeOf(Rows()[3]), OutcomeKind::Declined);
}

// The journal in words, with a header; its JSON keeps the notes and names the kind;
// demo runs only when asked for.
TEST_F(ImageCommandsTest, JournalShowsOutcomesInWordsAndLeavesDemoRunsOut)
{
    ASSERT_EQ(Run({"write", Line(), "--f1", "190.0"}).code, kExitRefused);
    ASSERT_EQ(Run({"write", "--demo", "--f1", "150.0"}).code, kExitOk);
    const Outcome table = Run({"journal"});
    const QStringList lines = QString::fromStdString(table.out).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2) << table.out;
    EXPECT_TRUE(lines[0].startsWith("TIME")) << table.out;
    EXPECT_TRUE(lines[1].endsWith("refused: frequency out of range")) << table.out;
    EXPECT_EQ(Run({"journal", "--with-demo"}).out.find("written and verified") != std::string::npos, true);

    const QJsonArray rows = Run({"journal", "--json", "--with-demo"}).Json().value("rows").toArray();
    ASSERT_EQ(rows.size(), 2);
    EXPECT_TRUE(rows[0].toObject().value("demo").toBool());
    EXPECT_EQ(rows[0].toObject().value("outcome_kind").toString(), "write-verified");
    EXPECT_EQ(rows[1].toObject().value("outcome_kind").toString(), "refused-out-of-range");
    EXPECT_EQ(rows[1].toObject().value("outcome").toString().left(12), "refused (W3)");
    const Outcome csv = Run({"journal", "--csv"});
    EXPECT_NE(csv.out.find(",refused: frequency out of range,refused (W3)"), std::string::npos) << csv.out;
}

}  // namespace
}  // namespace torv::cli
