// The batch loop's cost per unit above the exchange itself: units read and written by
// torvctl's own session steps one after another, then the same number of units through
// torvctl batch (plan look-up, journal row, result line), both against the emulated
// adapter paced at 2400 bit/s with the real pauses.
#include <chrono>
#include <cstdio>
#include <iostream>
#include <sstream>

#include <QCoreApplication>
#include <QTemporaryDir>

#include "cli/arguments.h"
#include "cli/batch_command.h"
#include "cli/command_journal.h"
#include "cli/exchange_session.h"
#include "cli/write_steps.h"
#include "emulator/adapter_emulator.h"

namespace {

using namespace torv;
using namespace torv::cli;
using Clock = std::chrono::steady_clock;

constexpr int kUnits = 3;
constexpr double kByteMs = 4.583;  // 11 bits at 2400 bit/s
// Pauses and line time of one read (1900 ms, 54 bytes) and one write (100 ms, 68 bytes).
constexpr double kFloorMs = 1900 + 54 * kByteMs + 100 + 68 * kByteMs;

double MsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Read and verified write of kUnits units through the session alone; ms per unit.
double ExchangeOnly(const std::string& port, const Console& console)
{
    const Arguments arguments({"--port", port}, LineOptionsAnd());
    Session session(arguments, console);
    CommandJournal journal(arguments, "write", console);
    const Clock::time_point start = Clock::now();
    TypedFrequencies typed;
    for (int unit = 0; unit < kUnits; ++unit) {
        typed.f1 = unit % 2 ? "150.0" : "151.0";
        const WantedFrequencies wanted = CheckedWanted(typed);
        if (session.Read() || CheckedWrite(session, journal, false, RequestFor(wanted, session.Exchange())))
            std::fprintf(stderr, "unit %d was not programmed\n", unit);
    }
    return MsSince(start) / kUnits;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir journalDir;
    qputenv("TORV_JOURNAL", journalDir.filePath("journal.sqlite").toUtf8());
    AdapterEmulator emulator(MakeContents(), AdapterEmulator::kLineBytePeriod);
    emulator.Start();
    std::ostringstream out, err;
    const Console console{out, err, nullptr};

    const double exchangeMs = ExchangeOnly(emulator.SlavePath(), console);
    for (int serial = 1; serial < kUnits; ++serial)
        emulator.QueueUnits({MakeContents({.serial = serial})});
    const Clock::time_point start = Clock::now();
    const int exitCode =
        RunBatch({"--port", emulator.SlavePath(), "--f1", "152.0", "--units", std::to_string(kUnits)}, console);
    const double batchMs = MsSince(start) / kUnits;
    if (exitCode != kExitOk)
        std::cerr << "the batch ended with " << exitCode << ":\n" << out.str() << err.str();
    std::printf(
        "per unit: batch %.1f ms, exchange alone %.1f ms, line-time floor %.1f ms\n"
        "batch overhead per unit %+.1f ms\n",
        batchMs, exchangeMs, kFloorMs, batchMs - exchangeMs);
    return exitCode;
}
