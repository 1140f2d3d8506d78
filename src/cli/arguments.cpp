#include "cli/arguments.h"

#include <algorithm>
#include <charconv>

namespace torv::cli {
namespace {

constexpr double kLargestFieldMHz = 99999999.0;

const OptionSpec* FindSpec(const std::vector<OptionSpec>& known, std::string_view name)
{
    auto it = std::find_if(known.begin(), known.end(), [&](const OptionSpec& s) { return s.name == name; });
    return it == known.end() ? nullptr : &*it;
}

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

}  // namespace

Arguments::Arguments(const std::vector<std::string>& args, const std::vector<OptionSpec>& known)
{
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg.size() < 2 || arg.compare(0, 2, "--") != 0) {
            positional_.push_back(arg);
            continue;
        }
        const std::size_t equals = arg.find('=');
        const std::string name = arg.substr(0, equals);
        const OptionSpec* option = FindSpec(known, name);
        if (!option)
            throw UsageError("unknown option " + name);
        if (!option->takesValue) {
            if (equals != std::string::npos)
                throw UsageError(name + " takes no value");
            flags_.insert(name);
            continue;
        }
        std::string value;
        if (equals != std::string::npos) {
            value = arg.substr(equals + 1);
        } else {
            if (i + 1 >= args.size())
                throw UsageError(name + " needs a value");
            value = args[++i];
        }
        std::vector<std::string>& slot = values_[name];
        if (!slot.empty() && !option->repeatable)
            throw UsageError(name + " given more than once");
        slot.push_back(value);
    }
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

double ParseMHz(std::string_view text)
{
    const std::string shown(text);
    const bool plainDecimal = !text.empty() && text.find_first_not_of("0123456789.") == std::string_view::npos &&
                              std::count(text.begin(), text.end(), '.') <= 1 && text != ".";
    double value = 0;
    const char* end = text.data() + text.size();
    if (!plainDecimal || std::from_chars(text.data(), end, value, std::chars_format::fixed).ptr != end)
        throw UsageError("not a frequency in MHz: \"" + shown + "\" (write digits with \".\" as separator)");
    if (!(value > 0) || value > kLargestFieldMHz)
        throw UsageError("frequency out of bounds: \"" + shown + "\" (above 0 and at most 99999999 MHz)");
    return value;
}

int ParseTransmitterType(std::string_view text)
{
    if (text == "13" || text == "14" || text == "15")
        return (text[1] - '0') + 10;
    throw UsageError("unknown transmitter type \"" + std::string(text) + "\" (13, 14 or 15)");
}

bool ParseGridStep(std::string_view text)
{
    if (text == "12.5")
        return false;
    if (text == "25")
        return true;
    throw UsageError("unknown grid step \"" + std::string(text) + "\" (12.5 or 25)");
}

std::vector<unsigned char> ParseHexBytes(std::string_view text, std::size_t size)
{
    std::vector<int> digits;
    for (char c : text) {
        if (c == ' ' || c == ':' || c == '-')
            continue;
        const int digit = HexDigit(c);
        if (digit < 0)
            throw UsageError("not hexadecimal: \"" + std::string(text) + "\"");
        digits.push_back(digit);
    }
    if (digits.size() != 2 * size)
        throw UsageError("expected " + std::to_string(size) + " bytes (" + std::to_string(2 * size) +
                         " hex digits), got " + std::to_string(digits.size()) + " digits");
    std::vector<unsigned char> bytes;
    for (std::size_t i = 0; i < digits.size(); i += 2)
        bytes.push_back(static_cast<unsigned char>(digits[i] * 16 + digits[i + 1]));
    return bytes;
}

}  // namespace torv::cli
