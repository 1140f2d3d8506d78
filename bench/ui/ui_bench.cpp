// The window's figures under a real display (run it under xvfb-run): the time from the
// program's start to the first painted frame of the main window, the peak memory after
// a read against the in-process emulated adapter, and the time to paint the whole window.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include <QApplication>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "emulator/adapter_emulator.h"
#include "exchange/timing.h"
#include "event_loop.h"
#include "window_probe.h"
#include "skin/sk_button.h"
#include "ui/main_form.h"
#include "ui/ui_style.h"

namespace {

using torv::testing::FirstPaint;
using torv::testing::RunUntil;
using torv::testing::StatusKb;

using Clock = std::chrono::steady_clock;

constexpr int kPaintRuns = 50;
constexpr int kTimingDivisor = 20;

double MsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv)
{
    const Clock::time_point start = Clock::now();
    QApplication application(argc, argv);
    torv::ApplyProgrammerStyle(application);

    torv::AdapterEmulator emulator(torv::MakeContents());
    emulator.Start();
    QTemporaryDir emptySysfs;
    int messages = 0;
    torv::MainFormOptions options;
    options.extraPorts = {QString::fromStdString(emulator.SlavePath()).remove(QRegularExpression("^/dev/"))};
    options.sysfsRoot = emptySysfs.path().toStdString();
    options.messageBox = [&](QWidget*, const torv::Message&) {
        ++messages;
        return torv::Answer::Cancel;
    };

    torv::TMainForm window(options);
    FirstPaint firstPaint;
    window.installEventFilter(&firstPaint);
    window.show();
    if (!RunUntil([&] { return firstPaint.done; }, 10000)) {
        std::fprintf(stderr, "the window was never painted\n");
        return 1;
    }
    const double startupMs = MsSince(start);
    std::printf("GUI start-up to the first painted frame: %.1f ms (target: under 300 ms)\n", startupMs);

    torv::timing::SetDivisorForTesting(kTimingDivisor);
    const auto* writeButton = window.findChild<torv::TSkButton*>(QStringLiteral("WriteButton"));
    window.ReadButtonClick(nullptr);
    if (!RunUntil([&] { return writeButton->isEnabled(); }, 10000) || messages != 0) {
        std::fprintf(stderr, "the read did not succeed\n");
        return 1;
    }
    std::printf("GUI peak memory after a read: %.1f MB (VmHWM; target: under 80 MB)\n",
                static_cast<double>(StatusKb("VmHWM:")) / 1024.0);

    std::vector<double> paintMs;
    for (int run = 0; run < kPaintRuns; ++run) {
        const Clock::time_point paintStart = Clock::now();
        const QPixmap frame = window.grab();
        paintMs.push_back(MsSince(paintStart));
        if (frame.isNull())
            return 1;
    }
    std::sort(paintMs.begin(), paintMs.end());
    std::printf("Paint of the whole window (grab, %d runs): median %.2f ms, worst %.2f ms\n", kPaintRuns,
                paintMs[paintMs.size() / 2], paintMs.back());
    window.Exchange().Shutdown();
    return 0;
}
