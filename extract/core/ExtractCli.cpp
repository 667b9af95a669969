#include "extract/core/ExtractCli.h"

#include <cerrno>
#include <iostream>

#include "extract/core/FindFiles.h"
#include "extract/core/ListFile.h"
#include "extract/core/Report.h"
#include "helpers/core/CliCommand.h"
#include "helpers/core/FileIo.h"
#include "helpers/core/TextUtil.h"

namespace morv {

namespace {

const char* const kKindNames[kTagKindCount] = {"script", "style", "link", "image", "email"};

const char kExtractHelp[] =
    "Usage: morv-cli extract [OPTIONS] [FILE...]\n"
    "\n"
    "Extracts the script and style elements, link targets, image sources and e-mail\n"
    "addresses of HTML files into one report: a block per file opened by [FILE = \"path\"],\n"
    "a section per kind. The files are taken in the order given: --list and --scan entries\n"
    "where those options stand, FILE arguments where they stand.\n"
    "\n"
    "Options:\n"
    "  --kinds LIST    kinds to extract, comma-separated: script,style,link,image,email\n"
    "                  (default: all five)\n"
    "  --no-relative   links and images: only http: and ftp: addresses\n"
    "  --no-headers    no [FILE], section header or warning lines\n"
    "  --list FILE     add the paths of a list file (.mrk: one path per CR LF line)\n"
    "  --scan DIR      add the .htm and .html documents below DIR\n"
    "  -o REPORT       write the report to REPORT (replaced only when the run succeeds;\n"
    "                  a device or named pipe is written into); default: standard output\n"
    "  -h, --help      show this help\n"
    "\n"
    "Exit status: 0 success, 1 failed run (also when no documents are found), 2 bad usage.\n";

const char kScanHelp[] =
    "Usage: morv-cli scan DIR\n"
    "\n"
    "Prints the .htm and .html documents below DIR, one path per line, depth first, in\n"
    "the order the folder scan of the Extract dialog lists them. Links to folders are not\n"
    "followed.\n"
    "\n"
    "Exit status: 0 success, 1 failed run, 2 bad usage.\n";

constexpr const char* kWho = "morv-cli extract";

int Usage(std::ostream& err, const std::string& command, const std::string& message) {
    err << "morv-cli " << command << ": " << message << "\n"
        << "Try 'morv-cli " << command << " --help'.\n";
    return kExitUsage;
}

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
    std::string output;
    bool optionsEnd = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        auto value = [&](const char* name, std::string& into) -> bool {
            std::string prefix = std::string(name) + "=";
            if (arg.rfind(prefix, 0) == 0) {
                into = arg.substr(prefix.size());
                return true;
            }
            if (i + 1 >= args.size()) return false;
            into = args[++i];
            return true;
        };
        std::string v;
        if (optionsEnd || arg == "-" || arg.empty() || arg[0] != '-') {
            sources.push_back({Source::File, arg});
        } else if (arg == "--") {
            optionsEnd = true;
        } else if (arg == "-h" || arg == "--help") {
            out << kExtractHelp;
            return kExitOk;
        } else if (arg == "--no-relative") {
            options.noRelativeLinks = true;
        } else if (arg == "--no-headers") {
            options.noHeaders = true;
        } else if (arg == "--kinds" || arg.rfind("--kinds=", 0) == 0) {
            if (!value("--kinds", v)) return Usage(err, "extract", "--kinds needs a list");
            if (!ParseKinds(v, options))
                return Usage(err, "extract",
                             "unknown kind in '" + v + "' (script, style, link, image, email)");
        } else if (arg == "--list" || arg.rfind("--list=", 0) == 0) {
            if (!value("--list", v)) return Usage(err, "extract", "--list needs a file");
            sources.push_back({Source::List, v});
        } else if (arg == "--scan" || arg.rfind("--scan=", 0) == 0) {
            if (!value("--scan", v)) return Usage(err, "extract", "--scan needs a folder");
            sources.push_back({Source::Scan, v});
        } else if (arg == "-o" || arg == "--output" || arg.rfind("--output=", 0) == 0) {
            if (!value("--output", v) || v.empty())
                return Usage(err, "extract", "-o needs a file name");
            output = v;
        } else {
            return Usage(err, "extract", "unknown option '" + arg + "'");
        }
    }

    if (sources.empty()) return Usage(err, "extract", "no files to extract");

    InterruptGuard interrupts;
    InterruptOnly interruptOnly;
    // A list may come from a pipe (--list <(find ...)): read as a stream, up to the tools' limit.
    const ReadOptions listOptions{ToolInputLimit(), true,
                                  [&interruptOnly] { return interruptOnly.ShouldStop(); }};
    std::vector<std::string> files;
    for (const Source& source : sources) {
        if (source.kind == Source::File) {
            files.push_back(source.value);
        } else if (source.kind == Source::List) {
            Result<std::vector<std::string>> list = ReadListFile(source.value, listOptions);
            if (!list) return ReportFailure(err, kWho, list.error());
            files.insert(files.end(), list.value().begin(), list.value().end());
        } else {
            Status walked = FindFiles(
                source.value, [&files](const std::string& path) { files.push_back(path); },
                interruptOnly);
            if (!walked) return ReportFailure(err, kWho, walked.error());
        }
    }
    if (files.empty()) return ReportFailure(err, kWho, Error{ENOENT, "", "no documents found"});

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
    return status ? kExitOk : ReportFailure(err, kWho, status.error());
}

int RunScanCommand(const std::vector<std::string>& args, std::istream& /*in*/, std::ostream& out,
                   std::ostream& err) {
    std::string folder;
    bool haveFolder = false, optionsEnd = false;
    for (const std::string& arg : args) {
        if (!optionsEnd && (arg == "-h" || arg == "--help")) {
            out << kScanHelp;
            return kExitOk;
        }
        if (!optionsEnd && arg == "--") {
            optionsEnd = true;
        } else if (!optionsEnd && arg.size() > 1 && arg[0] == '-') {
            return Usage(err, "scan", "unknown option '" + arg + "'");
        } else if (haveFolder) {
            return Usage(err, "scan", "one folder only");
        } else {
            folder = arg;
            haveFolder = true;
        }
    }
    if (!haveFolder || folder.empty()) return Usage(err, "scan", "which folder?");

    InterruptGuard interrupts;
    InterruptOnly progress;
    Status walked = FindFiles(
        folder, [&out](const std::string& path) { out << path << '\n'; }, progress);
    out.flush();
    if (!walked) return ReportFailure(err, "morv-cli scan", walked.error());
    if (!out) return ReportFailure(err, "morv-cli scan", OutputError(StreamErrno(out)));
    return kExitOk;
}

}  // namespace morv
