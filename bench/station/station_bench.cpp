// The station window's figures under a real display (run it under xvfb-run): the time from
// the program's start to the first painted frame of its window, and its peak memory while
// 16 stations program their units on in-process emulated adapters.
#include <chrono>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

#include "emulator/adapter_emulator.h"
#include "event_loop.h"
#include "window_probe.h"
#include "exchange/timing.h"
#include "station/station_window.h"

namespace {

using torv::testing::FirstPaint;
using torv::testing::RunUntil;
using torv::testing::StatusKb;
using Clock = std::chrono::steady_clock;

constexpr int kStations = 16;
constexpr int kUnitsEach = 3;
constexpr int kTimingDivisor = 20;

}  // namespace

int main(int argc, char** argv)
{
    const Clock::time_point start = Clock::now();
    // The settings and the journal of this run only.
    const QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.path().toLocal8Bit());
    QApplication application(argc, argv);

    std::vector<std::unique_ptr<torv::AdapterEmulator>> adapters;
    torv::station::StationSetup setup;
    QByteArray plan = "serial,f1\n";
    for (int station = 0; station < kStations; ++station) {
        std::vector<torv::TransmitterContents> units;
        for (int unit = 0; unit < kUnitsEach; ++unit) {
            const int serial = 1000 + station * kUnitsEach + unit;
            units.push_back(torv::MakeContents({.serial = serial}));
            plan += QByteArray("1307") + QByteArray::number(serial) + ",150.0\n";
        }
        auto& adapter = adapters.emplace_back(std::make_unique<torv::AdapterEmulator>(units.front()));
        adapter->QueueUnits({units.begin() + 1, units.end()});
        adapter->SetSwapTime(std::chrono::milliseconds(100));
        adapter->Start();
        setup.ports << QString::fromStdString(adapter->SlavePath());
    }
    QFile planFile(home.filePath("plan.csv"));
    if (!planFile.open(QIODevice::WriteOnly) || planFile.write(plan) != plan.size())
        return 1;
    planFile.close();
    setup.planPath = planFile.fileName();
    setup.orderCode = QStringLiteral("BENCH");
    setup.operatorName = QStringLiteral("bench");
    setup.scanRequired = false;
    torv::station::SaveSetup(setup, {});

    torv::station::StationWindow window({home.filePath("journal.sqlite").toStdString(), {}, setup.ports});
    FirstPaint firstPaint;
    window.installEventFilter(&firstPaint);
    window.show();
    if (!RunUntil([&] { return firstPaint.done; }, 10000)) {
        std::fprintf(stderr, "the window was never painted\n");
        return 1;
    }
    const double startupMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    std::printf("Station window start-up to the first painted frame (%d stations): %.1f ms (target: under 300 ms)\n",
                kStations, startupMs);

    torv::timing::SetDivisorForTesting(kTimingDivisor);
    std::optional<torv::BatchEnd> end;
    QObject::connect(&window.Model(), &torv::station::RunModel::Finished, [&](torv::BatchEnd why) { end = why; });
    if (!window.StartRun() || !RunUntil([&] { return end.has_value(); }, 120000)) {
        std::fprintf(stderr, "the run did not end\n");
        return 1;
    }
    const int programmed = window.Model().CountersNow().programmed;
    std::printf(
        "Station window peak memory with %d stations: %.1f MB (VmHWM; %d units programmed; target: under "
        "100 MB)\n",
        kStations, static_cast<double>(StatusKb("VmHWM:")) / 1024.0, programmed);
    return programmed == kStations * kUnitsEach ? 0 : 1;
}
