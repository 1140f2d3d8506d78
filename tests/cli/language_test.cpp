// torvctl's language: chosen from the environment as the C library chooses its
// messages', Russian texts that are the window's own words, answers in each language,
// and the program's lines under a Russian and an English locale.

#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QStringList>

#include "cli/arguments.h"
#include "cli/cli_language.h"
#include "cli/operator_messages.h"
#include "command_fixture.h"
#include "device/frequency_codec.h"
#include "exchange/exchange_texts.h"

namespace torv::cli {
namespace {

// Russian for the test's length, English again after it.
struct RussianSpoken {
    RussianSpoken() { EXPECT_TRUE(UseLanguage(true)); }
    ~RussianSpoken() { UseLanguage(false); }
};

bool HasCyrillic(const QString& text)
{
    static const QRegularExpression cyrillic(QStringLiteral("[\\x{0400}-\\x{04FF}]"));
    return text.contains(cyrillic);
}

// The window's message as torvctl printed it before it had a language: its lines unpadded.
std::string WindowsWords(const Message& message)
{
    return message.caption + ": " + TerminalText(message.text);
}

WriteRequest LegacyRequest(double first, double second)
{
    WriteRequest request;
    request.deviceType = 13;
    request.minMHz = 146;
    request.maxMHz = 174;
    request.first = {first, FormatMHz(first * 1e6, ".")};
    request.second = {second, FormatMHz(second * 1e6, ".")};
    request.secondEnabled = true;
    return request;
}

}  // namespace

TEST(TorvctlLanguage, ChosenLikeTheCLibrarysMessages)
{
    struct Case {
        const char* lcAll;
        const char* lcMessages;
        const char* lang;
        bool russian;
    };
    const Case cases[] = {
        {nullptr, nullptr, "ru_RU.UTF-8", true},
        {nullptr, nullptr, "ru", true},
        {nullptr, nullptr, "ru_UA.KOI8-U", true},
        {nullptr, nullptr, "ru_RU@euro", true},
        {"", "", "ru_RU.UTF-8", true},  // empty counts as unset
        {"C", nullptr, "ru_RU.UTF-8", false},
        {"POSIX", "ru_RU.UTF-8", "ru_RU.UTF-8", false},
        {nullptr, "ru_RU.UTF-8", "en_US.UTF-8", true},
        {nullptr, "en_GB.UTF-8", "ru_RU.UTF-8", false},
        {"ru_RU.UTF-8", "C", "C", true},
        {nullptr, nullptr, nullptr, false},
        {nullptr, nullptr, "C.UTF-8", false},
        {nullptr, nullptr, "rue_UA", false},
        {nullptr, nullptr, "russian", false},
        {nullptr, nullptr, "uk_UA.UTF-8", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(RussianLocale(c.lcAll, c.lcMessages, c.lang), c.russian)
            << (c.lcAll ? c.lcAll : "-") << " " << (c.lcMessages ? c.lcMessages : "-") << " "
            << (c.lang ? c.lang : "-");
}

TEST(TorvctlLanguage, AnswersTakeTheShownLettersAndInEnglishTheRussianLayoutsKeys)
{
    struct Case {
        const char* reply;
        const char* letter;
        const char* word;
        bool picks;
    };
    const Case english[] = {
        {"r", "r", "retry", true},
        {"R", "r", "retry", true},
        {" retry ", "r", "retry", true},
        {"к", "r", "retry", true},
        {"К", "r", "retry", true},
        {"с", "c", "cancel", true},
        {"й", "q", "quit", true},
        {"Й", "q", "quit", true},
        {"c", "r", "retry", false},
        {"", "r", "retry", false},
        {"re", "r", "retry", false},
        // A yes/no question takes no key of the other layout: "т" is where n is.
        {"т", "n", "no", false},
        {"н", "y", "yes", false},
    };
    for (const Case& c : english)
        EXPECT_EQ(ReplyPicks(c.reply, QString::fromUtf8(c.letter), QString::fromUtf8(c.word)), c.picks)
            << c.reply << " for " << c.word;

    const RussianSpoken russian;
    const Case inRussian[] = {
        {"п", "п", "повторить", true}, {"П", "п", "повторить", true}, {"повторить", "п", "повторить", true},
        {"о", "о", "отмена", true},    {"к", "r", "retry", false},    {"r", "п", "повторить", false},
    };
    for (const Case& c : inRussian)
        EXPECT_EQ(ReplyPicks(c.reply, QString::fromUtf8(c.letter), QString::fromUtf8(c.word)), c.picks)
            << c.reply << " for " << c.word;
}

TEST(TorvctlLanguage, RussianIsTheWindowsOwnWordsAndEnglishHasNone)
{
    const std::vector<Message> messages = {
        texts::kAdapterNotFoundAfterRetries,
        texts::kAdapterNotFoundTimeout,
        texts::kAdapterNotResponding,
        texts::kDeviceTypeRefused,
        texts::kNoTransmitter,
        texts::kNotATransmitter,
        texts::kChecksumError,
        texts::kWriteVerifyError,
        texts::kTransmitterNotResponding,
        texts::PortBusy("/dev/ttyUSB0"),
        texts::OtherUnitConnected("13071234"),
        texts::kGrid25kHzNotice,
    };
    // W1 to W4, with the nearest frequencies and the band.
    const std::vector<WriteRequest> refused = {LegacyRequest(146.0125, 150), LegacyRequest(150, 146.0125),
                                               LegacyRequest(180, 150), LegacyRequest(150, 180)};
    const std::string status = "  09.12.26 14:31:00  -  " + texts::kReadSucceeded;
    {
        const RussianSpoken russian;
        for (const Message& message : messages)
            EXPECT_EQ(MessageLines(message), WindowsWords(message));
        for (const WriteRequest& request : refused) {
            const WritePlan plan = PrepareWrite(request);
            ASSERT_TRUE(plan.refusal);
            EXPECT_EQ(RefusalLines(plan, request), WindowsWords(*plan.refusal));
        }
        EXPECT_EQ(StatusLine(status), status.substr(2));
    }
    for (const Message& message : messages)
        EXPECT_FALSE(HasCyrillic(QString::fromStdString(MessageLines(message)))) << MessageLines(message);
    for (const WriteRequest& request : refused) {
        const std::string lines = RefusalLines(PrepareWrite(request), request);
        EXPECT_FALSE(HasCyrillic(QString::fromStdString(lines))) << lines;
        EXPECT_NE(lines.find(request.first.text == "150.0000" ? request.second.text : request.first.text),
                  std::string::npos)
            << lines;
    }
    EXPECT_EQ(StatusLine(status), "09.12.26 14:31:00  -  Data read successfully.");
}

// A prompt on the terminal asks in the language spoken and takes its letters; in
// English the Russian layout's keys in the place of r and c answer too.
TEST_F(ExchangeCommandsTest, PromptsAskAndAnswerInTheLanguageSpoken)
{
    EmulatorFaults silentAdapter;
    silentAdapter.silent[AdapterCommand::Identify] = 1000;
    {
        const RussianSpoken russian;
        const Outcome asked = Run({"read", Line(silentAdapter), "--no-journal"}, "r\nп\nО\n");
        EXPECT_EQ(asked.code, kExitExchangeFailed) << asked.err;
        // r is no answer in Russian: asked again; п retries; О cancels at the second prompt.
        const QString question = QStringLiteral("[п]овторить или [о]тмена? ");
        EXPECT_EQ(QString::fromStdString(asked.err).count(question), 3) << asked.err;
        EXPECT_NE(asked.err.find("Адаптер не обнаружен."), std::string::npos) << asked.err;
    }
    const Outcome asked = Run({"read", Line(silentAdapter), "--no-journal"}, "к\nс\n");
    EXPECT_EQ(asked.code, kExitExchangeFailed) << asked.err;
    EXPECT_EQ(QString::fromStdString(asked.err).count(QStringLiteral("[r]etry or [c]ancel? ")), 2) << asked.err;
    EXPECT_NE(asked.err.find("The adapter was not found."), std::string::npos) << asked.err;
}

// One read and one refused write of the demo transmitter under each locale: every line
// is in the locale's language, and the JSON result is the same under both.
TEST(TorvctlLanguage, ProgramSpeaksTheLocalesLanguageOnEveryLine)
{
    for (const char* lang : {"ru_RU.UTF-8", "C"}) {
        const bool russian = std::string(lang) == "ru_RU.UTF-8";
        const QProcessEnvironment environment = EnvironmentWithLanguage(QString::fromLatin1(lang));
        const std::optional<Outcome> read = RunTorvctlProgram({"read", "--demo", "--no-journal"}, {}, environment);
        const std::optional<Outcome> refused =
            RunTorvctlProgram({"write", "--demo", "--no-journal", "--f1", "146.0125"}, {}, environment);
        ASSERT_TRUE(read && refused);
        EXPECT_EQ(read->code, kExitOk) << read->err;
        EXPECT_EQ(refused->code, kExitRefused) << refused->err;
        const QStringList lines = QString::fromStdString(read->out + read->err + refused->out + refused->err)
                                      .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        EXPECT_GE(lines.size(), 14);  // 8 of the read, 6 of the refused write
        for (const QString& line : lines) {
            EXPECT_EQ(HasCyrillic(line), russian) << lang << ": " << line.toStdString();
            EXPECT_TRUE(line.contains(QRegularExpression(QStringLiteral("\\p{L}")))) << line.toStdString();
        }
    }
    const std::vector<std::string> json = {"read", "--demo", "--no-journal", "--json"};
    const std::optional<Outcome> russian = RunTorvctlProgram(json, {}, EnvironmentWithLanguage("ru_RU.UTF-8"));
    const std::optional<Outcome> english = RunTorvctlProgram(json, {}, EnvironmentWithLanguage("C"));
    ASSERT_TRUE(russian && english);
    EXPECT_EQ(russian->out, english->out);
    EXPECT_FALSE(HasCyrillic(QString::fromStdString(russian->err))) << russian->err;
}

}  // namespace torv::cli
