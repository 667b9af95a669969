#pragma once

#include <functional>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "helpers/core/Result.h"

namespace morv {

// The footer of most commands' help.
inline constexpr const char* kCliExitStatusHelp =
    "Exit status: 0 success, 1 failed run, 2 bad usage.";

// The options and arguments of one subcommand of a command-line tool, declared once: the parse,
// the usage errors and the --help text all come from the declarations. Options may stand
// anywhere among the arguments, "--" ends them, "--name=value", "--name value" and "-nvalue"
// give a value, and -h or --help prints the help. Every usage error reads
// "<tool> <command>: <what is wrong>" with a hint at --help and exits with kExitUsage; every
// failed run "<tool> <command>: <description>" with kExitFailed (CliCommand.h).
class CliParser {
  public:
    // tool and command name the messages ("morv-cli", "extract"); about says in --help what the
    // command does (its own line breaks kept).
    CliParser(std::string tool, std::string command, std::string about);
    ~CliParser();
    CliParser(const CliParser&) = delete;
    CliParser& operator=(const CliParser&) = delete;

    // Declarations, shown in this order in the usage line. names: "--name" or "-n,--name";
    // value: the placeholder of a value in the help ("FILE"); help: one line or more.
    CliParser& Flag(const std::string& names, bool& into, std::string help);
    // An option that takes a value; given again, the last value counts.
    CliParser& Option(const std::string& names, std::string value, std::string& into,
                      std::string help);
    // An option that may be given again and again: each value goes to each.
    CliParser& Options(const std::string& names, std::string value,
                       std::function<void(const std::string&)> each, std::string help);
    // An argument (optional unless Required); arguments are filled in the order declared.
    CliParser& Argument(std::string name, std::string& into, std::string help);
    // Any number of arguments ("NAME..."), each to each.
    CliParser& Arguments(std::string name, std::function<void(const std::string&)> each,
                         std::string help);
    // The functions of Options and Arguments are called after the whole command line is read,
    // in command-line order among all of them.

    // Modifiers of the declaration made last. Required: missing is a usage error.
    CliParser& Required();
    // check returns "" for a usable value, otherwise what is wrong with it ("--format: " and
    // that is the message).
    CliParser& Check(std::function<std::string(const std::string& value)> check);
    // An empty value is a usage error ("-o needs a value", "FIND must not be empty"); with
    // blankToo, one of blanks only as well. NotBlank is NotEmpty(true).
    CliParser& NotEmpty(bool blankToo = false);
    CliParser& NotBlank();

    // Shown at the end of --help (the exit statuses, for one).
    CliParser& Footer(std::string text);

    // Reads args into the declarations. Returns nothing when the command goes on; otherwise its
    // exit status: kExitOk after the help (written to out), kExitUsage after a usage error
    // (written to err).
    std::optional<int> Parse(const std::vector<std::string>& args, std::ostream& out,
                             std::ostream& err);

    // A usage error the command finds itself; returns kExitUsage.
    int UsageError(std::ostream& err, const std::string& message) const;
    // A failed run ("interrupted" for a user interrupt); returns kExitFailed.
    int Failure(std::ostream& err, const Error& error) const;
    // Writes text to out and flushes it: kExitOk, or a failed run when out did not take it.
    int WriteOutput(std::ostream& out, std::ostream& err, std::string_view text) const;

  private:
    struct Declaration;
    std::string Help() const;
    Declaration& Last();
    Declaration& Add(int kind, std::string names, std::string value, std::string help);

    std::string command_;
    std::string who_;
    std::string about_;
    std::string footer_;
    std::vector<std::unique_ptr<Declaration>> declarations_;
};

}  // namespace morv
