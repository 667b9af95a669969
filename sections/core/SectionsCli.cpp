#include "sections/core/SectionsCli.h"

#include <iostream>
#include <optional>

#include "editor/core/DocumentText.h"
#include "editor/core/StringBuffer.h"
#include "helpers/core/CliCommand.h"
#include "helpers/core/FileIo.h"
#include "helpers/core/TextUtil.h"
#include "sections/core/SectionCleanup.h"
#include "sections/core/SectionsTree.h"

namespace morv {

namespace {

// The arguments of a filter command: at most one FILE ("-" or none: standard input). Prints the
// usage itself and returns an exit status in usageExit when the arguments are not usable.
std::optional<std::string> ParseFileArgument(const std::vector<std::string>& args,
                                             const char* usage, std::ostream& out,
                                             std::ostream& err, int& usageExit) {
    std::string file;
    for (const std::string& arg : args) {
        if (arg == "--help" || arg == "-h") {
            out << usage;
            usageExit = kExitOk;
            return std::nullopt;
        }
        if ((arg.size() > 1 && arg[0] == '-') || !file.empty()) {
            err << usage;
            usageExit = kExitUsage;
            return std::nullopt;
        }
        file = arg;
    }
    return file == "-" ? std::string() : file;
}

// The input as the editor would hold it: its bytes with every line break as CR LF.
std::optional<std::string> ReadInput(const std::string& file, std::istream& in, std::ostream& err) {
    Result<std::string> bytes = ReadFileOrInput(file, in, ReadOptions{ToolInputLimit(), true, {}});
    if (!bytes) {
        ReportFailure(err, "morv-cli", bytes.error());
        return std::nullopt;
    }
    return NormalizeLineBreaks(bytes.value());
}

int WriteOutput(std::string_view text, std::ostream& out, std::ostream& err) {
    out.write(text.data(), std::streamsize(text.size()));
    out.flush();
    return out ? kExitOk : ReportFailure(err, "morv-cli", OutputError(StreamErrno(out)));
}

int RunFilter(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
              std::ostream& err, const char* usage,
              std::string (*filter)(std::string_view, ProgressObserver&)) {
    int usageExit = kExitOk;
    const std::optional<std::string> file = ParseFileArgument(args, usage, out, err, usageExit);
    if (!file) return usageExit;
    const std::optional<std::string> text = ReadInput(*file, in, err);
    if (!text) return kExitFailed;
    return WriteOutput(filter(*text, NoProgress()), out, err);
}

}  // namespace

int RunSectionsCommand(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                       std::ostream& err) {
    static const char usage[] =
        "Usage: morv-cli sections [FILE]\n"
        "Prints the file nodes of the sections tree of a report (standard input when no FILE),\n"
        "one per line: key, text and tag separated by tabs; a tab, CR, LF or backslash inside a\n"
        "field is written as \\t, \\r, \\n or \\\\.\n";
    int usageExit = kExitOk;
    const std::optional<std::string> file = ParseFileArgument(args, usage, out, err, usageExit);
    if (!file) return usageExit;
    const std::optional<std::string> text = ReadInput(*file, in, err);
    if (!text) return kExitFailed;
    StringBuffer buffer(std::move(*text));
    const SectionsTree tree = BuildSectionsTree(buffer, *file, NoProgress());
    for (const SectionNode& node : tree.root.children) {
        out << EscapeTabField(node.key);
        out << '\t';
        out << EscapeTabField(node.text);
        out << '\t';
        out << EscapeTabField(node.tag);
        out << '\n';
    }
    out.flush();
    return out ? kExitOk : ReportFailure(err, "morv-cli", OutputError(StreamErrno(out)));
}

int RunRemoveSectionsCommand(const std::vector<std::string>& args, std::istream& in,
                             std::ostream& out, std::ostream& err) {
    static const char usage[] =
        "Usage: morv-cli remove-sections [FILE]\n"
        "Writes the text (standard input when no FILE) without its report header lines, as\n"
        "Remove Section Attributes leaves it: every line ends with CR LF.\n";
    return RunFilter(args, in, out, err, usage, &RemoveSectionAttributes);
}

int RunRemoveEmptyCommand(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                          std::ostream& err) {
    static const char usage[] =
        "Usage: morv-cli remove-empty [FILE]\n"
        "Writes the text (standard input when no FILE) without its empty lines, as\n"
        "Remove Empty-Lines leaves it: every line ends with CR LF.\n";
    return RunFilter(args, in, out, err, usage, &RemoveEmptyLines);
}

}  // namespace morv
