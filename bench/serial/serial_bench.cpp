// Measures, on a pseudo-terminal: the latency from a byte written on the far side to
// OnRxChar on the main thread, and the CPU time the process uses while a port is open
// and idle, before and after the far side hangs up.
#include "pty_pair.h"
#include "serial/sio_comm.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kLatencySamples = 1000;
constexpr int kIdleMs = 2000;

double ProcessCpuMs()
{
    timespec now{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

double IdleCpuMs(QEventLoop& loop)
{
    const double before = ProcessCpuMs();
    QTimer::singleShot(kIdleMs, &loop, &QEventLoop::quit);
    loop.exec();
    return ProcessCpuMs() - before;
}

double Percentile(std::vector<double> values, double fraction)
{
    std::sort(values.begin(), values.end());
    const auto index = static_cast<size_t>(fraction * static_cast<double>(values.size() - 1) + 0.5);
    return values[index];
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    torv::test::PtyPair pty;
    torv::TSioComm port;
    torv::ApplyProgrammerPortSettings(port);
    port.SetDeviceName(pty.SlavePath());

    QEventLoop loop;
    Clock::time_point sent;
    std::vector<double> latenciesUs;
    port.OnRxChar.Connect(&loop, [&](torv::TSioComm* sender, int) {
        latenciesUs.push_back(std::chrono::duration<double, std::micro>(Clock::now() - sent).count());
        sender->ReadAllText();
        loop.quit();
    });
    port.OpenPort();

    for (int i = 0; i < kLatencySamples; ++i) {
        sent = Clock::now();
        pty.Send("U");
        loop.exec();
    }
    std::printf("OnRxChar latency over %d bytes: median %.1f us, 99th percentile %.1f us\n", kLatencySamples,
                Percentile(latenciesUs, 0.5), Percentile(latenciesUs, 0.99));

    const double idleCpuMs = IdleCpuMs(loop);
    std::printf("CPU time while open and idle for %d ms: %.2f ms (target: under 10 ms)\n", kIdleMs, idleCpuMs);

    pty.CloseMaster();
    const double hungUpCpuMs = IdleCpuMs(loop);
    std::printf("CPU time for %d ms after the far side hung up: %.2f ms\n", kIdleMs, hungUpCpuMs);

    port.ClosePort();
    return idleCpuMs < 10.0 && hungUpCpuMs < 10.0 ? 0 : 1;
}
