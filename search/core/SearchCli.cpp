#include "search/core/SearchCli.h"

#include <iostream>
#include <optional>

#include "editor/core/DocumentText.h"
#include "helpers/core/CliCommand.h"
#include "helpers/core/CliParser.h"
#include "search/core/FindReplace.h"

namespace morv {

int RunReplaceAllCommand(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                         std::ostream& err) {
    bool matchCase = false, wholeWord = false;
    std::string find, replacement, file;
    CliParser parser("morv-cli", "replace-all",
                     "Writes the text with FIND replaced as Replace All does: letter case ignored\n"
                     "unless --match-case; a match that begins directly after an inserted\n"
                     "replacement is passed over. Line breaks are written as CR LF.");
    parser.Flag("--match-case", matchCase, "match the letter case of FIND")
        .Flag("--whole-word", wholeWord, "match whole words only")
        .Argument("FIND", find, "the text to find")
        .Required()
        .NotEmpty()
        .Argument("REPLACEMENT", replacement, "the text to put in its place")
        .Required()
        .Argument("FILE", file, "the text; standard input when it is missing or \"-\"")
        .Footer(kCliExitStatusHelp);
    if (const std::optional<int> status = parser.Parse(args, out, err)) return *status;
    const int flags = (matchCase ? kFindMatchCase : 0) | (wholeWord ? kFindWholeWord : 0);

    Result<std::string> bytes = ReadToolInput(file, in);
    if (!bytes) return parser.Failure(err, bytes.error());
    const std::string text = NormalizeLineBreaks(bytes.value());
    return parser.WriteOutput(out, err, ReplaceAllMatches(text, find, replacement, flags).text);
}

}  // namespace morv
