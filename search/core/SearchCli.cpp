#include "search/core/SearchCli.h"

#include <iostream>

#include "editor/core/DocumentText.h"
#include "helpers/core/CliCommand.h"
#include "helpers/core/FileIo.h"
#include "search/core/FindReplace.h"

namespace morv {

int RunReplaceAllCommand(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                         std::ostream& err) {
    static const char usage[] =
        "Usage: morv-cli replace-all [--match-case] [--whole-word] [--] FIND REPLACEMENT [FILE]\n"
        "Writes the text (standard input when no FILE) with FIND replaced as Replace All does:\n"
        "letter case ignored unless --match-case; a match that begins directly after an\n"
        "inserted replacement is passed over. Line breaks are written as CR LF.\n";
    int flags = 0;
    std::vector<std::string> operands;
    bool optionsEnded = false;
    for (const std::string& arg : args) {
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && (arg == "--help" || arg == "-h")) {
            out << usage;
            return kExitOk;
        } else if (!optionsEnded && arg == "--match-case") {
            flags |= kFindMatchCase;
        } else if (!optionsEnded && arg == "--whole-word") {
            flags |= kFindWholeWord;
        } else if (!optionsEnded && arg.size() > 1 && arg[0] == '-' && arg[1] == '-') {
            err << "morv-cli replace-all: unknown option " << arg << "\n" << usage;
            return kExitUsage;
        } else {
            operands.push_back(arg);
        }
    }
    if (operands.size() < 2 || operands.size() > 3) {
        err << usage;
        return kExitUsage;
    }
    if (operands[0].empty()) {
        err << "morv-cli replace-all: FIND must not be empty\n";
        return kExitUsage;
    }

    const std::string file = operands.size() < 3 ? std::string() : operands[2];
    Result<std::string> bytes = ReadFileOrInput(file, in, ReadOptions{ToolInputLimit(), true, {}});
    if (!bytes) return ReportFailure(err, "morv-cli replace-all", bytes.error());
    const std::string text = NormalizeLineBreaks(bytes.value());
    const ReplaceAllResult result = ReplaceAllMatches(text, operands[0], operands[1], flags);
    out.write(result.text.data(), std::streamsize(result.text.size()));
    out.flush();
    if (!out) return ReportFailure(err, "morv-cli replace-all", OutputError(StreamErrno(out)));
    return kExitOk;
}

}  // namespace morv
