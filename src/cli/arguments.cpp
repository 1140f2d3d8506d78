#include "cli/arguments.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>

#include <QCommandLineParser>
#include <QStringList>
#include <QUtf8StringView>

#include "cli/cli_text.h"
#include "journal/journal_text.h"
#include "production/plan_file.h"

namespace torv::cli {
namespace {

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// A word of the command line as text; a word that is not UTF-8 (a device path in another
// encoding) keeps each byte from 0x80 up as a lone surrogate U+DC80..U+DCFF, which
// Bytes turns back into that byte, so that it reaches the system as it was typed.
QString Text(const std::string& word)
{
    if (QUtf8StringView(word).isValidUtf8())
        return QString::fromStdString(word);
    QString text;
    for (const char character : word) {
        const auto byte = static_cast<unsigned char>(character);
        text += byte < 0x80 ? QChar(byte) : QChar(static_cast<char16_t>(0xDC00 + byte));
    }
    return text;
}

std::string Bytes(const QString& text)
{
    std::string bytes;
    QString run;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i].unicode();
        if (unit >= 0xDC80 && unit <= 0xDCFF && (i == 0 || !text[i - 1].isHighSurrogate())) {
            bytes += run.toStdString() + static_cast<char>(unit - 0xDC00);
            run.clear();
        } else {
            run += text[i];
        }
    }
    return bytes + run.toStdString();
}

}  // namespace

Arguments::Arguments(const std::vector<std::string>& args, const std::vector<KnownOption>& known)
{
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    for (const KnownOption& option : known) {
        if (option.name.size() < 3 || option.name.compare(0, 2, "--") != 0)
            throw std::logic_error("option names begin with --: " + option.name);
        const QString name = QString::fromStdString(option.name.substr(2));
        parser.addOption(option.takesValue ? QCommandLineOption(name, QString(), QStringLiteral("value"))
                                           : QCommandLineOption(name));
    }
    QStringList words{QStringLiteral("torvctl")};  // the parser skips the program's name
    for (const std::string& arg : args)
        words.append(Text(arg));
    if (!parser.parse(words))
        throw UsageError(parser.errorText().toStdString());
    for (const KnownOption& option : known) {
        const QString name = QString::fromStdString(option.name.substr(2));
        if (!parser.isSet(name))
            continue;
        if (!option.takesValue) {
            flags_.insert(option.name);
            continue;
        }
        const QStringList given = parser.values(name);
        if (given.size() > 1 && !option.repeatable)
            throw UsageError(Utf8(CliText::tr("%1 given more than once").arg(ToQString(option.name))));
        std::vector<std::string>& slot = values_[option.name];
        for (const QString& value : given)
            slot.push_back(Bytes(value));
    }
    for (const QString& word : parser.positionalArguments())
        positional_.push_back(Bytes(word));
}

bool Arguments::Has(std::string_view option) const
{
    return flags_.count(option) != 0 || values_.count(option) != 0;
}

std::optional<std::string> Arguments::Value(std::string_view option) const
{
    auto it = values_.find(option);
    if (it == values_.end())
        return std::nullopt;
    return it->second.front();
}

std::vector<std::string> Arguments::Values(std::string_view option) const
{
    auto it = values_.find(option);
    return it == values_.end() ? std::vector<std::string>{} : it->second;
}

std::optional<int> PositiveWholeNumber(const Arguments& arguments, std::string_view option, const std::string& error)
{
    const std::optional<std::string> text = arguments.Value(option);
    if (!text)
        return std::nullopt;
    int number = 0;
    if (std::sscanf(text->c_str(), "%d", &number) != 1 || number < 1 || std::to_string(number) != *text)
        throw UsageError(error);
    return number;
}

std::string MHzTextProblem(MHzText check, std::string_view text)
{
    const QString shown = ToQString(std::string(text));
    if (check == MHzText::OutOfBounds)
        return Utf8(CliText::tr("frequency out of bounds: \"%1\" (above 0 and at most 99999999 MHz)").arg(shown));
    return Utf8(CliText::tr("not a frequency in MHz: \"%1\" (write digits with \".\" as separator)").arg(shown));
}

double ParseMHz(std::string_view text)
{
    double value = 0;
    const MHzText check = CheckMHzText(text, value);
    if (check != MHzText::Valid)
        throw UsageError(MHzTextProblem(check, text));
    return value;
}

TimeSpan ParseTimeOption(std::string_view option, std::string_view text)
{
    if (const std::optional<TimeSpan> span = ParseTimeSpan(text))
        return *span;
    const QString forms = JournalText::tr(kTimeForms);
    throw UsageError(Utf8(CliText::tr("%1 takes a date or a time, not \"%2\" (forms: %3)")
                              .arg(ToQString(std::string(option)), ToQString(std::string(text)), forms)));
}

int ParseTransmitterType(std::string_view text)
{
    if (text == "13" || text == "14" || text == "15")
        return (text[1] - '0') + 10;
    throw UsageError(
        Utf8(CliText::tr("unknown transmitter type \"%1\" (13, 14 or 15)").arg(ToQString(std::string(text)))));
}

std::string GridStepProblem(std::string_view text)
{
    return Utf8(CliText::tr("unknown grid step \"%1\" (12.5 or 25)").arg(ToQString(std::string(text))));
}

bool ParseGridStep(std::string_view text)
{
    if (const std::optional<bool> grid25kHz = GridStepNamed(text))
        return *grid25kHz;
    throw UsageError(GridStepProblem(text));
}

std::vector<unsigned char> ParseHexBytes(std::string_view text, std::size_t size)
{
    std::vector<int> digits;
    for (char c : text) {
        if (c == ' ' || c == ':' || c == '-')
            continue;
        const int digit = HexDigit(c);
        if (digit < 0)
            throw UsageError(Utf8(CliText::tr("not hexadecimal: \"%1\"").arg(ToQString(std::string(text)))));
        digits.push_back(digit);
    }
    if (digits.size() != 2 * size)
        throw UsageError(Utf8(CliText::tr("expected %1 bytes (%2 hex digits), got %3 digits")
                                  .arg(size)
                                  .arg(2 * size)
                                  .arg(digits.size())));
    std::vector<unsigned char> bytes;
    for (std::size_t i = 0; i < digits.size(); i += 2)
        bytes.push_back(static_cast<unsigned char>(digits[i] * 16 + digits[i + 1]));
    return bytes;
}

}  // namespace torv::cli
