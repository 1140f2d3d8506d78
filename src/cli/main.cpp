// torvctl: the transmitter frequency programmer's command-line tool.
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <iostream>
#include <string>
#include <vector>

#include <QCoreApplication>

#include "cli/cli_language.h"
#include "cli/dispatch.h"

int main(int argc, char** argv)
{
    // A file size limit (ulimit -f) makes the journal's write fail and be reported, rather
    // than end the program after a verified write with its result untold.
    std::signal(SIGXFSZ, SIG_IGN);
    QCoreApplication application(argc, argv);
    const std::vector<std::string> words(argv + std::min(argc, 1), argv + argc);
    // A JSON result's values are English whatever the language, and so is all else said
    // beside it, so that its message and what standard error says agree.
    const bool json = std::find(words.begin(), words.end(), "--json") != words.end();
    if (!torv::cli::UseLanguage(torv::cli::RussianLocaleInEnvironment() && !json))
        std::cerr << "torvctl: the Russian translation cannot be loaded: English is spoken\n";
    const torv::cli::Console console{std::cout, std::cerr, isatty(STDIN_FILENO) ? &std::cin : nullptr};
    return torv::cli::RunTorvctl(words, console);
}
