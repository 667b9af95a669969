#include "linkcheck/core/CheckLinksCli.h"

#include <iostream>
#include <memory>
#include <optional>

#include "helpers/core/CliCommand.h"
#include "helpers/core/CliParser.h"
#include "linkcheck/core/LinkCheck.h"

namespace morv {

namespace {

constexpr int kExitMissing = 1;  // as a failed run: scripts tell them apart by the message

}  // namespace

int RunCheckLinksCommand(const std::vector<std::string>& args, std::istream& /*in*/,
                         std::ostream& out, std::ostream& err) {
    LinkCheckOptions options;
    std::string index, format = "report", output;
    CliParser parser("morv-cli", "check-links",
                     "Checks every link and image source of the .htm and .html documents below "
                     "DIR against\nthe files below DIR, resolved as a browser resolves them, and "
                     "reports the links whose\ntarget is missing, is there only in other letter "
                     "case, or lies outside DIR.");
    parser.Argument("DIR", options.folder, "the site's folder")
        .Required()
        .NotEmpty()
        .Options(
            "--url", "ADDRESS",
            [&options](const std::string& address) { options.addresses.push_back(address); },
            "an address of the site itself, such as http://www.example.org/;\n"
            "links starting with it are checked on disk too (may be repeated)")
        .NotEmpty()
        .Option("--index", "NAMES", index,
                "the documents that answer for a folder, separated by blanks or\n"
                "commas (default: index.html index.htm default.htm index.php)")
        .Check([](const std::string& names) {
            return SplitNames(names).empty() ? "must name at least one document" : "";
        })
        .Flag("--orphans", options.orphans,
              "also list the documents and images no checked page links to")
        .Option("--format", "report|tsv", format,
                "report (default): a block per page with problems, as the editor\n"
                "shows it; tsv: one line per problem, page<TAB>link<TAB>kind\n"
                "(kind: missing, case, outside or orphan)")
        .Check([](const std::string& value) {
            return value == "report" || value == "tsv" ? "" : "must be report or tsv";
        })
        .Option("-o,--output", "FILE", output,
                "write to FILE (replaced only when the check succeeds);\n"
                "default: standard output")
        .NotEmpty()
        .Footer(
            "Exit status: 0 nothing missing, 1 something missing or a check that could not "
            "be\ndone (with a message), 2 bad usage.");
    if (const std::optional<int> status = parser.Parse(args, out, err)) return *status;
    if (!index.empty()) options.indexNames = SplitNames(index);

    ScopedStopSignals interrupts;
    TerminalProgress progress(err, ProgressWanted(err));
    Result<LinkCheckCounts> counts = Error{};
    auto check = [&](ReportWriter& writer) -> Status {
        std::unique_ptr<LinkCheckSink> sink;
        if (format == "tsv")
            sink = std::make_unique<LinkTsvWriter>(writer);
        else
            sink = std::make_unique<LinkReportWriter>(writer);
        counts = CheckLinks(options, *sink, progress);
        if (!counts) return counts.error();
        return writer.Flush();
    };
    Status status = Ok();
    if (!output.empty() && output != "-" && !IsStandardOutput(output)) {
        status = WriteFileReplacing(output, check);
    } else {
        ReportWriter writer(out);
        status = check(writer);
    }
    progress.Finish();
    if (!status) return parser.Failure(err, status.error());
    return counts.value().problems[int(LinkProblem::Missing)] > 0 ? kExitMissing : kExitOk;
}

}  // namespace morv
