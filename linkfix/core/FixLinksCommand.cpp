#include "linkfix/core/FixLinksCommand.h"

#include <iostream>
#include <optional>

#include "editor/core/DocumentText.h"
#include "editor/core/StringBuffer.h"
#include "helpers/core/CliCommand.h"
#include "helpers/core/FileIo.h"
#include "helpers/core/TextUtil.h"
#include "linkfix/core/FixLinks.h"

namespace morv {

namespace {

constexpr const char* kUsage =
    "Usage: morv-cli fix-links --root ROOT [--path PATH] [FILE]\n"
    "\n"
    "Rewrites the relative lines of the [LINK] and [IMAGE] sections of a report into absolute\n"
    "addresses against the site's root and the current path inside the site. Reads FILE, or\n"
    "standard input when FILE is missing or \"-\"; writes the report to standard output with\n"
    "CR LF line breaks.\n"
    "\n"
    "  --root ROOT   the site's root, e.g. http://www.example.org (required)\n"
    "  --path PATH   the current path inside the site, e.g. products/software/games\n";

}  // namespace

int RunFixLinksCommand(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                       std::ostream& err) {
    std::optional<std::string> root;
    std::string path;
    std::optional<std::string> file;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        auto value = [&](std::string_view name, std::string& into) {
            if (arg == name) {
                if (i + 1 >= args.size()) return false;
                into = args[++i];
                return true;
            }
            into = arg.substr(name.size() + 1);
            return true;
        };
        if (arg == "--help" || arg == "-h") {
            out << kUsage;
            return kExitOk;
        }
        if (arg == "--root" || arg.starts_with("--root=")) {
            std::string text;
            if (!value("--root", text)) {
                err << "fix-links: --root needs a value\n" << kUsage;
                return kExitUsage;
            }
            root = text;
        } else if (arg == "--path" || arg.starts_with("--path=")) {
            if (!value("--path", path)) {
                err << "fix-links: --path needs a value\n" << kUsage;
                return kExitUsage;
            }
        } else if (arg.starts_with("-") && arg != "-") {
            err << "fix-links: unknown option '" << arg << "'\n" << kUsage;
            return kExitUsage;
        } else if (file) {
            err << "fix-links: only one FILE can be given\n" << kUsage;
            return kExitUsage;
        } else {
            file = arg;
        }
    }
    if (!root || TrimBlanks(*root).empty()) {
        err << "fix-links: Please specify the site's root.\n" << kUsage;
        return kExitUsage;
    }

    Result<std::string> text =
        ReadFileOrInput(file.value_or(""), in, ReadOptions{ToolInputLimit(), true, {}});
    if (!text) return ReportFailure(err, "fix-links", text.error());

    // Line breaks as the editor reads a document, so the result is the one it would save.
    StringBuffer buffer(NormalizeLineBreaks(text.value()));
    FixLinksOptions options;
    options.root = *root;
    options.path = path;
    const FixLinksResult result = FixLinksInDocument(buffer, options);
    out.write(buffer.str().data(), std::streamsize(buffer.str().size()));
    out.flush();
    if (!out) return ReportFailure(err, "fix-links", OutputError(StreamErrno(out)));
    switch (result.outcome) {
        case FixOutcome::Finished:
            return kExitOk;
        case FixOutcome::NoSection:
            // The report goes out unchanged, so a pipeline loses nothing.
            err << "fix-links: There is no [LINK] or [IMAGE] section detected.\n";
            return kExitFailed;
        default:
            err << "fix-links: " << result.message << "\n";
            return kExitFailed;
    }
}

}  // namespace morv
