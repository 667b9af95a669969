#include "helpers/core/CliCommand.h"

#include <iostream>

namespace morv {

namespace {

void PrintHelp(std::ostream& out, const char* tool, const std::vector<CliCommand>& commands) {
    out << "Usage: " << tool << " COMMAND [OPTIONS] [ARGS]\n\nCommands:\n";
    for (const CliCommand& command : commands)
        out << "  " << command.synopsis << "\n";
    out << "\nRun '" << tool << " COMMAND --help' for the options of one command.\n";
}

}  // namespace

int RunCli(const char* tool, const char* version, const std::vector<CliCommand>& commands, int argc,
           char** argv) {
    std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    if (args.empty()) {
        PrintHelp(std::cerr, tool, commands);
        return kExitUsage;
    }
    if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        PrintHelp(std::cout, tool, commands);
        return kExitOk;
    }
    if (args[0] == "--version") {
        std::cout << tool << " " << version << "\n";
        return kExitOk;
    }
    for (const CliCommand& command : commands) {
        if (args[0] == command.name) {
            args.erase(args.begin());
            return command.run(args, std::cin, std::cout, std::cerr);
        }
    }
    std::cerr << tool << ": unknown command '" << args[0] << "'\n";
    PrintHelp(std::cerr, tool, commands);
    return kExitUsage;
}

}  // namespace morv
