#include "emulator/emulator_options.h"

#include <getopt.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string_view>
#include <vector>

#include "device/info_text.h"

namespace torv {
namespace {

// Left unscoped on purpose: the values are getopt_long's option codes, compared with its int result.
enum Option : int {
    kHelp = 'h',
    kVerbose = 'v',
    kVersion = 256,
    kType,
    kDate,
    kSerial,
    kFirmwareVersion,
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
    kUnits,
    kSwapSeconds,
    kCount,
    kDealUnits,
};

constexpr option kOptions[] = {
    {"help", no_argument, nullptr, kHelp},
    {"verbose", no_argument, nullptr, kVerbose},
    {"version", no_argument, nullptr, kVersion},
    {"type", required_argument, nullptr, kType},
    {"date", required_argument, nullptr, kDate},
    {"serial", required_argument, nullptr, kSerial},
    {"firmware-version", required_argument, nullptr, kFirmwareVersion},
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
    {"units", required_argument, nullptr, kUnits},
    {"swap-seconds", required_argument, nullptr, kSwapSeconds},
    {"count", required_argument, nullptr, kCount},
    {"deal-units", no_argument, nullptr, kDealUnits},
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
        throw OptionError(std::string(what) + " expects a frequency in MHz, e.g. 146.0125, not \"" + std::string(text) +
                          "\"");
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
    throw OptionError(std::string(what) + " expects a command (identify, probe, select, info, read, write), not \"" +
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
void ParseFirmwareVersion(std::string_view text, TransmitterIdentity& identity)
{
    const std::size_t dot = text.find('.');
    if (dot == std::string_view::npos || text.size() - dot != 3)
        throw OptionError("--firmware-version expects X.YY, e.g. 1.23, not \"" + std::string(text) + "\"");
    identity.versionMajor = ParseInt(text.substr(0, dot), 0, 99, "--firmware-version major part");
    identity.versionMinor = ParseInt(text.substr(dot + 1), 0, 99, "--firmware-version minor part");
}

// Seconds with an optional fraction, to the millisecond.
std::chrono::milliseconds ParseSeconds(std::string_view text, std::string_view what)
{
    double seconds = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, seconds, std::chars_format::fixed);
    if (text.empty() || error != std::errc() || stop != end || !(seconds >= 0.0 && seconds <= 3600.0))
        throw OptionError(std::string(what) + " expects seconds from 0 to 3600, e.g. 1.5, not \"" + std::string(text) +
                          "\"");
    return std::chrono::milliseconds(std::llround(seconds * 1000.0));
}

std::string_view Trimmed(std::string_view text)
{
    const std::size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

// The serial numbers of --units: a list (digits, commas and blanks only) or the name of
// a file with one serial number a line (blank lines and lines starting with # left out).
std::vector<std::string> ReadUnitSerials(const std::string& value)
{
    std::vector<std::string> serials;
    if (value.find_first_not_of("0123456789, ") == std::string::npos) {
        std::string_view rest = value;
        while (!rest.empty()) {
            const std::size_t comma = rest.find_first_of(", ");
            if (comma != 0)
                serials.emplace_back(rest.substr(0, comma));
            rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
        }
    } else {
        constexpr std::uintmax_t kLargestFile = 1024 * 1024;
        std::error_code error;
        if (!std::filesystem::is_regular_file(value, error))
            throw OptionError("--units: " + value + " is not a list of serial numbers nor a readable file");
        if (std::filesystem::file_size(value, error) > kLargestFile)
            throw OptionError("--units: " + value + " is larger than 1 MiB");
        std::ifstream file(value);
        if (!file)
            throw OptionError("--units: cannot read " + value);
        std::string line;
        for (int number = 1; std::getline(file, line); ++number) {
            const std::string_view serial = Trimmed(line);
            if (serial.empty() || serial.front() == '#')
                continue;
            if (serial.find_first_not_of("0123456789") != std::string_view::npos)
                throw OptionError("--units: " + value + " line " + std::to_string(number) + ": \"" +
                                  std::string(serial) + "\" is not a serial number");
            serials.emplace_back(serial);
        }
    }
    if (serials.empty())
        throw OptionError("--units: " + value + " names no unit");
    return serials;
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

    TransmitterContents Build() const { return Build(identity); }

    // The units of --units: the last four digits, or the whole serial number as the
    // programs show it, which must agree with the type and year given.
    std::vector<TransmitterContents> BuildUnits(const std::vector<std::string>& serials) const
    {
        if (rawInfo)
            throw OptionError("--units cannot be combined with --info");
        if (identity.deviceType == kNoTransmitter)
            throw OptionError("--units needs a transmitter type other than 0");
        std::vector<TransmitterContents> units;
        for (const std::string& serial : serials) {
            if (serial.size() != 8 && serial.size() > 4)
                throw OptionError("--units: \"" + serial + "\" is neither the last four digits nor a whole " +
                                  "8-digit serial number");
            TransmitterIdentity unit = identity;
            unit.serial = ParseInt(serial.substr(serial.size() == 8 ? 4 : 0), 0, 9999, "--units");
            units.push_back(Build(unit));
            if (std::string shown = SerialText(units.back().info); serial.size() == 8 && shown != serial)
                throw OptionError("--units: " + serial + " does not agree with --type and --date, which make it " +
                                  shown);
        }
        return units;
    }

private:
    TransmitterContents Build(const TransmitterIdentity& unit) const
    {
        if (rawBlock && planGiven)
            throw OptionError("--block cannot be combined with --f1, --f2, --mode or --step");
        try {
            TransmitterContents contents;
            contents.info = rawInfo ? *rawInfo : MakeInfoBlock(unit);
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
    std::optional<std::string> units;

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
        case kVersion: options.version = true; break;
        case kType: contents.identity.deviceType = static_cast<std::uint8_t>(ParseInt(value, 0, 255, "--type")); break;
        case kDate: ParseDate(value, contents.identity); break;
        case kSerial: contents.identity.serial = ParseInt(value, 0, 9999, "--serial"); break;
        case kFirmwareVersion: ParseFirmwareVersion(value, contents.identity); break;
        case kInfo: contents.rawInfo = ParseHexBlock<8>(value, "--info"); break;
        case kBlock: contents.rawBlock = ParseHexBlock<32>(value, "--block"); break;
        case kF1:
            contents.plan.f1MHz = ParseMHz(value, "--f1");
            contents.planGiven = true;
            break;
        case kF2:
            contents.plan.f2MHz = ParseMHz(value, "--f2");
            contents.planGiven = true;
            break;
        case kMode:
            contents.plan.mode = ParseMode(value);
            contents.planGiven = true;
            break;
        case kStep:
            contents.plan.grid25kHz = ParseStepIs25kHz(value);
            contents.planGiven = true;
            break;
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
        case kUnits: units = value; break;
        case kSwapSeconds: options.swapTime = ParseSeconds(value, "--swap-seconds"); break;
        case kCount: options.count = ParseInt(value, 1, 64, "--count"); break;
        case kDealUnits: options.dealUnits = true; break;
        case ':': throw OptionError(std::string(argv[optind - 1]) + " needs a value");
        default: throw OptionError("unknown option " + std::string(argv[optind - 1]));
        }
    }
    if (optind < argc) {
        const bool afterVersion = optind > 1 && std::string_view(argv[optind - 1]) == "--version";
        throw OptionError("unexpected argument \"" + std::string(argv[optind]) + "\"" +
                          (afterVersion ? " (the firmware version is set with --firmware-version)" : ""));
    }
    if (wrongTypeCount && !wrongTypeGiven)
        throw OptionError("--wrong-type-count needs --wrong-type");
    if (wrongTypeGiven)
        options.faults.wrongTypeCount = wrongTypeCount.value_or(kAlways);
    if (options.dealUnits && !units)
        throw OptionError("--deal-units needs --units");
    options.contents = contents.Build();
    if (units)
        options.units = contents.BuildUnits(ReadUnitSerials(*units));
    return options;
}

std::string EmulatorUsage()
{
    return R"(Usage: torv-adapter-emulator [OPTION]...
Emulates the programming adapter with a transmitter on a pseudo-terminal. Prints the
device to open as the serial port on the first line (one line per adapter with
--count), then serves until interrupted.

Transmitter:
  --type N              device type: 0 no transmitter, 13, 14, 15, other (default 13)
  --date DD.MM.YYYY     date of manufacture (default 12.03.2007)
  --serial NNNN         last four serial digits (default 1234)
  --firmware-version X.YY  firmware version (default 1.23)
  --info HEX            raw 8-byte info block, instead of the four options above
  --f1 MHZ              first frequency (default 146.0)
  --f2 MHZ              second frequency (default: not in use)
  --mode legacy|grid    synthesizer mode (default legacy)
  --step 12.5|25        grid step in kHz (default 12.5)
  --block HEX           raw 32-byte parameter block, instead of the frequencies

Production line:
  --units FILE|LIST     transmitters connected one after another, like the one above
                        but for their serial numbers: a list such as 1234,1235 or a
                        file with one a line; each the last four digits or all eight
                        (13071234), which must agree with --type and --date
  --swap-seconds S      a unit that has sent its parameter block (read, or read back
                        after a write) is taken away at the next identification: no
                        transmitter for S seconds, then the next unit, and after the
                        last one none (without this option the next unit is there at
                        once and the last one stays)
  --count N             N adapters, each on its own pseudo-terminal, each with its own
                        copy of the units (default 1)
  --deal-units          deal the units out to the adapters in turn instead: unit 1 to
                        the first adapter, unit 2 to the second, and so on
  The faults below apply to every adapter; their counts start again with each unit.

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

  -v, --verbose         log commands and replies to stderr with time stamps (prefixed
                        with the adapter's number when there are several)
  -h, --help            show this help
  --version             show the program's version

Bad options end the program with exit code 2.
)";
}

std::vector<std::unique_ptr<AdapterEmulator>> MakeAdapters(const EmulatorOptions& options)
{
    std::vector<TransmitterContents> units = options.units;
    if (units.empty())
        units.push_back(options.contents);
    const auto count = static_cast<std::size_t>(options.count);
    std::vector<std::unique_ptr<AdapterEmulator>> adapters;
    for (std::size_t adapter = 0; adapter < count; ++adapter) {
        std::vector<TransmitterContents> queue;
        for (std::size_t unit = 0; unit < units.size(); ++unit)
            if (!options.dealUnits || unit % count == adapter)
                queue.push_back(units[unit]);
        // An adapter dealt no unit has no transmitter behind it.
        const TransmitterContents first = queue.empty() ? TransmitterContents{} : queue.front();
        auto emulator = std::make_unique<AdapterEmulator>(first, options.bytePeriod);
        if (!queue.empty())
            emulator->QueueUnits({queue.begin() + 1, queue.end()});
        emulator->SetFaults(options.faults);
        emulator->SetSwapTime(options.swapTime);
        adapters.push_back(std::move(emulator));
    }
    return adapters;
}

}  // namespace torv
