#include "extract/core/ExtractCli.h"

#include <cerrno>
#include <iostream>
#include <optional>

#include "extract/core/FindFiles.h"
#include "extract/core/ListFile.h"
#include "extract/core/Report.h"
#include "helpers/core/CliCommand.h"
#include "helpers/core/CliParser.h"
#include "helpers/core/FileIo.h"
#include "helpers/core/TextUtil.h"

namespace morv {

namespace {

const char* const kKindNames[kTagKindCount] = {"script", "style", "link", "image", "email"};

bool ParseKinds(const std::string& list, ExtractOptions& options) {
    options.tags.fill(false);
    for (std::string_view name : Split(list, ',')) {
        name = TrimBlanks(name);
        bool known = false;
        for (int k = 0; k < kTagKindCount; ++k) {
            if (EqualsIgnoreCase(name, kKindNames[k]) ||
                (k == int(TagKind::Email) && EqualsIgnoreCase(name, "e-mail"))) {
                options.tags[size_t(k)] = true;
                known = true;
            }
        }
        if (!known) return false;
    }
    return true;
}

// A source of list entries, kept in command-line order.
struct Source {
    enum Kind { File, List, Scan } kind;
    std::string value;
};

}  // namespace

int RunExtractCommand(const std::vector<std::string>& args, std::istream& /*in*/, std::ostream& out,
                      std::ostream& err) {
    ExtractOptions options;
    options.clearText = true;
    std::vector<Source> sources;
    std::string kinds, output;
    auto add = [&sources](Source::Kind kind) {
        return [&sources, kind](const std::string& value) { sources.push_back({kind, value}); };
    };
    CliParser parser("morv-cli", "extract",
                     "Extracts the script and style elements, link targets, image sources and "
                     "e-mail\naddresses of HTML files into one report: a block per file opened by "
                     "[FILE = \"path\"],\na section per kind. The files are taken in the order "
                     "given: --list and --scan entries\nwhere those options stand, FILE arguments "
                     "where they stand.");
    parser
        .Option("--kinds", "LIST", kinds,
                "kinds to extract, comma-separated: script,style,link,image,email\n"
                "(default: all five)")
        .Check([](const std::string& list) {
            ExtractOptions parsed;
            return ParseKinds(list, parsed)
                       ? std::string()
                       : "unknown kind in '" + list + "' (script, style, link, image, email)";
        })
        .Flag("--no-relative", options.noRelativeLinks,
              "links and images: only http: and ftp: addresses")
        .Flag("--no-headers", options.noHeaders, "no [FILE], section header or warning lines")
        .Options("--list", "LISTFILE", add(Source::List),
                 "add the paths of a list file (.mrk: one path per CR LF line)")
        .Options("--scan", "DIR", add(Source::Scan), "add the .htm and .html documents below DIR")
        .Option("-o,--output", "REPORT", output,
                "write the report to REPORT (replaced only when the run succeeds;\n"
                "a device or named pipe is written into); default: standard output")
        .NotEmpty()
        .Arguments("FILE", add(Source::File), "an HTML file to extract")
        .Footer(
            "Exit status: 0 success, 1 failed run (also when no documents are found), 2 bad "
            "usage.");
    if (const std::optional<int> status = parser.Parse(args, out, err)) return *status;
    if (!kinds.empty()) ParseKinds(kinds, options);
    if (sources.empty()) return parser.UsageError(err, "no files to extract");

    ScopedStopSignals interrupts;
    SignalStopObserver stop;
    // A list may come from a pipe (--list <(find ...)): read as a stream, up to the tools' limit.
    const ReadOptions listOptions{ToolInputLimit(), true, [&stop] { return stop.ShouldStop(); }};
    std::vector<std::string> files;
    for (const Source& source : sources) {
        if (source.kind == Source::File) {
            files.push_back(source.value);
        } else if (source.kind == Source::List) {
            Result<std::vector<std::string>> list = ReadListFile(source.value, listOptions);
            if (!list) return parser.Failure(err, list.error());
            files.insert(files.end(), list.value().begin(), list.value().end());
        } else {
            Status walked = FindFiles(
                source.value, [&files](const std::string& path) { files.push_back(path); }, stop);
            if (!walked) return parser.Failure(err, walked.error());
        }
    }
    if (files.empty()) return parser.Failure(err, Error{ENOENT, "", "no documents found"});

    TerminalProgress progress(err, ProgressWanted(err));
    auto write = [&](ReportWriter& writer) {
        return WriteReport(files, options, writer, progress);
    };
    Status status = Ok();
    if (!output.empty() && output != "-" && !IsStandardOutput(output)) {
        status = WriteFileReplacing(output, write);
    } else {
        ReportWriter writer(out);
        status = write(writer);
    }
    progress.Finish();
    return status ? kExitOk : parser.Failure(err, status.error());
}

int RunScanCommand(const std::vector<std::string>& args, std::istream& /*in*/, std::ostream& out,
                   std::ostream& err) {
    std::string folder;
    CliParser parser("morv-cli", "scan",
                     "Prints the .htm and .html documents below DIR, one path per line, depth "
                     "first, in\nthe order the folder scan of the Extract dialog lists them. Links "
                     "to folders are not\nfollowed.");
    parser.Argument("DIR", folder, "the folder to scan")
        .Required()
        .NotEmpty()
        .Footer(kCliExitStatusHelp);
    if (const std::optional<int> status = parser.Parse(args, out, err)) return *status;

    ScopedStopSignals interrupts;
    SignalStopObserver progress;
    Status walked = FindFiles(
        folder, [&out](const std::string& path) { out << path << '\n'; }, progress);
    out.flush();
    if (!walked) return parser.Failure(err, walked.error());
    if (!out) return parser.Failure(err, OutputError(StreamErrno(out)));
    return kExitOk;
}

}  // namespace morv
