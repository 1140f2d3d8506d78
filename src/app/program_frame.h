#pragma once
// What both window programs do around their windows: the words of the command line, and
// the last lines of defence, so that no exception ends a program unreported.

#include <QApplication>
#include <QStringList>

#include <functional>

namespace torv {

// The command line without the program name.
QStringList ProgramArguments(int argc, char** argv);

// Runs run with SIGXFSZ ignored (a journal write over a file size limit then fails with
// a warning instead of ending the program). An exception that escapes run is told as
// "program: what" on standard error, and the program ends with 1.
int RunGuarded(const char* program, const std::function<int()>& run);

// An application whose event handlers' escaping exceptions are reported, and the
// program goes on.
class GuardedApplication : public QApplication {
public:
    GuardedApplication(int& argc, char** argv, const char* program);

    bool notify(QObject* receiver, QEvent* event) override;

protected:
    // Tells "program: internal error: what" on standard error.
    virtual void Report(const char* what);

private:
    const char* program_;
};

}  // namespace torv
