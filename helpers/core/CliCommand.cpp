#include "helpers/core/CliCommand.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <iostream>
#include <new>
#include <sstream>
#include <string>

#include "helpers/core/CoreHooks.h"
#include "helpers/core/FileIo.h"

namespace morv {

namespace {

// The usage line of a command, as its own --help begins: "Usage: <tool> " and the synopsis,
// wrapped onto further lines up to the first empty one.
std::string CommandSynopsis(const CliCommand& command) {
    std::istringstream in;
    std::ostringstream help, ignored;
    command.run({"--help"}, in, help, ignored);
    std::string text = help.str();
    text = text.substr(0, text.find("\n\n"));
    const size_t start = text.find(' ', text.find(' ') + 1);  // after "Usage: <tool>"
    text = start == std::string::npos ? command.name : text.substr(start + 1);
    for (size_t wrap = text.find('\n'); wrap != std::string::npos; wrap = text.find('\n', wrap))
        text.replace(wrap, text.find_first_not_of(' ', wrap + 1) - wrap, " ");
    return text;
}

void PrintHelp(std::ostream& out, const char* tool, const std::vector<CliCommand>& commands) {
    out << "Usage: " << tool << " COMMAND [OPTIONS] [ARGS]\n\nCommands:\n";
    for (const CliCommand& command : commands)
        out << "  " << CommandSynopsis(command) << "\n      " << command.summary << "\n";
    out << "\nRun '" << tool << " COMMAND --help' for the options of one command.\n";
}

}  // namespace

Result<std::string> ReadToolInput(const std::string& file, std::istream& in) {
    return ReadFileOrInput(file, in, ReadOptions{ToolInputLimit(), true, {}});
}

size_t ToolInputLimit() {
    if (const size_t hooked = CurrentCoreHooks().toolInputLimit; hooked != 0) return hooked;
    size_t limit = size_t(1) << 30;
    for (const int resource : {RLIMIT_AS, RLIMIT_DATA}) {
        struct rlimit rl {};
        if (getrlimit(resource, &rl) == 0 && rl.rlim_cur != RLIM_INFINITY)
            limit = std::min(limit, size_t(rl.rlim_cur / 4));
    }
    return limit;
}

int ReportFailure(std::ostream& err, std::string_view who, const Error& error) {
    err << who << ": " << (error.number == kUserInterrupt ? "interrupted" : error.description)
        << "\n";
    return kExitFailed;
}

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
        if (args[0] != command.name) continue;
        args.erase(args.begin());
        const std::string who = std::string(tool) + " " + command.name;
        FdStreamBuf inBuffer(STDIN_FILENO), outBuffer(STDOUT_FILENO);
        std::istream in(&inBuffer);
        std::ostream out(&outBuffer);
        int status = kExitFailed;
        try {
            status = command.run(args, in, out, std::cerr);
        } catch (const std::bad_alloc&) {
            return ReportFailure(std::cerr, who, Error{ENOMEM, "", "Out of memory"});
        }
        if (!out.flush() && status == kExitOk)
            status = ReportFailure(std::cerr, who, OutputError(StreamErrno(out)));
        return status;
    }
    std::cerr << tool << ": unknown command '" << args[0] << "'\n";
    PrintHelp(std::cerr, tool, commands);
    return kExitUsage;
}

void TerminalProgress::SetValue(long value) {
    value_ = value;
    if (!enabled_) return;
    if (!redraws_.Step().showProgress) return;
    drawn_ = true;
    const int width = 30;
    long percent = max_ > 0 ? value_ * 100 / max_ : 0;
    if (percent > 100) percent = 100;
    int filled = int(percent * width / 100);
    std::string bar(size_t(filled), '#');
    bar.append(size_t(width - filled), '-');
    std::string item = status_.size() > 40 ? "..." + status_.substr(status_.size() - 37) : status_;
    err_ << "\r\033[K[" << bar << "] " << percent << "% " << item << std::flush;
}

void TerminalProgress::Finish() {
    if (enabled_ && drawn_) err_ << "\r\033[K" << std::flush;
    drawn_ = false;
}

bool ProgressWanted(const std::ostream& err) {
    return &err == &std::cerr && isatty(STDERR_FILENO) == 1;
}

}  // namespace morv
