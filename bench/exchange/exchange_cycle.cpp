// A full read and a full write against the emulated adapter paced at 2400 bit/s, with
// the real pauses: wall time, the floor (pauses plus the line time of every byte sent
// and received), the overhead above it, and the CPU time this process used. The
// emulator runs as a separate process so that its own work is not counted.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <csignal>
#include <string>

#include <QCoreApplication>

#include "device/blocks.h"
#include "exchange/programming_exchange.h"
#include "exchange/sio_exchange_port.h"
#include "serial/sio_comm.h"

namespace {

using namespace torv;
using Clock = std::chrono::steady_clock;

constexpr double kByteMs = 4.583;  // 11 bits at 2400 bit/s

class QuietHost : public ExchangeHost {
public:
    void ShowParameters() override {}
    void ShowDeviceInfo() override {}
    void SetControlState(ControlState s) override { state = s; }
    void DisableWrite() override {}
    void ShowStatusText(const std::string&) override {}
    Answer ShowMessage(const Message& m) override
    {
        std::fprintf(stderr, "unexpected message: %s\n", m.text.c_str());
        return Answer::Cancel;
    }
    ControlState state = ControlState::Busy;
};

double CpuMs()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000.0 +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000.0;
}

// Starts the emulator program; returns its pid and the slave path it prints.
pid_t StartEmulator(std::string& slavePath)
{
    int out[2];
    if (pipe(out) != 0)
        return -1;
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(out[1], STDOUT_FILENO);
        close(out[0]);
        execl(TORV_EMULATOR_PROGRAM, TORV_EMULATOR_PROGRAM, static_cast<char*>(nullptr));
        _exit(127);
    }
    close(out[1]);
    char c;
    while (read(out[0], &c, 1) == 1 && c != '\n')
        slavePath += c;
    return pid;
}

void Report(const char* name, double wallMs, double floorMs, double cpuMs)
{
    std::printf("%-6s wall %8.1f ms   floor %8.1f ms   overhead %+7.1f ms   cpu %6.1f ms (%.2f %% of wall)\n", name,
                wallMs, floorMs, wallMs - floorMs, cpuMs, 100.0 * cpuMs / wallMs);
}

template <typename Start>
void Measure(const char* name, double floorMs, QuietHost& host, Start start)
{
    host.state = ControlState::Busy;
    const double cpu0 = CpuMs();
    const Clock::time_point t0 = Clock::now();
    start();
    while (host.state == ControlState::Busy)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const double wall = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
    if (host.state != ControlState::IdleAfterSuccess)
        std::printf("%s did not succeed\n", name);
    Report(name, wall, floorMs, CpuMs() - cpu0);
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    std::string slave;
    const pid_t emulator = StartEmulator(slave);
    if (emulator <= 0 || slave.empty()) {
        std::fprintf(stderr, "cannot start %s\n", TORV_EMULATOR_PROGRAM);
        return 1;
    }

    QuietHost host;
    TSioComm comm;
    ApplyProgrammerPortSettings(comm);
    SioExchangePort line(comm);
    ProgrammingExchange exchange(host, line);
    ConnectPortEvents(comm, exchange);
    exchange.SetPortDevicePath(slave);

    // Read: pauses 100 (port just opened) + 200 + 1500 + 100 ms; 6 bytes sent, 7 + 1 + 8 + 32 received.
    Measure("read", 1900 + (6 + 48) * kByteMs, host, [&] { exchange.StartRead(); });
    // Write: 34 bytes sent, pause 100 ms, 2 bytes sent, 32 received.
    const ParameterBlock block = BuildParameterBlock(SynthMode::Legacy, false, true, {48, 108, 400}, {16, 91, 400});
    Measure("write", 100 + (36 + 32) * kByteMs, host, [&] { exchange.StartWrite(block); });
    std::printf(
        "(a pseudo-terminal has no transmit queue: the write's 100 ms pause overlaps the line time\n"
        " of the 34 bytes written, so the write can finish below its floor)\n");

    exchange.Shutdown();
    kill(emulator, SIGTERM);
    waitpid(emulator, nullptr, 0);
    return 0;
}
