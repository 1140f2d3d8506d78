// A verified write through a network serial server against the same write over the local
// pseudo-terminal: torvctl write (in this process, with the real pauses) to the emulated
// adapter paced at 2400 bit/s, once through rfc2217://127.0.0.1:PORT of a real ser2net
// in front of the adapter's pseudo-terminal (its port preset to 9600 8N1), once directly;
// the two alternate, unit after unit. Prints each kind's times, how many writes were
// verified, and how many units' network write took within 10 % of their local one.
// Usage: bench_network_write [UNITS] (default 100)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cmath>
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include <QCoreApplication>
#include <QTemporaryDir>

#include "cli/arguments.h"
#include "cli/dispatch.h"
#include "cli/terminal_host.h"
#include "emulator/adapter_emulator.h"
#include "ser2net_server.h"

namespace {

using namespace torv;
using Clock = std::chrono::steady_clock;

struct Times {
    std::vector<double> ms;
    int verified = 0;

    double Median() const
    {
        std::vector<double> sorted = ms;
        std::sort(sorted.begin(), sorted.end());
        return sorted.empty() ? 0 : sorted[sorted.size() / 2];
    }
    void Print(const char* name) const
    {
        const auto [least, most] = std::minmax_element(ms.begin(), ms.end());
        std::printf("%-8s %d of %zu verified; per write median %.1f ms, min %.1f ms, max %.1f ms\n", name, verified,
                    ms.size(), Median(), *least, *most);
    }
};

// One torvctl write; its time goes to times when it was verified.
void Write(const std::string& port, int unit, Times& times)
{
    std::ostringstream out, err;
    const cli::Console console{out, err, nullptr};
    const Clock::time_point start = Clock::now();
    const int code = cli::RunTorvctl({"write", "--port", port, "--f1", unit % 2 ? "150.0" : "151.0"}, console);
    times.ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    if (code == cli::kExitOk)
        ++times.verified;
    else
        std::cerr << port << ": exit " << code << "\n" << err.str();
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int units = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100;
    QTemporaryDir journalDir;
    qputenv("TORV_JOURNAL", journalDir.filePath("journal.sqlite").toUtf8());
    AdapterEmulator emulator(MakeContents(), AdapterEmulator::kLineBytePeriod);
    emulator.Start();
    const test::Ser2NetServer server(emulator.SlavePath());

    Times local, network;
    for (int unit = 0; unit < units; ++unit) {
        Write(emulator.SlavePath(), unit, local);
        Write(server.PortName(), unit, network);
    }
    local.Print("local");
    network.Print("network");
    // Each unit's network write against its own local write, just before it.
    int within = 0;
    double worst = 0;
    for (std::size_t unit = 0; unit < network.ms.size(); ++unit) {
        const double deviation = (network.ms[unit] - local.ms[unit]) / local.ms[unit] * 100;
        within += std::abs(deviation) <= 10 ? 1 : 0;
        worst = std::abs(deviation) > std::abs(worst) ? deviation : worst;
    }
    std::printf(
        "units whose network write is within 10 %% of its local write: %d of %zu "
        "(largest difference %+.1f %%; medians %+.1f %%)\n",
        within, network.ms.size(), worst, (network.Median() - local.Median()) / local.Median() * 100);
    return local.verified == units && network.verified == units && within == units ? 0 : 1;
}
