#include "cli/image_commands.h"

#include <ostream>
#include <variant>

#include <QFile>
#include <QSaveFile>

#include "cli/arguments.h"
#include "cli/cli_text.h"
#include "cli/command_journal.h"
#include "cli/exchange_session.h"
#include "cli/results.h"
#include "cli/unit_image.h"
#include "cli/write_steps.h"
#include "journal/journal_time.h"

namespace torv::cli {
namespace {

// The one positional argument, FILE.
QString FileArgument(const Arguments& arguments, const char* command)
{
    if (arguments.Positional().size() != 1)
        throw UsageError(Utf8(CliText::tr("%1 needs one FILE, the unit's image").arg(command)));
    return QString::fromStdString(arguments.Positional().front());
}

// An image file larger than this is not one.
constexpr qint64 kLargestImage = 64 * 1024;

}  // namespace

int RunSave(const std::vector<std::string>& args, const Console& console)
{
    const Arguments arguments(args, LineOptionsAnd());
    const QString path = FileArgument(arguments, "save");
    const bool json = arguments.Has("--json");
    // Opened before the unit is read, so that a file that cannot be written costs no exchange;
    // the file appears whole or not at all.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw UsageError(Utf8(CliText::tr("cannot write %1: %2").arg(path, file.errorString())));

    Session session(arguments, console);
    CommandJournal journal(arguments, "read", console);
    if (const std::optional<int> failed = ReadFirst(session, journal, json, console))
        return *failed;
    journal.Finish(session, kExitOk);
    if (const std::vector<int>& damaged = session.DamagedRecordsTaken(); !damaged.empty())
        console.err << Utf8(CliText::tr("torvctl: warning: %1 failed its check and is saved as read")
                                .arg(QString::fromStdString(RecordsText(damaged))))
                    << "\n";
    const UnitImage image{session.Exchange().Info(), session.Exchange().Block(), UtcText(TimeNow())};
    const std::string text = UnitImageText(image);
    if (file.write(text.data(), static_cast<qint64>(text.size())) != static_cast<qint64>(text.size()) || !file.commit())
        return Report({kExitUsage, "file-unusable",
                       Utf8(CliText::tr("cannot write %1: %2").arg(path, file.errorString())), std::nullopt},
                      json, console, session.Transmitter(), &journal);
    const TransmitterState state = session.Transmitter();
    if (json) {
        PrintJson(QJsonObject{{"exitCode", kExitOk},
                              {"outcome", "saved"},
                              {"file", path},
                              {"transmitter", TransmitterJson(state)},
                              {"journalError", journal.ErrorJson()}},
                  console.out);
    } else {
        PrintTransmitter(state, console.out);
        console.out << Utf8(CliText::tr("saved to %1").arg(path)) << "\n";
    }
    return kExitOk;
}

int RunLoad(const std::vector<std::string>& args, const Console& console)
{
    const Arguments arguments(args, WriteOptionsAnd());
    const QString path = FileArgument(arguments, "load");
    const bool json = arguments.Has("--json");
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw UsageError(Utf8(CliText::tr("cannot read %1: %2").arg(path, file.errorString())));
    const QByteArray text = file.read(kLargestImage + 1);
    using Parsed = std::variant<UnitImage, std::string>;
    const Parsed parsed =
        text.size() > kLargestImage
            ? Parsed(Utf8(CliText::tr("not a unit image: it is larger than %1 bytes").arg(kLargestImage)))
            : ParseUnitImage(text.toStdString());
    if (const std::string* why = std::get_if<std::string>(&parsed))
        return Report(
            {kExitRefused, "image-unusable",
             Utf8(CliText::tr("%1: %2: nothing was written").arg(path, QString::fromStdString(*why))), std::nullopt},
            json, console);
    const UnitImage& image = std::get<UnitImage>(parsed);
    const TransmitterState saved = DescribeTransmitter(image.info, image.block);
    const std::vector<int> damaged = DamagedRecords(image.block);
    if (!damaged.empty() && !arguments.Has("--accept-damaged"))
        return Report({kExitRefused, "damaged-data",
                       Utf8(CliText::tr("the image's parameter block fails its check (%1): nothing was written; "
                                        "--accept-damaged writes it")
                                .arg(QString::fromStdString(RecordsText(damaged)))),
                       std::nullopt},
                      json, console);

    Session session(arguments, console);
    CommandJournal journal(arguments, WriteOperation(arguments, "load"), console);
    if (const std::optional<int> failed = ReadFirst(session, journal, json, console))
        return *failed;
    const TransmitterState connected = session.Transmitter();
    if (connected.deviceType != saved.deviceType) {
        const CommandFailure wrongType{
            kExitRefused, "wrong-type",
            Utf8(CliText::tr("the image is of a unit of device type %1 (%2), the connected unit is of type %3: "
                             "nothing was written")
                     .arg(saved.deviceType)
                     .arg(QString::fromStdString(saved.serial))
                     .arg(connected.deviceType)),
            std::nullopt};
        journal.Finish(session, wrongType.exitCode, wrongType);
        return Report(wrongType, json, console, connected, &journal);
    }
    if (connected.serial != saved.serial)
        console.err << Utf8(CliText::tr("torvctl: the image is of unit %1; the connected unit %2 gets its frequencies")
                                .arg(QString::fromStdString(saved.serial), QString::fromStdString(connected.serial)))
                    << "\n";
    // The grid step comes as saved, as with the grid-edit option.
    return WriteAfterRead(session, journal, arguments, RequestWith(image.block, session.Exchange(), true), console);
}

}  // namespace torv::cli
