// Gang programming measured: torvctl batch on N = 1, 2, 4, 8 and 16 stations, each an
// emulated adapter paced at 2400 bit/s with a queue of units and a fixed swap time of
// 1 s. For each N: units programmed per hour, their ratio to N times the one-station
// rate, and torvctl's CPU time (as a share of one core) and peak memory.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include "emulator/adapter_emulator.h"

extern char** environ;

namespace {

using namespace torv;
using namespace std::chrono_literals;

constexpr int kUnitsPerStation = 4;
constexpr int kStations[] = {1, 2, 4, 8, 16};

struct Run {
    double unitsPerHour = 0;
    int programmed = 0;
    double cpuSeconds = 0;
    double wallSeconds = 0;
    double peakMegabytes = 0;
    int exitCode = -1;
};

double Seconds(const timeval& time)
{
    return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
}

// torvctl with these words, its standard output to outPath; nothing on failure to start.
Run Spawn(const std::string& torvctl, const std::vector<std::string>& words, const std::string& outPath)
{
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(torvctl.c_str()));
    for (const std::string& word : words)
        argv.push_back(const_cast<char*>(word.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&files, STDOUT_FILENO, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&files, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    Run run;
    pid_t pid = 0;
    const auto start = std::chrono::steady_clock::now();
    const int error = posix_spawn(&pid, torvctl.c_str(), &files, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&files);
    if (error != 0) {
        std::fprintf(stderr, "cannot start %s\n", torvctl.c_str());
        return run;
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    run.wallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.cpuSeconds = Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
    run.peakMegabytes = static_cast<double>(usage.ru_maxrss) / 1024.0;
    return run;
}

Run Batch(const std::string& torvctl, int stations, const QTemporaryDir& dir)
{
    std::vector<std::unique_ptr<AdapterEmulator>> lines;
    const std::string plan = dir.filePath(QStringLiteral("plan-%1.csv").arg(stations)).toStdString();
    std::ofstream planFile(plan);
    planFile << "serial,f1,f2,step\n";
    std::vector<std::string> words = {"batch", "--plan", plan, "--json", "--wait-for-unit"};
    for (int station = 0; station < stations; ++station) {
        std::vector<TransmitterContents> units;
        for (int unit = 0; unit < kUnitsPerStation; ++unit) {
            const int serial = 1000 + station * kUnitsPerStation + unit;
            units.push_back(MakeContents({.serial = serial}));
            planFile << "1307" << serial << ",150.0,,\n";
        }
        auto& line = lines.emplace_back(std::make_unique<AdapterEmulator>(units[0], AdapterEmulator::kLineBytePeriod));
        line->QueueUnits({units.begin() + 1, units.end()});
        line->SetSwapTime(1000ms);
        line->Start();
        words.push_back("--port");
        words.push_back(line->SlavePath());
    }
    planFile.close();
    qputenv("TORV_JOURNAL", dir.filePath(QStringLiteral("journal-%1.sqlite").arg(stations)).toUtf8());
    const std::string out = dir.filePath(QStringLiteral("out-%1.json").arg(stations)).toStdString();
    Run run = Spawn(torvctl, words, out);
    std::ifstream result(out);
    std::stringstream text;
    text << result.rdbuf();
    const QJsonObject summary = QJsonDocument::fromJson(QByteArray::fromStdString(text.str())).object();
    run.unitsPerHour = summary.value("unitsPerHour").toDouble();
    run.programmed = summary.value("programmed").toInt();
    return run;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const std::string torvctl = argc > 1 ? argv[1] : TORVCTL_PATH;
    QTemporaryDir dir;
    std::printf("%d units per station, 2400 bit/s, swap 1 s\n", kUnitsPerStation);
    double oneStation = 0;
    int failures = 0;
    for (const int stations : kStations) {
        const Run run = Batch(torvctl, stations, dir);
        if (stations == 1)
            oneStation = run.unitsPerHour;
        const double ratio = oneStation > 0 ? run.unitsPerHour / (stations * oneStation) : 0;
        std::printf(
            "stations %d: %.0f units per hour, ratio %.3f, CPU %.2f s in %.1f s (%.2f %% of one core), "
            "peak memory %.1f MB, programmed %d of %d, exit %d\n",
            stations, run.unitsPerHour, ratio, run.cpuSeconds, run.wallSeconds,
            run.wallSeconds > 0 ? 100 * run.cpuSeconds / run.wallSeconds : 0, run.peakMegabytes, run.programmed,
            stations * kUnitsPerStation, run.exitCode);
        std::fflush(stdout);
        failures += run.exitCode != 0 || run.programmed != stations * kUnitsPerStation;
    }
    return failures == 0 ? 0 : 1;
}
