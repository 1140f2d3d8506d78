// torvctl: the transmitter frequency programmer's command-line tool.
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include <QCoreApplication>

#include "cli/arguments.h"
#include "cli/calc_commands.h"
#include "cli/exchange_commands.h"
#include "torv_version.h"

namespace {

constexpr const char* kUsage =
    "usage: torvctl COMMAND [OPTIONS]\n"
    "\n"
    "commands:\n"
    "  ports                             list the serial ports of this computer\n"
    "  read (--port NAME|PATH | --demo) [--json] [--trace]\n"
    "                                    read the transmitter's identity and frequencies\n"
    "  write (--port NAME|PATH | --demo) --f1 MHZ [--f2 MHZ | --no-f2] [--step 12.5|25]\n"
    "        [--enable-grid-edit] [--trace]\n"
    "                                    read, then write new frequencies and verify them\n"
    "  calc --legacy MHZ                 divisors R, N, A of a frequency in legacy mode\n"
    "  calc --grid --type 13|14|15 [--step 12.5|25] [--second] MHZ\n"
    "                                    N, F and the sealed channel record in grid mode\n"
    "  decode [--type 13|14|15] HEX      decode one 8-byte channel record\n"
    "\n"
    "  --demo   use a built-in emulated adapter with a transmitter instead of a port\n"
    "  --trace  log every byte on the line, with time stamps, to standard error\n"
    "  Prompts are asked when standard input is a terminal, and answered Cancel otherwise.\n"
    "\n"
    "exit codes: 0 done, 1 refused (cannot be programmed, out of band, damaged record),\n"
    "            2 bad command line, 3 exchange failed, 4 port unavailable\n";

}  // namespace

int main(int argc, char** argv)
{
    using namespace torv::cli;
    QCoreApplication application(argc, argv);
    const std::vector<std::string> args(argv + std::min(argc, 2), argv + argc);
    const std::string command = argc > 1 ? argv[1] : "";
    try {
        if (command == "calc")
            return RunCalc(args, std::cout);
        if (command == "decode")
            return RunDecode(args, std::cout);
        if (command == "ports")
            return RunPorts(args, std::cout);
        if (command == "read")
            return RunRead(args, std::cout, std::cerr);
        if (command == "write")
            return RunWrite(args, std::cout, std::cerr);
        if (command == "--version") {
            std::cout << "torvctl " TORV_VERSION "\n";
            return kExitOk;
        }
        if (command == "--help" || command == "-h" || command == "help") {
            std::cout << kUsage;
            return kExitOk;
        }
        throw UsageError(command.empty() ? "no command given" : "unknown command \"" + command + "\"");
    } catch (const UsageError& error) {
        std::cerr << "torvctl: " << error.what() << "\n" << "try: torvctl --help\n";
        return kExitUsage;
    } catch (const std::exception& error) {
        std::cerr << "torvctl: " << error.what() << "\n";
        return kExitExchangeFailed;
    }
}
