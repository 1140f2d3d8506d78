// torvctl: the transmitter frequency programmer's command-line tool.
#include <iostream>
#include <string>
#include <vector>

#include "cli/arguments.h"
#include "cli/calc_commands.h"

namespace {

constexpr const char* kUsage =
    "usage: torvctl COMMAND [OPTIONS]\n"
    "\n"
    "commands:\n"
    "  calc --legacy MHZ                 divisors R, N, A of a frequency in legacy mode\n"
    "  calc --grid --type 13|14|15 [--step 12.5|25] [--second] MHZ\n"
    "                                    N, F and the sealed channel record in grid mode\n"
    "  decode [--type 13|14|15] HEX      decode one 8-byte channel record\n"
    "\n"
    "exit codes: 0 done, 1 refused (cannot be programmed or decoded), 2 bad command line\n";

}  // namespace

int main(int argc, char** argv)
{
    using namespace torv::cli;
    const std::vector<std::string> args(argv + std::min(argc, 2), argv + argc);
    const std::string command = argc > 1 ? argv[1] : "";
    try {
        if (command == "calc")
            return RunCalc(args, std::cout);
        if (command == "decode")
            return RunDecode(args, std::cout);
        if (command == "--help" || command == "-h" || command == "help") {
            std::cout << kUsage;
            return kExitOk;
        }
        throw UsageError(command.empty() ? "no command given" : "unknown command \"" + command + "\"");
    } catch (const UsageError& error) {
        std::cerr << "torvctl: " << error.what() << "\n" << "try: torvctl --help\n";
        return kExitUsage;
    }
}
