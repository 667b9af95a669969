#include "linkfix/core/FixLinksCommand.h"

#include <iostream>
#include <optional>

#include "editor/core/DocumentText.h"
#include "editor/core/StringBuffer.h"
#include "helpers/core/CliCommand.h"
#include "helpers/core/CliParser.h"
#include "linkfix/core/FixLinks.h"

namespace morv {

int RunFixLinksCommand(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                       std::ostream& err) {
    std::string root, path, file;
    CliParser parser("morv-cli", "fix-links",
                     "Rewrites the relative lines of the [LINK] and [IMAGE] sections of a report "
                     "into\nabsolute addresses against the site's root and the current path "
                     "inside the site.\nWrites the report to standard output with CR LF line "
                     "breaks.");
    parser.Option("--root", "ROOT", root, "the site's root, e.g. http://www.example.org")
        .Required()
        .NotBlank()
        .Option("--path", "PATH", path, "the current path inside the site, e.g. products/games")
        .Argument("FILE", file, "the report; standard input when it is missing or \"-\"")
        .Footer(
            "Exit status: 0 success, 1 failed run (also when the report has no [LINK] or\n"
            "[IMAGE] section: it is written unchanged), 2 bad usage.");
    if (const std::optional<int> status = parser.Parse(args, out, err)) return *status;

    Result<std::string> text = ReadToolInput(file, in);
    if (!text) return parser.Failure(err, text.error());

    // Line breaks as the editor reads a document, so the result is the one it would save.
    StringBuffer buffer(NormalizeLineBreaks(text.value()));
    FixLinksOptions options;
    options.root = root;
    options.path = path;
    const FixLinksResult result = FixLinksInDocument(buffer, options);
    if (const int written = parser.WriteOutput(out, err, buffer.str()); written != kExitOk)
        return written;
    switch (result.outcome) {
        case FixOutcome::Finished:
            return kExitOk;
        case FixOutcome::NoSection:
            // The report goes out unchanged, so a pipeline loses nothing.
            return parser.Failure(err,
                                  Error{0, "", "There is no [LINK] or [IMAGE] section detected."});
        default:
            return parser.Failure(err, Error{0, "", result.message});
    }
}

}  // namespace morv
