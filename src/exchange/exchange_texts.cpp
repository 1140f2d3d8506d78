#include "exchange/exchange_texts.h"

#include <utility>

namespace torv::texts {
namespace {

// A text made of head, something quoted, and tail.
bool Frames(const std::string& text, const std::string& head, const std::string& tail)
{
    return text.size() >= head.size() + tail.size() && text.rfind(head, 0) == 0 &&
           text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

std::string NearestLine(const std::vector<std::string>& frequencies)
{
    if (frequencies.empty())
        return {};
    if (frequencies.size() == 1)
        return "Ближайшая: " + frequencies.front() + " МГц";
    return "Ближайшие: " + frequencies.front() + " и " + frequencies.back() + " МГц";
}

std::string MessageName(const Message& message)
{
    const std::pair<const Message*, const char*> prompts[] = {
        {&kAdapterNotFoundAfterRetries, "A"},
        {&kAdapterNotFoundTimeout, "B"},
        {&kAdapterNotResponding, "C"},
        {&kDeviceTypeRefused, "D"},
        {&kNoTransmitter, "E"},
        {&kNotATransmitter, "F"},
        {&kChecksumError, "G"},
        {&kWriteVerifyError, "H"},
        {&kTransmitterNotResponding, "I"},
    };
    for (const auto& [prompt, name] : prompts)
        if (message.text == prompt->text)
            return name;
    // The write checks quote the field's text: compare what follows it.
    const auto afterField = [](const std::string& text) {
        const std::size_t at = text.find(" МГц");
        return at == std::string::npos ? std::string() : text.substr(at);
    };
    const std::string tail = afterField(message.text);
    for (int channel : {1, 2}) {
        if (message.text.rfind("Частота №" + std::to_string(channel) + " ", 0) != 0 || tail.empty())
            continue;
        // A last line may follow the check's own text.
        if (tail.starts_with(afterField(NeedsTuning(channel, "").text)))
            return "W" + std::to_string(channel);
        if (tail.starts_with(afterField(OutOfRange(channel, "").text)))
            return "W" + std::to_string(channel + 2);
    }
    const std::string busyHead = "Порт ";
    const std::string busyTail = PortBusy("").text.substr(busyHead.size());
    const std::size_t busyEnd = message.text.find(busyTail);
    if (busyEnd != std::string::npos && Frames(message.text.substr(0, busyEnd + busyTail.size()), busyHead, busyTail))
        return "port busy";
    if (Frames(message.text, kOtherUnitHead, kOtherUnitTail))
        return "other unit connected";
    return {};
}

}  // namespace torv::texts
