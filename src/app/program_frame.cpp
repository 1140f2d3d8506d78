#include "app/program_frame.h"

#include <csignal>
#include <cstdio>
#include <exception>

namespace torv {

QStringList ProgramArguments(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    return arguments;
}

int RunGuarded(const char* program, const std::function<int()>& run)
{
    std::signal(SIGXFSZ, SIG_IGN);
    try {
        return run();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s: %s\n", program, error.what());
    } catch (...) {
        std::fprintf(stderr, "%s: unknown error\n", program);
    }
    return 1;
}

GuardedApplication::GuardedApplication(int& argc, char** argv, const char* program)
    : QApplication(argc, argv), program_(program)
{
}

bool GuardedApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        Report(error.what());
    } catch (...) {
        Report("unknown error");
    }
    return false;
}

void GuardedApplication::Report(const char* what)
{
    std::fprintf(stderr, "%s: internal error: %s\n", program_, what);
}

}  // namespace torv
