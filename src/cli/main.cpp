// torvctl: the transmitter frequency programmer's command-line tool.
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <iostream>
#include <string>
#include <vector>

#include <QCoreApplication>

#include "cli/dispatch.h"

int main(int argc, char** argv)
{
    // A file size limit (ulimit -f) makes the journal's write fail and be reported, rather
    // than end the program after a verified write with its result untold.
    std::signal(SIGXFSZ, SIG_IGN);
    QCoreApplication application(argc, argv);
    const std::vector<std::string> words(argv + std::min(argc, 1), argv + argc);
    const torv::cli::Console console{std::cout, std::cerr, isatty(STDIN_FILENO) ? &std::cin : nullptr};
    return torv::cli::RunTorvctl(words, console);
}
