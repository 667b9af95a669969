#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace morv {

// Exit statuses of the command-line tools.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;  // the run failed (a file could not be read or written)
inline constexpr int kExitUsage = 2;   // bad usage

// One subcommand of a command-line tool: its arguments (after the subcommand's name), standard
// input, output and error. Returns an exit status.
using CliMain = int (*)(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                        std::ostream& err);

struct CliCommand {
    const char* name;
    const char* synopsis;  // one line for the tool's --help
    CliMain run;
};

// Runs the subcommand named by argv[1] from the table; prints --help, --version and usage
// errors itself.
int RunCli(const char* tool, const char* version, const std::vector<CliCommand>& commands, int argc,
           char** argv);

}  // namespace morv
