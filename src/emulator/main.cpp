// torv-adapter-emulator: the programming adapter with a transmitter, on a pseudo-terminal
// (or several adapters, each on its own, for a rehearsal of a production line).

#include <pthread.h>
#include <signal.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <exception>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "emulator/adapter_emulator.h"
#include "emulator/emulator_options.h"
#include "torv_version.h"

namespace {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

// Local time of day as HH:MM:SS.mmm.
std::string TimeStamp()
{
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto millis = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm local{};
    localtime_r(&seconds, &local);
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03d", local.tm_hour, local.tm_min, local.tm_sec,
                  static_cast<int>(millis));
    return text;
}

}  // namespace

int main(int argc, char* argv[])
{
    torv::EmulatorOptions options;
    try {
        options = torv::ParseEmulatorOptions(argc, argv);
    } catch (const torv::OptionError& error) {
        std::cerr << "torv-adapter-emulator: " << error.what() << " (try --help)\n";
        return kExitUsage;
    }
    if (options.help) {
        std::cout << torv::EmulatorUsage();
        return 0;
    }
    if (options.version) {
        std::cout << "torv-adapter-emulator " TORV_VERSION "\n";
        return 0;
    }

    // The signals are taken by sigwait below; blocked before the emulator's thread
    // starts, so that thread inherits the mask and is never interrupted by them. A
    // shell starts background jobs with SIGINT ignored, which would discard it: the
    // default action is restored first.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    for (const int stopSignal : {SIGINT, SIGTERM}) {
        sigaddset(&stopSignals, stopSignal);
        std::signal(stopSignal, SIG_DFL);
    }
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    const std::vector<std::unique_ptr<torv::AdapterEmulator>> adapters = torv::MakeAdapters(options);
    try {
        for (std::size_t i = 0; i < adapters.size(); ++i) {
            if (options.verbose) {
                const std::string prefix = adapters.size() > 1 ? "[" + std::to_string(i + 1) + "] " : "";
                // One write a line, so that the adapters' threads do not mix their lines.
                adapters[i]->SetTrace([prefix](const std::string& line) {
                    std::cerr << TimeStamp().append(" ").append(prefix).append(line).append("\n") << std::flush;
                });
            }
            adapters[i]->Start();
        }
    } catch (const std::exception& error) {
        std::cerr << "torv-adapter-emulator: " << error.what() << '\n';
        return kExitFailure;
    }
    for (const auto& adapter : adapters)
        std::cout << adapter->SlavePath() << '\n';
    std::cout.flush();

    int signal = 0;
    sigwait(&stopSignals, &signal);
    return 0;
}
