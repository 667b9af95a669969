#include "helpers/core/CliCommand.h"

#include <iostream>
#include <string>

namespace morv {

namespace {

void PrintHelp(std::ostream& out, const char* tool, const std::vector<CliCommand>& commands) {
    out << "Usage: " << tool << " COMMAND [OPTIONS] [ARGS]\n\nCommands:\n";
    // A synopsis may end in a description after two blanks; it goes on a line of its own.
    for (const CliCommand& command : commands) {
        const std::string synopsis = command.synopsis;
        const size_t gap = synopsis.find("  ");
        if (gap == std::string::npos) {
            out << "  " << synopsis << "\n";
            continue;
        }
        const size_t text = synopsis.find_first_not_of(' ', gap);
        out << "  " << synopsis.substr(0, gap) << "\n";
        if (text != std::string::npos) out << "      " << synopsis.substr(text) << "\n";
    }
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
