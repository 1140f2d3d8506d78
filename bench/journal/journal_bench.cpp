// The journal's cost: appending one row after an operation (target under 5 ms) and
// finding one unit's rows in a journal of 100,000 rows (target under 50 ms).
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QTemporaryDir>

#include <string>
#include <vector>

#include "journal/journal.h"

namespace {

torv::JournalEntry Row(int unit)
{
    torv::JournalEntry e;
    e.program = "torvctl";
    e.operation = "write";
    e.port = "/dev/ttyUSB0";
    e.outcome = "success";
    e.success = true;
    e.exitCode = 0;
    e.deviceType = 13;
    e.serial = std::to_string(13000000 + unit % 5000);
    e.infoHex = "0712340D01230C03";
    e.blockReadHex = std::string(64, 'A');
    e.blockWrittenHex = std::string(64, 'B');
    e.readBackHex = e.blockWrittenHex;
    e.f1BeforeMHz = 146.0;
    e.f1AfterMHz = 150.0125;
    return e;
}

void BM_AppendOneRow(benchmark::State& state)
{
    QTemporaryDir dir;
    torv::Journal journal(dir.filePath("journal.sqlite").toStdString());
    int unit = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(journal.Append(Row(unit++)));
}
BENCHMARK(BM_AppendOneRow)->Unit(benchmark::kMillisecond);

void BM_FindBySerialIn100kRows(benchmark::State& state)
{
    QTemporaryDir dir;
    const std::string path = dir.filePath("journal.sqlite").toStdString();
    torv::Journal journal(path);
    std::vector<torv::JournalEntry> rows;
    for (int unit = 0; unit < 100'000; ++unit)
        rows.push_back(Row(unit));
    if (!journal.AppendAll(std::move(rows)))
        state.SkipWithError(journal.Error().c_str());
    for (auto _ : state)
        benchmark::DoNotOptimize(journal.Find({.serial = "13001234"}));
}
BENCHMARK(BM_FindBySerialIn100kRows)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
