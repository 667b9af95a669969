#include "sections/core/SectionsCli.h"

#include <iostream>
#include <optional>

#include "editor/core/DocumentText.h"
#include "editor/core/StringBuffer.h"
#include "helpers/core/CliCommand.h"
#include "helpers/core/CliParser.h"
#include "helpers/core/TextUtil.h"
#include "sections/core/SectionCleanup.h"
#include "sections/core/SectionsTree.h"

namespace morv {

namespace {

// The parser of a command that reads a report from FILE or standard input.
void DeclareFileArgument(CliParser& parser, std::string& file) {
    parser.Argument("FILE", file, "the report; standard input when it is missing or \"-\"")
        .Footer(kCliExitStatusHelp);
}

// The input as the editor would hold it: its bytes with every line break as CR LF.
std::optional<std::string> ReadInput(const CliParser& parser, const std::string& file,
                                     std::istream& in, std::ostream& err) {
    Result<std::string> bytes = ReadToolInput(file, in);
    if (!bytes) {
        parser.Failure(err, bytes.error());
        return std::nullopt;
    }
    return NormalizeLineBreaks(bytes.value());
}

int RunFilter(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
              std::ostream& err, const char* command, const char* about,
              std::string (*filter)(std::string_view, ProgressObserver&)) {
    std::string file;
    CliParser parser("morv-cli", command, about);
    DeclareFileArgument(parser, file);
    if (const std::optional<int> status = parser.Parse(args, out, err)) return *status;
    const std::optional<std::string> text = ReadInput(parser, file, in, err);
    if (!text) return kExitFailed;
    return parser.WriteOutput(out, err, filter(*text, NoProgress()));
}

}  // namespace

int RunSectionsCommand(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                       std::ostream& err) {
    std::string file;
    CliParser parser(
        "morv-cli", "sections",
        "Prints the file nodes of the sections tree of a report, one per line: key, text and\n"
        "tag separated by tabs; a tab, CR, LF or backslash inside a field is written as \\t,\n"
        "\\r, \\n or \\\\.");
    DeclareFileArgument(parser, file);
    if (const std::optional<int> status = parser.Parse(args, out, err)) return *status;
    const std::optional<std::string> text = ReadInput(parser, file, in, err);
    if (!text) return kExitFailed;
    StringBuffer buffer(std::move(*text));
    const SectionsTree tree =
        BuildSectionsTree(buffer, file == "-" ? std::string() : file, NoProgress());
    std::string lines;
    for (const SectionNode& node : tree.root.children) {
        lines += EscapeTabField(node.key);
        lines += '\t';
        lines += EscapeTabField(node.text);
        lines += '\t';
        lines += EscapeTabField(node.tag);
        lines += '\n';
    }
    return parser.WriteOutput(out, err, lines);
}

int RunRemoveSectionsCommand(const std::vector<std::string>& args, std::istream& in,
                             std::ostream& out, std::ostream& err) {
    return RunFilter(args, in, out, err, "remove-sections",
                     "Writes the report without its header lines, as Remove Section Attributes\n"
                     "leaves it: every line ends with CR LF.",
                     &RemoveSectionAttributes);
}

int RunRemoveEmptyCommand(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                          std::ostream& err) {
    return RunFilter(args, in, out, err, "remove-empty",
                     "Writes the text without its empty lines, as Remove Empty-Lines leaves it:\n"
                     "every line ends with CR LF.",
                     &RemoveEmptyLines);
}

}  // namespace morv
