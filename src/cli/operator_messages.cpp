#include "cli/operator_messages.h"

#include <utility>

#include "cli/cli_text.h"
#include "device/frequency_codec.h"
#include "exchange/exchange_texts.h"

namespace torv::cli {
namespace {

QString Caption(const Message& message)
{
    if (message.caption == "Ошибка")
        return CliText::tr("Error");
    if (message.caption == "Внимание")
        return CliText::tr("Warning");
    if (message.caption == "Внимание!")
        return CliText::tr("Attention!");
    return ToQString(message.caption);
}

// The exchange's prompts, A to I.
QString PromptText(const std::string& name)
{
    if (name == "A" || name == "B")
        return CliText::tr(
            "The adapter was not found. Make sure that the adapter\n"
            "is connected and its power is on.\n"
            "Retry the operation?");
    if (name == "C")
        return CliText::tr(
            "The adapter does not answer. Make sure that the adapter\n"
            "is connected and its power is on.\n"
            "Retry the operation?");
    if (name == "D")
        return CliText::tr(
            "The device type could not be set. Switch the device's power\n"
            "off and on, and repeat the operation.\n"
            "Retry the operation?");
    if (name == "E")
        return CliText::tr(
            "No transmitter is connected to the adapter.\n"
            "Connect the transmitter and repeat the operation.\n"
            "Retry the operation?");
    if (name == "F")
        return CliText::tr(
            "The device being programmed is not a transmitter.\n"
            "Connect a transmitter to the adapter and repeat the operation.\n"
            "Retry the operation?");
    if (name == "G")
        return CliText::tr(
            "Checksum error. The data read\n"
            "may not be true.\n"
            "Retry the operation?");
    if (name == "H")
        return CliText::tr(
            "Error writing to the transmitter. The data written\n"
            "are not true.\n"
            "Retry the operation?");
    if (name == "I")
        return CliText::tr(
            "The transmitter does not answer. Make sure that the transmitter\n"
            "is connected to the adapter and its power is on.\n"
            "Retry the operation?");
    return {};
}

// What a message quotes between a fixed head and tail.
std::string Between(const std::string& text, const std::string& head, const std::string& tail)
{
    const std::size_t begin = text.find(head);
    const std::size_t end = text.find(tail, begin == std::string::npos ? 0 : begin + head.size());
    if (begin == std::string::npos || end == std::string::npos)
        return {};
    return text.substr(begin + head.size(), end - begin - head.size());
}

QString MessageText(const Message& message)
{
    const std::string name = texts::MessageName(message);
    if (const QString prompt = PromptText(name); !prompt.isEmpty())
        return prompt;
    if (name == "port busy")
        return CliText::tr("Port %1 is in use by the system.\nChoose another port.")
            .arg(ToQString(Between(message.text, "Порт ", " занят системой.")));
    if (name == "other unit connected")
        return CliText::tr("Another transmitter is connected (serial number %1). Nothing was written.")
            .arg(ToQString(Between(message.text, texts::kOtherUnitHead, texts::kOtherUnitTail)));
    if (message.text == texts::kGrid25kHzNotice.text)
        return CliText::tr("The 25 kHz grid will be set!");
    return ToQString(TerminalText(message.text));
}

bool EndsWith(const std::string& text, const std::string& tail)
{
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

std::string TerminalText(const std::string& text)
{
    std::string lines;
    std::size_t begin = 0;
    while (begin <= text.size()) {
        std::size_t end = text.find("\r\n", begin);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(begin, end - begin);
        line.erase(0, line.find_first_not_of(' '));
        line.erase(line.find_last_not_of(' ') + 1);
        lines += (lines.empty() ? "" : "\n") + line;
        begin = end + 2;
    }
    return lines;
}

std::string MessageLines(const Message& message)
{
    return Utf8(CliText::tr("%1: %2", "a message's caption and text").arg(Caption(message), MessageText(message)));
}

std::string RefusalLines(const WritePlan& plan, const WriteRequest& request)
{
    if (!plan.refusal)
        return {};
    const std::string name = texts::MessageName(*plan.refusal);
    const int channel = name == "W1" || name == "W3" ? 1 : 2;
    const QString field = ToQString(channel == 1 ? request.first.text : request.second.text);
    const auto shown = [&](double hz) { return ToQString(FormatMHz(hz, request.decimalSeparator)); };
    QString text;
    if (name == "W1" || name == "W2") {
        text = CliText::tr(
                   "Frequency #%1 %2 MHz cannot be programmed,\n"
                   "as it needs the transmitter to be tuned.\n"
                   "Contact the manufacturer.")
                   .arg(channel)
                   .arg(field);
        if (plan.nearestHz.size() == 1)
            text += "\n" + CliText::tr("Nearest: %1 MHz").arg(shown(static_cast<double>(plan.nearestHz.front())));
        else if (plan.nearestHz.size() > 1)
            text += "\n" + CliText::tr("Nearest: %1 and %2 MHz")
                               .arg(shown(static_cast<double>(plan.nearestHz.front())),
                                    shown(static_cast<double>(plan.nearestHz.back())));
    } else if (name == "W3" || name == "W4") {
        // The window's two range texts differ in one letter: each has a translation of its own.
        text = (channel == 1 ? CliText::tr("Frequency #%1 %2 MHz cannot be programmed,\n"
                                           "as the transmitter's frequency range is exceeded.\n"
                                           "Contact the manufacturer.",
                                           "frequency 1")
                             : CliText::tr("Frequency #%1 %2 MHz cannot be programmed,\n"
                                           "as the transmitter's frequency range is exceeded.\n"
                                           "Contact the manufacturer.",
                                           "frequency 2"))
                   .arg(channel)
                   .arg(field);
        if (plan.band)
            text += "\n" + CliText::tr("The transmitter's band: %1 to %2 MHz")
                               .arg(shown(plan.band->minMHz * 1e6), shown(plan.band->maxMHz * 1e6));
    } else {
        return MessageLines(*plan.refusal);
    }
    return Utf8(CliText::tr("%1: %2", "a message's caption and text").arg(Caption(*plan.refusal), text));
}

std::string StatusLine(const std::string& statusText)
{
    const std::size_t start = statusText.find_first_not_of(' ');
    std::string line = start == std::string::npos ? std::string() : statusText.substr(start);
    const std::pair<const std::string&, QString> known[] = {
        {texts::kReadSucceeded, CliText::tr("Data read successfully.")},
        {texts::kWriteSucceeded, CliText::tr("Data updated successfully.")},
    };
    for (const auto& [window, shown] : known) {
        if (EndsWith(line, window))
            return line.substr(0, line.size() - window.size()) + Utf8(shown);
    }
    return line;
}

}  // namespace torv::cli
