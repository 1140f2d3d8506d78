#include "cli/calc_commands.h"

#include <iomanip>
#include <ostream>
#include <sstream>

#include "cli/arguments.h"
#include "device/blocks.h"
#include "device/checksum.h"
#include "device/frequency_codec.h"

namespace torv::cli {
namespace {

std::string Hex(const std::uint8_t* bytes, std::size_t count)
{
    std::ostringstream text;
    text << std::hex << std::uppercase << std::setfill('0');
    for (std::size_t i = 0; i < count; ++i)
        text << (i ? " " : "") << std::setw(2) << static_cast<int>(bytes[i]);
    return text.str();
}

std::string MHzText(double hz)
{
    return FormatMHz(hz, ".") + " MHz";
}

std::string SingleFrequency(const Arguments& arguments)
{
    if (arguments.Positional().size() != 1)
        throw UsageError("give exactly one frequency in MHz");
    return arguments.Positional().front();
}

int CalcLegacy(const std::string& typed, std::ostream& out)
{
    const LegacySearch search = FindLegacyDivisors(ParseMHz(typed));
    if (!search.success) {
        out << typed << " MHz cannot be programmed in legacy mode: ";
        if (search.best)
            out << "the closest divisors (R " << search.best->r << ", N " << search.best->n << ", A "
                << search.best->a << ") miss it by " << search.bestError << " Hz; at most "
                << kLegacyAcceptedErrorHz << " Hz is allowed\n";
        else
            out << "no divisors come within 1 MHz of it\n";
        return kExitRefused;
    }
    const LegacyDivisors& d = *search.best;
    out << "R " << d.r << ", N " << d.n << ", A " << d.a << "\n"
        << "achieved " << d.achievedHz << " Hz (" << MHzText(static_cast<double>(d.achievedHz)) << "), error "
        << search.bestError << " Hz\n";
    return kExitOk;
}

int CalcGrid(const std::string& typed, const Arguments& arguments, std::ostream& out)
{
    const double mhz = ParseMHz(typed);
    const std::optional<std::string> typeText = arguments.Value("--type");
    if (!typeText)
        throw UsageError("grid mode needs --type 13, 14 or 15");
    const TransmitterType type = *FindTransmitterType(static_cast<std::uint8_t>(ParseTransmitterType(*typeText)));
    const bool grid25kHz = ParseGridStep(arguments.Value("--step").value_or("12.5"));
    const bool second = arguments.Has("--second");

    const GridDivisors g = EncodeGrid(mhz, type.gridDivider);
    const EncodedChannel channel{kGridMarker, g.n, g.f};
    const ParameterBlock block = BuildParameterBlock(SynthMode::Grid, grid25kHz, true, channel, channel);
    const std::size_t offset = second ? kRecord2Offset : kRecord1Offset;
    const double hz = DecodeGrid(g.n, g.f, type.gridDivider).value();

    out << "N " << g.n << ", F " << g.f << " (P " << type.gridDivider << ")\n"
        << "achieved " << std::fixed << std::setprecision(0) << hz << " Hz (" << MHzText(hz) << ")\n"
        << "channel " << (second ? 2 : 1) << " record: " << Hex(block.data() + offset, kRecordSize) << "\n";
    if (mhz < type.minMHz || mhz > type.maxMHz) {
        out << "outside the range of type " << int(type.code) << " (" << type.minMHz << " to " << type.maxMHz
            << " MHz): the programmer refuses to write it\n";
        return kExitRefused;
    }
    return kExitOk;
}

}  // namespace

int RunCalc(const std::vector<std::string>& args, std::ostream& out)
{
    const Arguments arguments(args, {{"--legacy"}, {"--grid"}, {"--type", true}, {"--step", true}, {"--second"}});
    const bool legacy = arguments.Has("--legacy");
    if (legacy == arguments.Has("--grid"))
        throw UsageError("choose one of --legacy and --grid");
    if (legacy && (arguments.Has("--type") || arguments.Has("--step") || arguments.Has("--second")))
        throw UsageError("--type, --step and --second belong to --grid");
    const std::string typed = SingleFrequency(arguments);
    return legacy ? CalcLegacy(typed, out) : CalcGrid(typed, arguments, out);
}

int RunDecode(const std::vector<std::string>& args, std::ostream& out)
{
    const Arguments arguments(args, {{"--type", true}});
    std::string hex;
    for (const std::string& piece : arguments.Positional())
        hex += piece;
    const std::vector<unsigned char> bytes = ParseHexBytes(hex, kRecordSize);
    ChannelRecord record{};
    std::copy(bytes.begin(), bytes.end(), record.begin());
    const ChannelRecordView view(record);
    const std::optional<std::string> typeText = arguments.Value("--type");
    const std::optional<TransmitterType> type =
        typeText ? FindTransmitterType(static_cast<std::uint8_t>(ParseTransmitterType(*typeText))) : std::nullopt;
    if (view.GridMode() && !type)
        throw UsageError("a grid-mode record needs --type 13, 14 or 15");
    const int gridDivider = type ? type->gridDivider : 0;

    out << "flags 0x" << Hex(record.data(), 1) << ": " << (view.InUse() ? "in use" : "not in use") << ", "
        << (view.GridMode() ? "grid mode" : "legacy mode");
    if (view.GridMode())
        out << ", " << (view.Grid25kHz() ? "25" : "12.5") << " kHz step";
    out << "\n";
    std::optional<double> hz;
    if (view.GridMode()) {
        out << "N " << view.N() << ", F " << view.RorF() << " (P " << gridDivider << ")\n";
        hz = DecodeGrid(view.N(), view.RorF(), gridDivider);
    } else {
        out << "A " << int(view.A()) << ", N " << view.N() << ", R " << view.RorF() << "\n";
        hz = DecodeLegacy(view.A(), view.N(), view.RorF());
    }
    const bool intact = RecordIntact(record);
    out << "CRC " << Hex(record.data() + 6, 2) << ": " << (intact ? "intact" : "does not match") << "\n";
    if (!hz) {
        out << "frequency: none (R is 0)\n";
        return kExitRefused;
    }
    out << "frequency " << MHzText(*hz) << "\n";
    return intact ? kExitOk : kExitRefused;
}

}  // namespace torv::cli
