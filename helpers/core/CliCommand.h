#pragma once

#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "helpers/core/Progress.h"
#include "helpers/core/Result.h"
#include "helpers/core/StopSignals.h"

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
    const char* summary;  // what it does, one line for the tool's --help under its usage line
    CliMain run;
};

// The most bytes a tool reads from one input (a FILE, a list file, standard input): 1 GiB, or a
// quarter of the address space or data size the process is limited to, so that endless input
// ends in a message instead of an exhausted memory (or CoreHooks::toolInputLimit).
size_t ToolInputLimit();

// The whole of FILE, or of standard input when FILE is "" or "-", within ToolInputLimit.
Result<std::string> ReadToolInput(const std::string& file, std::istream& in);

// Prints "<who>: <description>" ("interrupted" for a user interrupt) and returns kExitFailed.
int ReportFailure(std::ostream& err, std::string_view who, const Error& error);

// Runs the subcommand named by argv[1] from the table, on standard input and output through
// buffers that keep the errno of a failure; prints --help (each command's usage line taken from
// the command's own --help), --version, usage errors, a failed flush of the output and running
// out of memory itself.
int RunCli(const char* tool, const char* version, const std::vector<CliCommand>& commands, int argc,
           char** argv);

// A long command holds a ScopedStopSignals, so that Ctrl+C (or SIGTERM, SIGHUP) ends its run at
// the next step through a SignalStopObserver (or TerminalProgress) and a half-written output file
// is removed.

// A progress bar on standard error when it is a terminal, redrawn at most ten times a second
// (the clock read only every few steps); stops at a stop signal.
class TerminalProgress : public SignalStopObserver {
  public:
    explicit TerminalProgress(std::ostream& err, bool enabled) : err_(err), enabled_(enabled) {}
    ~TerminalProgress() override { Finish(); }

    void SetMax(long max) override { max_ = max; }
    void SetValue(long value) override;
    void SetStatus(std::string_view text) override { status_.assign(text); }
    // Clears the bar's line.
    void Finish();

  private:
    std::ostream& err_;
    bool enabled_;
    bool drawn_ = false;
    long max_ = 0, value_ = 0;
    std::string status_;
    PacedSteps redraws_{{~PollThrottle::Ticks(0), ~PollThrottle::Ticks(0), 100000, 200}};
};

// Whether err is the process's standard error and that is a terminal.
bool ProgressWanted(const std::ostream& err);

}  // namespace morv
