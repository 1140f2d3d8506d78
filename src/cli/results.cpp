#include "cli/results.h"

#include <algorithm>
#include <ostream>
#include <utility>

#include <QJsonArray>
#include <QJsonDocument>

#include "cli/cli_text.h"
#include "cli/terminal_host.h"
#include "device/checksum.h"
#include "device/frequency_codec.h"
#include "device/info_text.h"
#include "device/parameters.h"
#include "exchange/exchange_texts.h"

namespace torv::cli {
namespace {

QString FrequencyText(const std::optional<double>& hz)
{
    return hz ? ToQString(FormatMHz(*hz, ".")) : CliText::tr("none", "no frequency");
}

QJsonValue FrequencyJson(const std::optional<double>& hz)
{
    return hz ? QJsonValue(ToQString(FormatMHz(*hz, "."))) : QJsonValue(QJsonValue::Null);
}

std::span<const std::uint8_t, kRecordSize> RecordAt(const ParameterBlock& block, std::size_t offset)
{
    return std::span<const std::uint8_t, kRecordSize>(block.data() + offset, kRecordSize);
}

}  // namespace

TransmitterState DescribeTransmitter(InfoBlock info, const ParameterBlock& block)
{
    const std::uint8_t type = InfoBlockView(info).DeviceType();
    const ShownParameters shown = DecodeParameterBlock(block, type);
    return TransmitterState{DateText(info), SerialText(info), VersionText(info),  type, shown.gridMode, shown.grid25kHz,
                            shown.firstHz,  shown.secondHz,   shown.secondEnabled};
}

void PrintTransmitter(const TransmitterState& state, std::ostream& out)
{
    const QString step = state.grid25kHz ? QStringLiteral("25") : QStringLiteral("12.5");
    const QString second = state.secondEnabled ? CliText::tr("%1 MHz").arg(FrequencyText(state.secondHz))
                                               : CliText::tr("%1 MHz (not enabled)").arg(FrequencyText(state.secondHz));
    const std::pair<QString, QString> lines[] = {
        {CliText::tr("date of manufacture"), ToQString(state.date)},
        {CliText::tr("serial number"), ToQString(state.serial)},
        {CliText::tr("firmware version"), ToQString(state.version)},
        {CliText::tr("device type"), QString::number(state.deviceType)},
        {CliText::tr("synthesizer mode"),
         state.gridMode ? CliText::tr("grid, %1 kHz grid").arg(step) : CliText::tr("legacy", "synthesizer mode")},
        {CliText::tr("first frequency"), CliText::tr("%1 MHz").arg(FrequencyText(state.firstHz))},
        {CliText::tr("second frequency"), second},
    };
    // The values line up two blanks after the longest heading.
    qsizetype width = 0;
    for (const auto& [heading, value] : lines)
        width = std::max(width, heading.size());
    for (const auto& [heading, value] : lines)
        out << Utf8(heading.leftJustified(width + 2) + value) << "\n";
}

QJsonObject TransmitterJson(const TransmitterState& state)
{
    return QJsonObject{
        {"date", ToQString(state.date)},
        {"serial", ToQString(state.serial)},
        {"version", ToQString(state.version)},
        {"deviceType", state.deviceType},
        {"mode", state.gridMode ? "grid" : "legacy"},
        {"gridStepKHz", state.gridMode ? QJsonValue(state.grid25kHz ? 25.0 : 12.5) : QJsonValue(QJsonValue::Null)},
        {"first", FrequencyJson(state.firstHz)},
        {"second", FrequencyJson(state.secondHz)},
        {"secondEnabled", state.secondEnabled},
    };
}

void PrintChange(const TransmitterState& before, const TransmitterState& after, std::ostream& out)
{
    const auto mode = [](const TransmitterState& state) {
        return !state.gridMode ? CliText::tr("legacy")
                               : CliText::tr("grid, %1 kHz grid").arg(state.grid25kHz ? "25" : "12.5");
    };
    const auto first = [](const TransmitterState& state) {
        return CliText::tr("%1 MHz").arg(FrequencyText(state.firstHz));
    };
    const auto second = [](const TransmitterState& state) {
        return state.secondEnabled ? CliText::tr("%1 MHz").arg(FrequencyText(state.secondHz)) : CliText::tr("off");
    };
    out << Utf8(CliText::tr("unit %1, device type %2: before → after")
                    .arg(ToQString(after.serial))
                    .arg(after.deviceType))
        << "\n"
        << Utf8(CliText::tr("  synthesizer mode   %1 → %2").arg(mode(before), mode(after))) << "\n"
        << Utf8(CliText::tr("  first frequency    %1 → %2").arg(first(before), first(after))) << "\n"
        << Utf8(CliText::tr("  second frequency   %1 → %2").arg(second(before), second(after))) << "\n";
}

std::vector<int> DamagedRecords(const ParameterBlock& block)
{
    std::vector<int> damaged;
    if (!RecordIntact(RecordAt(block, kRecord1Offset)))
        damaged.push_back(1);
    if (Record2(block).InUse() && !RecordIntact(RecordAt(block, kRecord2Offset)))
        damaged.push_back(2);
    return damaged;
}

std::string RecordsText(const std::vector<int>& records)
{
    if (records.empty())
        return Utf8(CliText::tr("no record"));
    if (records.size() == 1)
        return Utf8(CliText::tr("record %1").arg(records.front()));
    return Utf8(CliText::tr("records 1 and 2"));
}

QJsonObject FailureJson(const CommandFailure& failure)
{
    QJsonObject object{
        {"exitCode", failure.exitCode}, {"failure", ToQString(failure.kind)}, {"message", ToQString(failure.message)}};
    if (failure.prompt) {
        const char letter = PromptLetter(*failure.prompt);
        object.insert("prompt", QJsonObject{{"letter", letter ? QJsonValue(QString(QChar(letter))) : QJsonValue()},
                                            {"caption", ToQString(failure.prompt->caption)},
                                            {"text", ToQString(failure.prompt->text)}});
    } else {
        object.insert("prompt", QJsonValue(QJsonValue::Null));
    }
    if (failure.kind == kRefusedByChecks) {
        QJsonArray nearest;
        for (double mhz : failure.nearestMHz)
            nearest.append(mhz);
        object.insert("nearest", nearest);
    }
    return object;
}

void PrintFailure(const CommandFailure& failure, std::ostream& err)
{
    err << "torvctl: " << failure.message << "\n";
}

std::string FailureText(const CommandFailure& failure)
{
    const std::string name = failure.prompt ? texts::MessageName(*failure.prompt) : "";
    const std::string what = name.size() == 1 ? "prompt " + name : name;
    return failure.kind + (what.empty() ? "" : " (" + what + ")") + ": " + failure.message;
}

void PrintJson(const QJsonObject& object, std::ostream& out)
{
    out << QJsonDocument(object).toJson(QJsonDocument::Indented).toStdString() << std::flush;
}

void PrintJsonLine(const QJsonObject& object, std::ostream& out)
{
    out << QJsonDocument(object).toJson(QJsonDocument::Compact).toStdString() << std::endl;
}

}  // namespace torv::cli
