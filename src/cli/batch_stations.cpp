#include "cli/batch_stations.h"

#include <unistd.h>

#include <chrono>
#include <iostream>
#include <ostream>

#include <QEventLoop>
#include <QSocketNotifier>
#include <QStringList>

#include "cli/arguments.h"
#include "cli/batch_plan.h"
#include "cli/batch_station.h"
#include "cli/batch_summary.h"
#include "cli/batch_unit.h"
#include "cli/cli_language.h"
#include "cli/cli_text.h"
#include "cli/results.h"
#include "cli/station_board.h"
#include "production/batch_engine.h"
#include "production/stop_signals.h"
#include "serial/port_discovery.h"

namespace torv::cli {
namespace {

using Clock = std::chrono::steady_clock;

std::optional<std::chrono::milliseconds> IdleTimeout(const Arguments& arguments)
{
    const std::optional<int> seconds = PositiveWholeNumber(
        arguments, "--idle-timeout", Utf8(CliText::tr("--idle-timeout needs a whole number of seconds, 1 or more")));
    if (!seconds)
        return std::nullopt;
    return std::chrono::seconds(*seconds);
}

// Each station's own command line: its port, and what the batch passes on.
std::vector<std::string> StationWords(const Arguments& arguments, const std::string& port)
{
    std::vector<std::string> words;
    if (port.empty())
        words.push_back("--demo");
    else
        words.push_back("--port=" + port);
    for (const char* option : {"--accept-damaged", "--no-journal"})
        if (arguments.Has(option))
            words.push_back(option);
    for (const char* option : {"--operator", "--order", "--server", "--journal-mode"})
        if (const std::optional<std::string> value = arguments.Value(option))
            words.push_back(std::string(option) + "=" + *value);
    return words;
}

// Ends the batch on a line of q (or quit) typed on the terminal.
class QuitKey {
public:
    // typed: a line was typed (and echoed); quit: it asks to end the batch.
    QuitKey(const std::function<void()>& typed, const std::function<void()>& quit)
        : notifier_(STDIN_FILENO, QSocketNotifier::Read)
    {
        QObject::connect(&notifier_, &QSocketNotifier::activated, &notifier_, [this, typed, quit] {
            char bytes[256];
            const ssize_t count = ::read(STDIN_FILENO, bytes, sizeof bytes);
            if (count <= 0) {
                notifier_.setEnabled(false);  // end of input: only a signal ends the batch now
                return;
            }
            line_.append(bytes, static_cast<std::size_t>(count));
            for (std::size_t end = line_.find('\n'); end != std::string::npos; end = line_.find('\n')) {
                const std::string line = line_.substr(0, end);
                line_.erase(0, end + 1);
                typed();
                // The letter at the same place on a Russian keyboard ends it too.
                if (ReplyPicks(line, CliText::tr("q", "the letter that ends a batch"),
                               CliText::tr("quit", "the word that ends a batch")) ||
                    ReplyPicks(line, QStringLiteral("q"), QStringLiteral("quit")) ||
                    ReplyPicks(line, QString::fromUtf8("\u0439"), QString::fromUtf8("\u0432\u044b\u0445\u043e\u0434")))
                    quit();
            }
        });
    }

private:
    QSocketNotifier notifier_;
    std::string line_;
};

}  // namespace

int RunStations(const Arguments& arguments, const BatchPlan& plan, const std::vector<std::string>& ports,
                std::optional<int> unitsLimit, const Console& console)
{
    const std::optional<std::chrono::milliseconds> idle = IdleTimeout(arguments);
    if (arguments.Has("--trace"))
        throw UsageError(Utf8(CliText::tr("--trace goes with one port that is not polled for its units")));
    const BatchOutput output = OutputAsked(arguments);
    std::vector<std::string> names;
    std::vector<std::vector<std::string>> words;
    for (const std::string& port : ports.empty() ? std::vector<std::string>{""} : ports) {
        names.push_back(port.empty() ? "demo" : StationName(PortDevicePath(port)));
        words.push_back(StationWords(arguments, port));
    }
    const bool live = &console.out == &std::cout && isatty(STDOUT_FILENO) && output == BatchOutput::Lines;
    StationBoard board(names, console.out, console.err, live);
    QStringList endsWhen;
    if (!plan.NotAmong({}).empty())
        endsWhen << CliText::tr("when the plan is complete");
    if (unitsLimit)
        endsWhen << CliText::tr("after %1 units in all").arg(*unitsLimit);
    if (idle)
        endsWhen << CliText::tr("after %1 s without a new unit").arg(idle->count() / 1000);
    const std::string ends =
        Utf8(endsWhen.isEmpty()
                 ? CliText::tr("it runs until stopped (q and Enter, or Ctrl+C)")
                 : CliText::tr("it ends %1, or when stopped (q and Enter, or Ctrl+C)").arg(endsWhen.join(", ")));
    QString stationsText;
    for (std::size_t i = 0; i < names.size(); ++i)
        stationsText += (i ? ", " : "") + ToQString(names[i]);
    board.Note(Utf8(CliText::tr("stations (%1): %2; %3").arg(names.size()).arg(stationsText, ToQString(ends))));

    EngineSettings settings{unitsLimit, idle, std::chrono::milliseconds(1000),
                            [&plan](const std::set<std::string>& programmed) { return plan.AllAmong(programmed); }};
    BatchEngine engine(
        static_cast<int>(names.size()),
        [&](int station) { return std::make_unique<BatchStation>(words[static_cast<std::size_t>(station)], plan); },
        settings);
    std::vector<UnitReport> units;
    const Clock::time_point start = Clock::now();
    Clock::time_point lastUnit = start;
    const auto name = [&](int station) { return names[static_cast<std::size_t>(station)]; };
    QObject::connect(&engine, &BatchEngine::PhaseChanged, &engine,
                     [&](int station, StationPhase phase, const QString& serial) {
                         board.Phase(station, phase, serial.toStdString());
                     });
    QObject::connect(&engine, &BatchEngine::UnitDone, &engine, [&](const UnitReport& unit) {
        units.push_back(unit);
        lastUnit = Clock::now();
        board.Unit(unit);
        if (output == BatchOutput::Lines) {
            board.Print(UnitLine(unit, name(unit.station)));
        } else if (output == BatchOutput::JsonLines) {
            QJsonObject json = UnitJson(unit);
            json.insert("station", ToQString(name(unit.station)));
            PrintJsonLine(json, console.out);
        }
        if (!unit.journalError.empty())
            board.Note(name(unit.station) + ": " +
                       Utf8(CliText::tr("warning: the journal was not written: %1").arg(ToQString(unit.journalError))));
    });
    QObject::connect(
        &engine, &BatchEngine::AdapterAnswering, &engine, [&](int station, bool answering, const QString& why) {
            board.Note(name(station) + ": " +
                       Utf8(answering ? CliText::tr("the adapter answers again")
                                      : CliText::tr("the adapter does not answer (%1): polling goes on").arg(why)));
        });
    QObject::connect(&engine, &BatchEngine::StationFailed, &engine, [&](int station, const QString& why) {
        board.Note(name(station) + ": " + Utf8(CliText::tr("the station has stopped: %1").arg(why)));
    });
    QEventLoop loop;
    BatchEnd end = BatchEnd::Stopped;
    QObject::connect(&engine, &BatchEngine::Finished, &loop, [&](BatchEnd why) {
        end = why;
        loop.quit();
    });
    StopSignals stopSignals;
    QObject::connect(&stopSignals, &StopSignals::Received, &engine, [&](int count) {
        if (count == 1) {
            board.Note(
                Utf8(CliText::tr("stopping: the writes in progress are finished first (a second signal "
                                 "abandons them, leaving those units' state unknown)")));
            engine.Stop();
        } else {
            engine.Abandon();
        }
    });
    std::optional<QuitKey> quitKey;
    if (console.answers == &std::cin)
        quitKey.emplace([&] { board.LineTyped(); },
                        [&] {
                            board.Note(Utf8(CliText::tr("stopping: the units in progress are finished first")));
                            engine.Stop();
                        });
    engine.Start();
    loop.exec();
    board.Close();

    switch (end) {
    case BatchEnd::PlanComplete: board.Note(Utf8(CliText::tr("every unit of the plan is programmed"))); break;
    case BatchEnd::IdleTimeout: {
        QString missing;
        for (const std::string& serial : plan.NotAmong(engine.Programmed()))
            missing += (missing.isEmpty() ? "" : ", ") + ToQString(serial);
        board.Note(Utf8(missing.isEmpty()
                            ? CliText::tr("no new unit came for %1 s: the batch ends").arg(idle->count() / 1000)
                            : CliText::tr("no new unit came for %1 s: the batch ends; not programmed in this batch: %2")
                                  .arg(idle->count() / 1000)
                                  .arg(missing)));
        break;
    }
    case BatchEnd::StationsFailed: board.Note(Utf8(CliText::tr("no station is left to run"))); break;
    case BatchEnd::UnitsDone:
    case BatchEnd::Stopped: break;
    }
    return PrintBatchSummary(units, names, std::chrono::duration<double>(lastUnit - start).count(), output,
                             console.out);
}

}  // namespace torv::cli
