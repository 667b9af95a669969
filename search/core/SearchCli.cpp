#include "search/core/SearchCli.h"

#include <cerrno>
#include <fstream>
#include <iostream>
#include <sstream>

#include "editor/core/DocumentText.h"
#include "helpers/core/CliCommand.h"
#include "helpers/core/SystemFolder.h"
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

    std::ostringstream bytes;
    if (operands.size() < 3 || operands[2] == "-") {
        bytes << in.rdbuf();
    } else {
        std::ifstream stream(operands[2], std::ios::binary);
        if (!stream) {
            err << "morv-cli: cannot open " << operands[2] << ": " << GetAPIErrorText(errno)
                << "\n";
            return kExitFailed;
        }
        bytes << stream.rdbuf();
        if (stream.bad()) {
            err << "morv-cli: cannot read " << operands[2] << "\n";
            return kExitFailed;
        }
    }
    const std::string text = NormalizeLineBreaks(bytes.view());
    const ReplaceAllResult result = ReplaceAllMatches(text, operands[0], operands[1], flags);
    out.write(result.text.data(), std::streamsize(result.text.size()));
    out.flush();
    if (!out) {
        err << "morv-cli: cannot write the output\n";
        return kExitFailed;
    }
    return kExitOk;
}

}  // namespace morv
