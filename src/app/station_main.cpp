// torv-station: the production station window. --help and --version are answered before
// the application object exists (they need no display); --demo offers three emulated
// adapters, each with units that come one after another.

#include <cstdio>
#include <memory>
#include <vector>

#include "app/program_frame.h"
#include "emulator/adapter_emulator.h"
#include "journal/journal.h"
#include "journal/journal_file.h"
#include "station/station_window.h"
#include "torv_version.h"
#include "ui/ui_style.h"

namespace {

constexpr const char* kUsage =
    "usage: torv-station [--port PATH]... [--demo]\n"
    "\n"
    "  --port PATH   offer a device the system list does not show (a socat or ser2net\n"
    "                pseudo-terminal, an rfcomm port, rfc2217://HOST:PORT)\n"
    "  --demo        offer three emulated adapters, each with four units in turn\n"
    "  --help, --version\n";

constexpr int kDemoStations = 3;
constexpr int kDemoUnitsEach = 4;
constexpr int kFirstDemoSerial = 1001;  // 13071001 as the programs show it
constexpr std::chrono::seconds kDemoSwap{3};

struct StationCommandLine {
    bool demo = false;
    QStringList ports;
    bool help = false;
    bool version = false;
    QString error;
};

StationCommandLine ParseStationCommandLine(const QStringList& arguments)
{
    StationCommandLine line;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& word = arguments[i];
        if (word == QLatin1String("--demo"))
            line.demo = true;
        else if (word == QLatin1String("--help"))
            line.help = true;
        else if (word == QLatin1String("--version"))
            line.version = true;
        else if (word.startsWith(QLatin1String("--port=")))
            line.ports << word.mid(7);
        else if (word == QLatin1String("--port") && i + 1 < arguments.size())
            line.ports << arguments[++i];
        else
            line.error = QStringLiteral("unknown or incomplete option: ") + word;
    }
    return line;
}

// Emulated adapters for a demonstration, the units dealt out in turn.
std::vector<std::unique_ptr<torv::AdapterEmulator>> DemoAdapters()
{
    std::vector<std::unique_ptr<torv::AdapterEmulator>> adapters;
    for (int station = 0; station < kDemoStations; ++station) {
        std::vector<torv::TransmitterContents> units;
        for (int unit = 0; unit < kDemoUnitsEach; ++unit)
            units.push_back(torv::MakeContents({.serial = kFirstDemoSerial + unit * kDemoStations + station}));
        auto& adapter = adapters.emplace_back(
            std::make_unique<torv::AdapterEmulator>(units.front(), torv::AdapterEmulator::kLineBytePeriod));
        adapter->QueueUnits({units.begin() + 1, units.end()});
        adapter->SetSwapTime(kDemoSwap);
        adapter->Start();
    }
    return adapters;
}

int Run(int argc, char** argv, const StationCommandLine& line)
{
    torv::GuardedApplication application(argc, argv, "torv-station");
    torv::InstallQtRussianTexts(application);
    torv::station::StationWindowOptions options;
    options.journalPath = torv::Journal::DefaultPath();
    if (options.journalPath.empty())
        std::fprintf(stderr, "torv-station: the journal is off, and the counters with it: %s\n", torv::kNoJournalPath);
    options.givenPorts = line.ports;
    std::vector<std::unique_ptr<torv::AdapterEmulator>> demo;
    if (line.demo) {
        demo = DemoAdapters();
        for (std::size_t i = 0; i < demo.size(); ++i)
            options.demoPorts.push_back(
                {QString::fromStdString(demo[i]->SlavePath()), QStringLiteral("Демо %1").arg(i + 1), QString(), true});
    }
    torv::station::StationWindow window(std::move(options));
    window.show();
    return application.exec();
}

}  // namespace

int main(int argc, char** argv)
{
    const StationCommandLine line = ParseStationCommandLine(torv::ProgramArguments(argc, argv));
    if (line.help) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (line.version) {
        std::puts("torv-station " TORV_VERSION);
        return 0;
    }
    if (!line.error.isEmpty()) {
        std::fprintf(stderr, "torv-station: %s\n%s", line.error.toLocal8Bit().constData(), kUsage);
        return 2;
    }
    return torv::RunGuarded("torv-station", [&] { return Run(argc, argv, line); });
}
