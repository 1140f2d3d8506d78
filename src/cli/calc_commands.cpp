#include "cli/calc_commands.h"

#include <iomanip>
#include <ostream>
#include <sstream>

#include "cli/arguments.h"
#include "cli/cli_text.h"
#include "cli/results.h"
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

QString MHzText(double hz)
{
    return CliText::tr("%1 MHz").arg(ToQString(FormatMHz(hz, ".")));
}

// One line of text, in the language spoken.
struct Line {
    QString text;
};

std::ostream& operator<<(std::ostream& out, const Line& line)
{
    return out << Utf8(line.text) << "\n";
}

// A command's result, both as lines for a person and as a JSON object.
struct Output {
    std::ostringstream text;
    QJsonObject json;

    int Print(int exitCode, bool asJson, std::ostream& out)
    {
        if (asJson) {
            json.insert("exitCode", exitCode);
            PrintJson(json, out);
        } else {
            out << text.str();
        }
        return exitCode;
    }
};

std::string SingleFrequency(const Arguments& arguments)
{
    if (arguments.Positional().size() != 1)
        throw UsageError(Utf8(CliText::tr("give exactly one frequency in MHz")));
    return arguments.Positional().front();
}

int CalcLegacy(const std::string& typed, Output& output)
{
    const LegacySearch search = FindLegacyDivisors(ParseMHz(typed));
    std::ostream& out = output.text;
    output.json.insert("mode", "legacy");
    if (search.best) {
        const LegacyDivisors& d = *search.best;
        output.json.insert("r", static_cast<double>(d.r));
        output.json.insert("n", static_cast<double>(d.n));
        output.json.insert("a", static_cast<double>(d.a));
        output.json.insert("achievedHz", static_cast<double>(d.achievedHz));
        output.json.insert("errorHz", static_cast<double>(search.bestError));
    }
    output.json.insert("programmable", search.success);
    if (!search.success) {
        if (search.best)
            out << Line{CliText::tr("%1 MHz cannot be programmed in legacy mode: the closest divisors (R %2, N %3, "
                                    "A %4) miss it by %5 Hz; at most %6 Hz is allowed")
                            .arg(ToQString(typed))
                            .arg(search.best->r)
                            .arg(search.best->n)
                            .arg(search.best->a)
                            .arg(search.bestError)
                            .arg(kLegacyAcceptedErrorHz)};
        else
            out << Line{CliText::tr("%1 MHz cannot be programmed in legacy mode: no divisors come within 1 MHz of it")
                            .arg(ToQString(typed))};
        return kExitRefused;
    }
    const LegacyDivisors& d = *search.best;
    out << Line{QStringLiteral("R %1, N %2, A %3").arg(d.r).arg(d.n).arg(d.a)}
        << Line{CliText::tr("achieved %1 Hz (%2), error %3 Hz")
                    .arg(d.achievedHz)
                    .arg(MHzText(static_cast<double>(d.achievedHz)))
                    .arg(search.bestError)};
    return kExitOk;
}

int CalcGrid(const std::string& typed, const Arguments& arguments, Output& output)
{
    std::ostream& out = output.text;
    const double mhz = ParseMHz(typed);
    const std::optional<std::string> typeText = arguments.Value("--type");
    if (!typeText)
        throw UsageError(Utf8(CliText::tr("grid mode needs --type 13, 14 or 15")));
    const TransmitterType type = *FindTransmitterType(static_cast<std::uint8_t>(ParseTransmitterType(*typeText)));
    const bool grid25kHz = ParseGridStep(arguments.Value("--step").value_or("12.5"));
    const bool second = arguments.Has("--second");

    const GridDivisors g = EncodeGrid(mhz, type.gridDivider);
    const EncodedChannel channel{kGridMarker, g.n, g.f};
    const ParameterBlock block = BuildParameterBlock(SynthMode::Grid, grid25kHz, true, channel, channel);
    const std::size_t offset = second ? kRecord2Offset : kRecord1Offset;
    const double hz = DecodeGrid(g.n, g.f, type.gridDivider).value();

    const bool inRange = mhz >= type.minMHz && mhz <= type.maxMHz;
    output.json = QJsonObject{{"mode", "grid"},
                              {"deviceType", int(type.code)},
                              {"n", static_cast<double>(g.n)},
                              {"f", static_cast<double>(g.f)},
                              {"p", static_cast<double>(type.gridDivider)},
                              {"achievedHz", hz},
                              {"channel", second ? 2 : 1},
                              {"record", QString::fromStdString(Hex(block.data() + offset, kRecordSize))},
                              {"inRange", inRange}};
    out << Line{QStringLiteral("N %1, F %2 (P %3)").arg(g.n).arg(g.f).arg(type.gridDivider)}
        << Line{CliText::tr("achieved %1 Hz (%2)").arg(hz, 0, 'f', 0).arg(MHzText(hz))}
        << Line{CliText::tr("channel %1 record: %2")
                    .arg(second ? 2 : 1)
                    .arg(ToQString(Hex(block.data() + offset, kRecordSize)))};
    if (!inRange) {
        out << Line{CliText::tr("outside the range of type %1 (%2 to %3 MHz): the programmer refuses to write it")
                        .arg(int(type.code))
                        .arg(type.minMHz)
                        .arg(type.maxMHz)};
        return kExitRefused;
    }
    return kExitOk;
}

}  // namespace

int RunCalc(const std::vector<std::string>& args, std::ostream& out)
{
    const Arguments arguments(args,
                              {{"--legacy"}, {"--grid"}, {"--type", true}, {"--step", true}, {"--second"}, {"--json"}});
    const bool legacy = arguments.Has("--legacy");
    if (legacy == arguments.Has("--grid"))
        throw UsageError(Utf8(CliText::tr("choose one of --legacy and --grid")));
    if (legacy && (arguments.Has("--type") || arguments.Has("--step") || arguments.Has("--second")))
        throw UsageError(Utf8(CliText::tr("--type, --step and --second belong to --grid")));
    const std::string typed = SingleFrequency(arguments);
    Output output;
    const int code = legacy ? CalcLegacy(typed, output) : CalcGrid(typed, arguments, output);
    return output.Print(code, arguments.Has("--json"), out);
}

int RunDecode(const std::vector<std::string>& args, std::ostream& out)
{
    const Arguments arguments(args, {{"--type", true}, {"--json"}});
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
        throw UsageError(Utf8(CliText::tr("a grid-mode record needs --type 13, 14 or 15")));
    const int gridDivider = type ? type->gridDivider : 0;

    Output output;
    std::ostream& text = output.text;
    const QString use = view.InUse() ? CliText::tr("in use") : CliText::tr("not in use");
    const QString flags = ToQString(Hex(record.data(), 1));
    if (view.GridMode())
        text << Line{CliText::tr("flags 0x%1: %2, grid mode, %3 kHz step")
                         .arg(flags, use, view.Grid25kHz() ? QStringLiteral("25") : QStringLiteral("12.5"))};
    else
        text << Line{CliText::tr("flags 0x%1: %2, legacy mode").arg(flags, use)};
    output.json = QJsonObject{{"flags", QString::fromStdString(Hex(record.data(), 1))},
                              {"inUse", view.InUse()},
                              {"mode", view.GridMode() ? "grid" : "legacy"}};
    std::optional<double> hz;
    if (view.GridMode()) {
        text << Line{QStringLiteral("N %1, F %2 (P %3)").arg(view.N()).arg(view.RorF()).arg(gridDivider)};
        output.json.insert("gridStepKHz", view.Grid25kHz() ? 25.0 : 12.5);
        output.json.insert("n", static_cast<double>(view.N()));
        output.json.insert("f", static_cast<double>(view.RorF()));
        output.json.insert("p", gridDivider);
        hz = DecodeGrid(view.N(), view.RorF(), gridDivider);
    } else {
        text << Line{QStringLiteral("A %1, N %2, R %3").arg(int(view.A())).arg(view.N()).arg(view.RorF())};
        output.json.insert("a", int(view.A()));
        output.json.insert("n", static_cast<double>(view.N()));
        output.json.insert("r", static_cast<double>(view.RorF()));
        hz = DecodeLegacy(view.A(), view.N(), view.RorF());
    }
    const bool intact = RecordIntact(record);
    text << Line{
        CliText::tr("CRC %1: %2")
            .arg(ToQString(Hex(record.data() + 6, 2)), intact ? CliText::tr("intact") : CliText::tr("does not match"))};
    output.json.insert("crc", QString::fromStdString(Hex(record.data() + 6, 2)));
    output.json.insert("intact", intact);
    output.json.insert("frequency", hz ? QJsonValue(QString::fromStdString(FormatMHz(*hz, "."))) : QJsonValue());
    if (hz)
        text << Line{CliText::tr("frequency %1").arg(MHzText(*hz))};
    else
        text << Line{CliText::tr("frequency: none (R is 0)")};
    return output.Print(hz && intact ? kExitOk : kExitRefused, arguments.Has("--json"), out);
}

}  // namespace torv::cli
