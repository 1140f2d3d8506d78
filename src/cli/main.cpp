// torvctl: the transmitter frequency programmer's command-line tool.
#include <unistd.h>

#include <algorithm>
#include <iostream>
#include <string>
#include <vector>

#include <QCoreApplication>

#include "cli/dispatch.h"

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    const std::vector<std::string> words(argv + std::min(argc, 1), argv + argc);
    const torv::cli::Console console{std::cout, std::cerr, isatty(STDIN_FILENO) ? &std::cin : nullptr};
    return torv::cli::RunTorvctl(words, console);
}
