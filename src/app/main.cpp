// torv-programmer: the transmitter frequency programmer's window.
//
// Start-up: --help and --version answered before the application object exists (they
// need no display), then the single-instance guard (a second copy brings the first one
// forward and ends), then the window with its port list; the first argument decides
// whether success texts appear in the status bar.
#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QPointer>
#include <QScreen>

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "app/command_line.h"
#include "app/program_frame.h"
#include "emulator/adapter_emulator.h"
#include "torv_version.h"
#include "journal/journal.h"
#include "journal/journal_file.h"
#include "production/stop_signals.h"
#include "ui/main_form.h"
#include "ui/message_box.h"
#include "ui/shell/one_instance.h"
#include "ui/ui_style.h"

namespace {

constexpr const char* kUsage =
    "usage: torv-programmer [-s | /s | -enablegridedit] [--port PATH]... [--demo] [--local-keys]\n"
    "                       [--no-journal]\n"
    "\n"
    "  -s, /s            no success texts in the status bar (first argument only)\n"
    "  -enablegridedit   the grid step can be chosen in grid mode (first argument only)\n"
    "  --port PATH       offer a device the system list does not show (a socat or\n"
    "                    ser2net pseudo-terminal, an rfcomm port), at the top of the list\n"
    "  --demo            offer a built-in emulated adapter with a transmitter first\n"
    "  --local-keys      Ctrl+R and Ctrl+W act only while the window is active\n"
    "                    (without it they are taken from the whole desktop; under\n"
    "                    Wayland they act only while the window has the focus)\n"
    "  --no-journal      do not record reads and writes in the journal\n"
    "                    ($TORV_JOURNAL, else ~/.local/share/torv-programmer/journal.sqlite)\n"
    "  --help, --version\n";

// The icon taskbars and window lists show (_NET_WM_ICON on X11): the installed icon
// theme's, else the one compiled in. It is the application's, not the window's, whose
// skinned caption draws no icon.
QIcon ProgrammerIcon()
{
    QIcon compiledIn;
    for (const QString& file : QDir(QStringLiteral(":/window-icon")).entryList())
        compiledIn.addFile(QStringLiteral(":/window-icon/") + file);
    return QIcon::fromTheme(QStringLiteral("torv-programmer"), compiledIn);
}

// A second copy hands nothing over to the first: say which options were not applied.
void TellOptionsNotApplied(const torv::CommandLine& commandLine, bool broughtForward)
{
    const QStringList unapplied = torv::OptionsForThisCopyOnly(commandLine);
    if (unapplied.isEmpty())
        return;
    std::fprintf(stderr, "torv-programmer: a copy is already running%s; these options were not applied: %s\n",
                 broughtForward ? " and was brought forward" : " (it did not answer)",
                 unapplied.join(QLatin1Char(' ')).toLocal8Bit().constData());
}

// An exception that escapes an event handler is reported, in a box too while the window
// is up, and the program goes on.
class ProgrammerApplication : public torv::GuardedApplication {
public:
    ProgrammerApplication(int& argc, char** argv) : GuardedApplication(argc, argv, "torv-programmer") {}

    QPointer<QWidget> window;

protected:
    void Report(const char* what) override
    {
        GuardedApplication::Report(what);
        if (window && window->isVisible())
            torv::ShowMessageBox(
                window, {std::string("Внутренняя ошибка программы: ") + what, "Ошибка", torv::MessageFlags::kOkError});
    }
};

int Run(int argc, char** argv, const torv::CommandLine& commandLine)
{
    ProgrammerApplication application(argc, argv);
    // The copy is known by its executable's file name, as it was started.
    torv::TOneInstance oneInstance(QString::fromLocal8Bit(argv[0]));
    bool broughtForward = false;
    oneInstance.Mode = torv::TOneInstanceMode::oiCustom;
    QObject::connect(&oneInstance, &torv::TOneInstance::OnCustom, &oneInstance,
                     [&broughtForward](torv::TOneInstance* guard) { broughtForward = guard->ActivateOtherCopy(); });
    if (oneInstance.Test()) {
        TellOptionsNotApplied(commandLine, broughtForward);
        return 0;
    }

    torv::PrepareProgrammerApplication(application);
    QApplication::setWindowIcon(ProgrammerIcon());

    torv::MainFormOptions options;
    options.gridEditEnabled = commandLine.gridEditEnabled;
    options.extraPorts = commandLine.extraPorts;
    // Keys can be taken from the whole desktop only through an X11 grab; elsewhere
    // (Wayland) Ctrl+R and Ctrl+W act while the window has the focus.
    options.localHotKeys = commandLine.localKeys || QGuiApplication::platformName() != QLatin1String("xcb");
    if (commandLine.journal) {
        options.journalPath = torv::Journal::DefaultPath();
        if (options.journalPath.empty())
            std::fprintf(stderr, "torv-programmer: the journal is off: %s\n", torv::kNoJournalPath);
    }
    std::unique_ptr<torv::AdapterEmulator> demo;
    if (commandLine.demo) {
        demo = std::make_unique<torv::AdapterEmulator>(torv::MakeContents(), torv::AdapterEmulator::kLineBytePeriod);
        demo->Start();
        options.demoPort = QString::fromStdString(demo->SlavePath());
        options.extraPorts.prepend(options.demoPort);
    }

    torv::TMainForm window(options);
    if (!window.Created())
        return 0;
    application.window = &window;
    window.SetShowStatusMessages(commandLine.showStatusMessages);
    oneInstance.ServeActivation(&window);
    // Ctrl+C at the terminal, or the session ending, closes the window as «Выход» does (after
    // a write in progress has ended); a second signal ends the program at once.
    torv::StopSignals stopSignals;
    QObject::connect(&stopSignals, &torv::StopSignals::Received, &window, [&window](int count) {
        if (count == 1) {
            window.close();
            return;
        }
        std::fputs("torv-programmer: ended by a second signal\n", stderr);
        std::_Exit(EXIT_FAILURE);
    });
    if (const QScreen* screen = application.primaryScreen())
        window.move(screen->availableGeometry().center() - window.rect().center());
    window.show();
    return application.exec();
}

}  // namespace

int main(int argc, char** argv)
{
    const torv::CommandLine commandLine = torv::ParseCommandLine(torv::ProgramArguments(argc, argv));
    if (commandLine.help) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (commandLine.version) {
        std::puts("torv-programmer " TORV_VERSION);
        return 0;
    }
    return torv::RunGuarded("torv-programmer", [&] { return Run(argc, argv, commandLine); });
}
