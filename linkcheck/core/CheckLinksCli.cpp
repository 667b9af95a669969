#include "linkcheck/core/CheckLinksCli.h"

#include <iostream>
#include <memory>

#include "helpers/core/CliCommand.h"
#include "linkcheck/core/LinkCheck.h"

namespace morv {

namespace {

constexpr int kExitMissing = 1;  // as a failed run: scripts tell them apart by the message

const char kHelp[] =
    "Usage: morv-cli check-links DIR [OPTIONS]\n"
    "\n"
    "Checks every link and image source of the .htm and .html documents below DIR against\n"
    "the files below DIR, resolved as a browser resolves them, and reports the links whose\n"
    "target is missing, is there only in other letter case, or lies outside DIR.\n"
    "\n"
    "Options:\n"
    "  --url ADDRESS    an address of the site itself, such as http://www.example.org/;\n"
    "                   links starting with it are checked on disk too (may be repeated)\n"
    "  --index NAMES    the documents that answer for a folder, separated by blanks or\n"
    "                   commas (default: index.html index.htm default.htm index.php)\n"
    "  --orphans        also list the documents and images no checked page links to\n"
    "  --format FORMAT  report (default): a block per page with problems, as the editor\n"
    "                   shows it; tsv: one line per problem, page<TAB>link<TAB>kind\n"
    "                   (kind: missing, case, outside or orphan)\n"
    "  -o FILE          write to FILE (replaced only when the check succeeds);\n"
    "                   default: standard output\n"
    "  -h, --help       show this help\n"
    "\n"
    "Exit status: 0 nothing missing, 1 something missing or a check that could not be\n"
    "done (with a message), 2 bad usage.\n";

int Usage(std::ostream& err, const std::string& message) {
    err << "morv-cli check-links: " << message << "\n"
        << "Try 'morv-cli check-links --help'.\n";
    return kExitUsage;
}

}  // namespace

int RunCheckLinksCommand(const std::vector<std::string>& args, std::istream& /*in*/,
                         std::ostream& out, std::ostream& err) {
    LinkCheckOptions options;
    std::string format = "report", output;
    bool haveFolder = false, optionsEnd = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        // The value of an option written "--name VALUE" or "--name=VALUE".
        auto value = [&](const std::string& name, std::string& into) {
            if (arg.starts_with(name + "=")) {
                into = arg.substr(name.size() + 1);
                return true;
            }
            if (arg != name || i + 1 >= args.size()) return false;
            into = args[++i];
            return true;
        };
        auto is = [&](const char* name) {
            return arg == name || arg.starts_with(std::string(name) + "=");
        };
        std::string v;
        if (optionsEnd || arg.empty() || arg[0] != '-' || arg == "-") {
            if (haveFolder) return Usage(err, "one folder only");
            options.folder = arg;
            haveFolder = true;
        } else if (arg == "--") {
            optionsEnd = true;
        } else if (arg == "-h" || arg == "--help") {
            out << kHelp;
            return kExitOk;
        } else if (arg == "--orphans") {
            options.orphans = true;
        } else if (is("--url")) {
            if (!value("--url", v) || v.empty()) return Usage(err, "--url needs an address");
            options.addresses.push_back(v);
        } else if (is("--index")) {
            if (!value("--index", v) || SplitNames(v).empty())
                return Usage(err, "--index needs at least one name");
            options.indexNames = SplitNames(v);
        } else if (is("--format")) {
            if (!value("--format", v) || (v != "report" && v != "tsv"))
                return Usage(err, "--format is report or tsv");
            format = v;
        } else if (arg == "-o" || is("--output")) {
            if (!value(arg == "-o" ? "-o" : "--output", v) || v.empty())
                return Usage(err, "-o needs a file name");
            output = v;
        } else {
            return Usage(err, "unknown option '" + arg + "'");
        }
    }
    if (!haveFolder || options.folder.empty()) return Usage(err, "which folder?");

    InterruptGuard interrupts;
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
    if (!status) {
        err << "morv-cli check-links: "
            << (status.error().number == kUserInterrupt ? "interrupted"
                                                        : status.error().description)
            << "\n";
        return kExitFailed;
    }
    return counts.value().problems[int(LinkProblem::Missing)] > 0 ? kExitMissing : kExitOk;
}

}  // namespace morv
