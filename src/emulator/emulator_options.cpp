#include "emulator/emulator_options.h"

#include <getopt.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <optional>
#include <string_view>
#include <vector>

namespace torv {
namespace {

enum Option : int {
    kHelp = 'h',
    kVerbose = 'v',
    kType = 256,
    kDate,
    kSerial,
    kVersion,
    kInfo,
    kBlock,
    kF1,
    kF2,
    kMode,
    kStep,
    kNoPacing,
    kBytePeriod,
    kId,
    kIdHex,
    kIdPrefix,
    kSilent,
    kSplit,
    kNak,
    kWrongType,
    kWrongTypeCount,
    kInfoExtra,
    kBadCrc,
    kCorruptReadback,
    kCorruptByte,
    kWriteLock,
};

constexpr option kOptions[] = {
    {"help", no_argument, nullptr, kHelp},
    {"verbose", no_argument, nullptr, kVerbose},
    {"type", required_argument, nullptr, kType},
    {"date", required_argument, nullptr, kDate},
    {"serial", required_argument, nullptr, kSerial},
    {"version", required_argument, nullptr, kVersion},
    {"info", required_argument, nullptr, kInfo},
    {"block", required_argument, nullptr, kBlock},
    {"f1", required_argument, nullptr, kF1},
    {"f2", required_argument, nullptr, kF2},
    {"mode", required_argument, nullptr, kMode},
    {"step", required_argument, nullptr, kStep},
    {"no-pacing", no_argument, nullptr, kNoPacing},
    {"byte-period-us", required_argument, nullptr, kBytePeriod},
    {"id", required_argument, nullptr, kId},
    {"id-hex", required_argument, nullptr, kIdHex},
    {"id-prefix", required_argument, nullptr, kIdPrefix},
    {"silent", required_argument, nullptr, kSilent},
    {"split", required_argument, nullptr, kSplit},
    {"nak", required_argument, nullptr, kNak},
    {"wrong-type", required_argument, nullptr, kWrongType},
    {"wrong-type-count", required_argument, nullptr, kWrongTypeCount},
    {"info-extra", required_argument, nullptr, kInfoExtra},
    {"bad-crc", required_argument, nullptr, kBadCrc},
    {"corrupt-readback", required_argument, nullptr, kCorruptReadback},
    {"corrupt-byte", required_argument, nullptr, kCorruptByte},
    {"write-lock", no_argument, nullptr, kWriteLock},
    {nullptr, 0, nullptr, 0},
};

int ParseInt(std::string_view text, int min, int max, std::string_view what)
{
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end || value < min || value > max)
        throw OptionError(std::string(what) + " expects a number from " + std::to_string(min) + " to " +
                          std::to_string(max) + ", not \"" + std::string(text) + "\"");
    return value;
}

// A fault count: a number of occasions, or "always".
int ParseCount(std::string_view text, std::string_view what)
{
    return text == "always" ? kAlways : ParseInt(text, 0, 1'000'000, what);
}

double ParseMHz(std::string_view text, std::string_view what)
{
    double value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end || !(value > 0.0 && value < 100'000.0))
        throw OptionError(std::string(what) + " expects a frequency in MHz, e.g. 146.0125, not \"" +
                          std::string(text) + "\"");
    return value;
}

// Hex digits, optionally separated by blanks, colons or dashes.
std::vector<std::uint8_t> ParseHex(std::string_view text, std::string_view what)
{
    std::string digits;
    for (const char c : text) {
        if (std::isxdigit(static_cast<unsigned char>(c)))
            digits += c;
        else if (c != ' ' && c != ':' && c != '-')
            throw OptionError(std::string(what) + " expects hex digits, not \"" + std::string(text) + "\"");
    }
    if (digits.size() % 2 != 0)
        throw OptionError(std::string(what) + " expects whole bytes (an even number of hex digits)");
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i < digits.size(); i += 2)
        bytes.push_back(static_cast<std::uint8_t>(std::stoi(digits.substr(i, 2), nullptr, 16)));
    return bytes;
}

template <std::size_t Size>
std::array<std::uint8_t, Size> ParseHexBlock(std::string_view text, std::string_view what)
{
    const std::vector<std::uint8_t> bytes = ParseHex(text, what);
    if (bytes.size() != Size)
        throw OptionError(std::string(what) + " expects " + std::to_string(Size) + " bytes, not " +
                          std::to_string(bytes.size()));
    std::array<std::uint8_t, Size> block{};
    std::copy(bytes.begin(), bytes.end(), block.begin());
    return block;
}

AdapterCommand ParseCommand(std::string_view name, std::string_view what)
{
    if (const std::optional<AdapterCommand> command = CommandFromName(name))
        return *command;
    throw OptionError(std::string(what) +
                      " expects a command (identify, probe, select, info, read, write), not \"" +
                      std::string(name) + "\"");
}

// "CMD" or "CMD:N".
std::pair<AdapterCommand, int> ParseSilent(std::string_view text)
{
    const std::size_t colon = text.find(':');
    const AdapterCommand command = ParseCommand(text.substr(0, colon), "--silent");
    const int count = colon == std::string_view::npos ? kAlways : ParseCount(text.substr(colon + 1), "--silent");
    return {command, count};
}

// "CMD:4,5" or "CMD:4,5@GAP_MS".
std::pair<AdapterCommand, ReplySplit> ParseSplit(std::string_view text)
{
    const std::size_t colon = text.find(':');
    if (colon == std::string_view::npos)
        throw OptionError("--split expects CMD:SIZES[@GAP_MS], e.g. identify:4,5@50");
    const AdapterCommand command = ParseCommand(text.substr(0, colon), "--split");
    std::string_view sizes = text.substr(colon + 1);
    ReplySplit split;
    if (const std::size_t at = sizes.find('@'); at != std::string_view::npos) {
        split.gap = std::chrono::milliseconds(ParseInt(sizes.substr(at + 1), 0, 60'000, "--split gap"));
        sizes = sizes.substr(0, at);
    }
    while (!sizes.empty()) {
        const std::size_t comma = sizes.find(',');
        split.pieces.push_back(static_cast<std::size_t>(ParseInt(sizes.substr(0, comma), 1, 4096, "--split piece")));
        sizes = comma == std::string_view::npos ? std::string_view() : sizes.substr(comma + 1);
    }
    return {command, split};
}

// "DD.MM.YYYY".
void ParseDate(std::string_view text, TransmitterIdentity& identity)
{
    if (text.size() != 10 || text[2] != '.' || text[5] != '.')
        throw OptionError("--date expects DD.MM.YYYY, not \"" + std::string(text) + "\"");
    identity.day = ParseInt(text.substr(0, 2), 0, 99, "--date day");
    identity.month = ParseInt(text.substr(3, 2), 0, 99, "--date month");
    identity.year = ParseInt(text.substr(6, 4), 2000, 2099, "--date year");
}

// "X.YY" or "XX.YY".
void ParseVersion(std::string_view text, TransmitterIdentity& identity)
{
    const std::size_t dot = text.find('.');
    if (dot == std::string_view::npos || text.size() - dot != 3)
        throw OptionError("--version expects X.YY, e.g. 1.23, not \"" + std::string(text) + "\"");
    identity.versionMajor = ParseInt(text.substr(0, dot), 0, 99, "--version major part");
    identity.versionMinor = ParseInt(text.substr(dot + 1), 0, 99, "--version minor part");
}

SynthMode ParseMode(std::string_view text)
{
    if (text == "legacy")
        return SynthMode::Legacy;
    if (text == "grid")
        return SynthMode::Grid;
    throw OptionError("--mode expects legacy or grid, not \"" + std::string(text) + "\"");
}

bool ParseStepIs25kHz(std::string_view text)
{
    if (text == "12.5")
        return false;
    if (text == "25")
        return true;
    throw OptionError("--step expects 12.5 or 25, not \"" + std::string(text) + "\"");
}

// The transmitter's contents, gathered while the options are read.
struct ContentsChoice {
    TransmitterIdentity identity;
    std::optional<InfoBlock> rawInfo;
    ChannelPlan plan;
    std::optional<ParameterBlock> rawBlock;
    bool planGiven = false;

    TransmitterContents Build() const
    {
        if (rawBlock && planGiven)
            throw OptionError("--block cannot be combined with --f1, --f2, --mode or --step");
        try {
            TransmitterContents contents;
            contents.info = rawInfo ? *rawInfo : MakeInfoBlock(identity);
            contents.block = rawBlock ? *rawBlock : MakeParameterBlock(plan, contents.info[3]);
            return contents;
        } catch (const std::invalid_argument& error) {
            throw OptionError(error.what());
        }
    }
};

}  // namespace

EmulatorOptions ParseEmulatorOptions(int argc, char* argv[])
{
    EmulatorOptions options;
    ContentsChoice contents;
    bool wrongTypeGiven = false;
    std::optional<int> wrongTypeCount;

    optind = 0;  // full re-initialisation, so that the parser can run more than once
    opterr = 0;
    for (;;) {
        const int option = ::getopt_long(argc, argv, "+:hv", kOptions, nullptr);
        if (option == -1)
            break;
        const std::string_view value = optarg ? optarg : "";
        switch (option) {
        case kHelp: options.help = true; break;
        case kVerbose: options.verbose = true; break;
        case kType: contents.identity.deviceType = static_cast<std::uint8_t>(ParseInt(value, 0, 255, "--type")); break;
        case kDate: ParseDate(value, contents.identity); break;
        case kSerial: contents.identity.serial = ParseInt(value, 0, 9999, "--serial"); break;
        case kVersion: ParseVersion(value, contents.identity); break;
        case kInfo: contents.rawInfo = ParseHexBlock<8>(value, "--info"); break;
        case kBlock: contents.rawBlock = ParseHexBlock<32>(value, "--block"); break;
        case kF1: contents.plan.f1MHz = ParseMHz(value, "--f1"); contents.planGiven = true; break;
        case kF2: contents.plan.f2MHz = ParseMHz(value, "--f2"); contents.planGiven = true; break;
        case kMode: contents.plan.mode = ParseMode(value); contents.planGiven = true; break;
        case kStep: contents.plan.grid25kHz = ParseStepIs25kHz(value); contents.planGiven = true; break;
        case kNoPacing: options.bytePeriod = {}; break;
        case kBytePeriod:
            options.bytePeriod = std::chrono::microseconds(ParseInt(value, 0, 10'000'000, "--byte-period-us"));
            break;
        case kId: options.faults.identification.assign(value.begin(), value.end()); break;
        case kIdHex: options.faults.identification = ParseHex(value, "--id-hex"); break;
        case kIdPrefix: options.faults.identificationPrefix.assign(value.begin(), value.end()); break;
        case kSilent: {
            const auto [command, count] = ParseSilent(value);
            options.faults.silent.insert_or_assign(command, count);
            break;
        }
        case kSplit: {
            auto [command, split] = ParseSplit(value);
            options.faults.split.insert_or_assign(command, std::move(split));
            break;
        }
        case kNak: options.faults.nakCount = ParseCount(value, "--nak"); break;
        case kWrongType:
            options.faults.wrongType = static_cast<std::uint8_t>(ParseInt(value, 0, 255, "--wrong-type"));
            wrongTypeGiven = true;
            break;
        case kWrongTypeCount: wrongTypeCount = ParseCount(value, "--wrong-type-count"); break;
        case kInfoExtra: options.faults.infoTrailer = ParseHex(value, "--info-extra"); break;
        case kBadCrc: options.faults.badCrcCount = ParseCount(value, "--bad-crc"); break;
        case kCorruptReadback: options.faults.corruptReadbackCount = ParseCount(value, "--corrupt-readback"); break;
        case kCorruptByte:
            options.faults.corruptByte = static_cast<std::size_t>(ParseInt(value, 0, 31, "--corrupt-byte"));
            break;
        case kWriteLock: options.faults.writeLock = true; break;
        case ':': throw OptionError(std::string(argv[optind - 1]) + " needs a value");
        default: throw OptionError("unknown option " + std::string(argv[optind - 1]));
        }
    }
    if (optind < argc)
        throw OptionError("unexpected argument \"" + std::string(argv[optind]) + "\"");
    if (wrongTypeCount && !wrongTypeGiven)
        throw OptionError("--wrong-type-count needs --wrong-type");
    if (wrongTypeGiven)
        options.faults.wrongTypeCount = wrongTypeCount.value_or(kAlways);
    options.contents = contents.Build();
    return options;
}

std::string EmulatorUsage()
{
    return R"(Usage: torv-adapter-emulator [OPTION]...
Emulates the programming adapter with a transmitter on a pseudo-terminal. Prints the
device to open as the serial port on the first line, then serves until interrupted.

Transmitter:
  --type N              device type: 0 no transmitter, 13, 14, 15, other (default 13)
  --date DD.MM.YYYY     date of manufacture (default 12.03.2007)
  --serial NNNN         last four serial digits (default 1234)
  --version X.YY        firmware version (default 1.23)
  --info HEX            raw 8-byte info block, instead of the four options above
  --f1 MHZ              first frequency (default 146.0)
  --f2 MHZ              second frequency (default: not in use)
  --mode legacy|grid    synthesizer mode (default legacy)
  --step 12.5|25        grid step in kHz (default 12.5)
  --block HEX           raw 32-byte parameter block, instead of the frequencies

Line:
  --no-pacing           answer at once
  --byte-period-us N    time per byte on the line (default 4583: 2400 bit/s, 11 bits)

Faults (COUNT is a number of times, or "always"):
  --id TEXT             identification reply (default "Quasar3 v2.1" with CR LF)
  --id-hex HEX          identification reply as bytes
  --id-prefix TEXT      text sent before the identification reply
  --silent CMD[:COUNT]  leave CMD unanswered (default always); CMD is identify, probe,
                        select, info, read or write (a silent write is not stored)
  --split CMD:SIZES[@MS]  send CMD's reply in pieces, e.g. identify:4,5@50
  --nak COUNT           refuse the device-type selection
  --wrong-type T        report device type T in the info block
  --wrong-type-count COUNT  how often --wrong-type applies (default always)
  --info-extra HEX      bytes sent after every info block
  --bad-crc COUNT       damage record 1's CRC in the parameter reply
  --corrupt-readback COUNT  damage the first parameter reply after each write
  --corrupt-byte I      the byte damaged by --corrupt-readback, 0..31 (default 8)
  --write-lock          answer the probe with the write-lock pattern

  -v, --verbose         log commands and replies to stderr with time stamps
  -h, --help            show this help

Bad options end the program with exit code 2.
)";
}

}  // namespace torv
