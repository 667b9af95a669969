#include "renamer/core/RenamerCli.h"

#include <algorithm>
#include <ctime>
#include <istream>
#include <optional>
#include <ostream>
#include <unordered_set>

#include "helpers/core/PathHelpers.h"
#include "helpers/core/StopSignals.h"
#include "helpers/core/TextUtil.h"
#include "renamer/core/BatchOperation.h"
#include "renamer/core/BatchRecovery.h"
#include "renamer/core/NameTemplate.h"
#include "renamer/core/RenameList.h"
#include "renamer/core/SiteBatch.h"

namespace morv::renamer {

namespace {

enum class Command { Preview, Rename, Copy, Recover, Undo };

std::function<int(size_t, std::string_view)> gStepHook;

struct CliArgs {
    std::string nameTemplate;
    bool haveTemplate = false;
    std::string start = "0";
    TemplateOptions options;
    bool dryRun = false;
    bool noClobber = false;
    bool nulSeparated = false;
    bool finish = false;
    std::string to;
    bool haveTo = false;
    std::string site;  // --update-links
    bool haveSite = false;
    std::vector<std::string> urls;
    bool help = false;
    std::vector<std::string> files;
};

const char* Usage(Command command) {
    switch (command) {
        case Command::Preview:
            return "Usage: trelo-cli preview TEMPLATE [--start N] [--remove-ext] [--lower-ext] "
                   "[-z] "
                   "FILE...\n"
                   "Prints \"old<TAB>new\" for every file (-z: old and new each end in a NUL). In\n"
                   "TEMPLATE each # is one digit of a counter that starts at N (0), and * is the\n"
                   "file's old name without its extension. Exits 1 when rename would refuse a "
                   "name.\n";
        case Command::Rename:
            return "Usage: trelo-cli rename TEMPLATE [--start N] [--remove-ext] [--lower-ext]\n"
                   "                        [--update-links DIR [--url ADDRESS]...]\n"
                   "                        [--dry-run] [--no-clobber] FILE...\n"
                   "Renames every file in its own folder. Asks before replacing a file that is "
                   "not\none of FILE... (--no-clobber: never replaces); --dry-run changes "
                   "nothing.\n"
                   "--update-links rewrites the links to the files in the pages of the site "
                   "folder DIR\n(ADDRESS: one of the site's own addresses); --dry-run prints "
                   "them as\n\"page<TAB>old<TAB>new\" lines after the names.\n";
        case Command::Copy:
            return "Usage: trelo-cli copy TEMPLATE --to DIR [--start N] [--remove-ext] "
                   "[--lower-ext]\n"
                   "                      [--update-links DIR [--url ADDRESS]...]\n"
                   "                      [--dry-run] [--no-clobber] FILE...\n"
                   "Copies every file under its new name into DIR. Asks before creating DIR and "
                   "before\nreplacing a file (--no-clobber: never does either). --update-links "
                   "rewrites the\nrelative links of the copied pages for their new folder.\n";
        case Command::Recover:
            return "Usage: trelo-cli recover [--finish]\n"
                   "Puts right a batch that was stopped part way by a crash: turns it back, so "
                   "that\nevery file has the name it had before the batch (--finish: completes "
                   "it).\n";
        case Command::Undo:
            return "Usage: trelo-cli undo [--dry-run]\n"
                   "Turns the last batch back: renamed files get their old names again, copies "
                   "are\ndeleted while each is still the file the batch wrote. Run again, it "
                   "undoes\nthe batch before (the last ten are kept).\n";
    }
    return "";
}

// Parses the arguments of one subcommand; "" or the usage error.
std::string Parse(Command command, const std::vector<std::string>& args, CliArgs& parsed) {
    bool options = true;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        auto value = [&](const char* name, std::string& into) -> std::string {
            const std::string prefix = std::string(name) + "=";
            if (arg.rfind(prefix, 0) == 0) {
                into = arg.substr(prefix.size());
                return {};
            }
            if (i + 1 >= args.size()) return std::string(name) + " needs a value";
            into = args[++i];
            return {};
        };
        auto is = [&](const char* name) {
            return arg == name || arg.rfind(std::string(name) + "=", 0) == 0;
        };
        if (options && arg == "--") {
            options = false;
        } else if (options && (arg == "--help" || arg == "-h")) {
            parsed.help = true;
        } else if (options && is("--start")) {
            if (std::string error = value("--start", parsed.start); !error.empty()) return error;
        } else if (options && arg == "--remove-ext") {
            parsed.options.removeExtension = true;
        } else if (options && arg == "--lower-ext") {
            parsed.options.lowerExtension = true;
        } else if (options && command == Command::Preview && arg == "-z") {
            parsed.nulSeparated = true;
        } else if (options && command == Command::Recover && arg == "--finish") {
            parsed.finish = true;
        } else if (options && command != Command::Preview && command != Command::Recover &&
                   arg == "--dry-run") {
            parsed.dryRun = true;
        } else if (options && (command == Command::Rename || command == Command::Copy) &&
                   arg == "--no-clobber") {
            parsed.noClobber = true;
        } else if (options && command == Command::Copy && is("--to")) {
            if (std::string error = value("--to", parsed.to); !error.empty()) return error;
            parsed.haveTo = true;
        } else if (options && (command == Command::Rename || command == Command::Copy) &&
                   is("--update-links")) {
            if (std::string error = value("--update-links", parsed.site); !error.empty())
                return error;
            parsed.haveSite = true;
        } else if (options && (command == Command::Rename || command == Command::Copy) &&
                   is("--url")) {
            std::string url;
            if (std::string error = value("--url", url); !error.empty()) return error;
            parsed.urls.push_back(std::move(url));
        } else if (options && arg.size() > 1 && arg[0] == '-') {
            return "unknown option '" + arg + "'";
        } else if (command == Command::Recover || command == Command::Undo) {
            return "unexpected argument '" + arg + "'";
        } else if (!parsed.haveTemplate) {
            parsed.nameTemplate = arg;
            parsed.haveTemplate = true;
        } else {
            parsed.files.push_back(arg);
        }
    }
    if (parsed.help || command == Command::Recover || command == Command::Undo) return {};
    if (!parsed.haveTemplate) return "a TEMPLATE is needed";
    if (parsed.files.empty()) return "no FILE given";
    if (command == Command::Copy && std::string(TrimBlanks(parsed.to)).empty())
        return "copy needs --to DIR";
    if (parsed.haveSite && parsed.site.empty()) return "--update-links needs a folder";
    if (!parsed.urls.empty() && !parsed.haveSite) return "--url goes with --update-links DIR";
    return {};
}

std::string Describe(int64_t size, std::time_t modified) {
    if (size < 0) return "its file is missing";
    char when[32] = "?";
    struct tm local {};
    if (localtime_r(&modified, &local) != nullptr)
        std::strftime(when, sizeof when, "%Y-%m-%d %H:%M", &local);
    return std::to_string(size) + " bytes, " + when;
}

std::string DescribeTarget(const ReplaceQuestion& q) {
    if (!q.targetIsLink) return Describe(q.targetSize, q.targetModified);
    return "a symbolic link to '" + q.linkTarget + "', " + Describe(q.targetSize, q.targetModified);
}

// The exit status of a command that a signal stopped, as a shell gives it.
int SignalStatus(int signal) {
    return 128 + signal;
}

// Says that a batch was interrupted; true when it keeps command from running.
bool StoppedByInterrupted(Command command, bool dryRun, std::ostream& err) {
    const std::vector<JournalState> interrupted = FindInterruptedBatches(JournalFolder());
    if (interrupted.empty()) return false;
    err << "trelo-cli: " << DescribeInterrupted(interrupted.front()) << "\n"
        << "trelo-cli: run 'trelo-cli recover' to turn it back, or 'trelo-cli recover --finish' "
           "to finish it";
    const bool refused = !dryRun && (command == Command::Rename || command == Command::Copy ||
                                     command == Command::Undo);
    err << (refused ? "; no new batch starts until then.\n" : ".\n");
    return refused;
}

// Asks on the terminal; the end of input is a Cancel (or a No for a folder).
class TerminalQuestions : public BatchQuestions {
  public:
    TerminalQuestions(std::istream& in, std::ostream& err) : in_(in), err_(err) {}

    ReplaceAnswer AskReplace(const ReplaceQuestion& q) override {
        for (;;) {
            err_ << "'" << q.target << "' exists (" << DescribeTarget(q) << ").\nReplace it with '"
                 << q.source << "' (" << Describe(q.sourceSize, q.sourceModified)
                 << ")? [y]es / [a]ll / [n]o / [c]ancel: " << std::flush;
            std::string line;
            if (!std::getline(in_, line)) {
                err_ << "\n";
                return ReplaceAnswer::Cancel;
            }
            std::string answer = AsciiLowerCopy(TrimSpacesAndTabs(line));
            if (answer == "y" || answer == "yes") return ReplaceAnswer::Yes;
            if (answer == "a" || answer == "all") return ReplaceAnswer::YesToAll;
            if (answer == "n" || answer == "no") return ReplaceAnswer::No;
            if (answer == "c" || answer == "cancel") return ReplaceAnswer::Cancel;
        }
    }

    bool AskCreateFolder(const std::string& folder) override {
        for (;;) {
            err_ << "The folder '" << folder
                 << "' does not exist. Create it? [y]es / [n]o: " << std::flush;
            std::string line;
            if (!std::getline(in_, line)) {
                err_ << "\n";
                return false;
            }
            std::string answer = AsciiLowerCopy(TrimSpacesAndTabs(line));
            if (answer == "y" || answer == "yes") return true;
            if (answer == "n" || answer == "no") return false;
        }
    }

  private:
    std::istream& in_;
    std::ostream& err_;
};

int Recover(bool finish, std::ostream& out, std::ostream& err) {
    std::vector<JournalState> interrupted = FindInterruptedBatches(JournalFolder());
    if (interrupted.empty()) {
        out << "No interrupted batch was found.\n";
        return kExitOk;
    }
    // Turned back, the newest goes first; finished, the oldest.
    if (finish) std::reverse(interrupted.begin(), interrupted.end());
    int status = kExitOk;
    ScopedStopSignals signals;
    SignalStopObserver stop;
    BatchOptions options;
    options.beforeStep = gStepHook;
    for (const JournalState& state : interrupted) {
        out << DescribeInterrupted(state) << "\n";
        const SettleReport report =
            RecoverBatch(state, finish ? RecoverWay::Finish : RecoverWay::TurnBack, stop, options);
        const std::string text =
            DescribeSettle(report, finish ? "Finished" : "Turned back", size_t(-1));
        (report.ok() ? out : err) << (report.ok() ? "" : "trelo-cli: ") << text << "\n";
        if (StopSignalReceived() != 0) return SignalStatus(StopSignalReceived());
        if (!report.ok()) status = kExitFailed;
    }
    return status;
}

int Undo(bool dryRun, std::ostream& out, std::ostream& err) {
    std::optional<JournalState> last = FindLastBatch(JournalFolder());
    if (!last) {
        err << "trelo-cli: there is no batch to undo\n";
        return kExitFailed;
    }
    ScopedStopSignals signals;
    SignalStopObserver stop;
    BatchOptions options;
    options.beforeStep = gStepHook;
    out << (dryRun ? "An undo of " : "Undoing ") << DescribeBatch(*last)
        << (dryRun ? " would:\n" : ".\n");
    const SettleReport report = UndoBatch(*last, dryRun, stop, options);
    if (!report.refused.empty()) {
        err << "trelo-cli: " << report.refused << "\n";
        return kExitFailed;
    }
    if (dryRun) {
        for (const std::string& line : report.would)
            out << line << "\n";
        for (const std::string& line : report.left)
            err << "trelo-cli: " << line << "\n";
        return report.left.empty() ? kExitOk : kExitFailed;
    }
    const std::string text = DescribeSettle(report, "Undone", size_t(-1));
    (report.ok() ? out : err) << (report.ok() ? "" : "trelo-cli: ") << text << "\n";
    if (StopSignalReceived() != 0) return SignalStatus(StopSignalReceived());
    return report.ok() ? kExitOk : kExitFailed;
}

// A dry run's items that would not be moved or copied.
bool AnyNotDone(const BatchResult& result) {
    for (const ItemOutcome& item : result.items)
        if (item.state == ItemState::Failed || item.state == ItemState::Skipped ||
            item.reason.rfind(kWouldReplace, 0) == 0)
            return true;
    return false;
}

int Preview(const std::vector<FileEntry>& entries, size_t made, const CliArgs& parsed,
            std::ostream& out, std::ostream& err) {
    const char end = parsed.nulSeparated ? '\0' : '\n';
    for (size_t i = 0; i < made; ++i)
        out << entries[i].fullPath << (parsed.nulSeparated ? '\0' : '\t') << entries[i].newName
            << end;
    // The names rename would refuse.
    const std::vector<FileEntry> named(entries.begin(), entries.begin() + ptrdiff_t(made));
    const BatchPlan plan =
        PlanBatch(BatchMode::Move, MakeBatchItems(BatchMode::Move, named, {}, ListPaths::AsGiven));
    for (const std::string& problem : plan.problems)
        err << "trelo-cli: " << problem << "\n";
    return plan.problems.empty() ? kExitOk : kExitFailed;
}

int Run(Command command, const std::vector<std::string>& args, std::istream& in, std::ostream& out,
        std::ostream& err) {
    CliArgs parsed;
    if (std::string error = Parse(command, args, parsed); !error.empty()) {
        err << "trelo-cli: " << error << "\n" << Usage(command);
        return kExitUsage;
    }
    if (parsed.help) {
        out << Usage(command);
        return kExitOk;
    }
    if (command == Command::Recover) return Recover(parsed.finish, out, err);
    if (StoppedByInterrupted(command, parsed.dryRun, err)) return kExitFailed;
    if (command == Command::Undo) return Undo(parsed.dryRun, out, err);

    // The list: each path once, in the order given.
    std::vector<FileEntry> entries;
    std::unordered_set<std::string> seen;
    for (const std::string& file : parsed.files)
        if (seen.insert(file).second) entries.push_back(MakeFileEntry(file));

    size_t made = 0;
    if (Status preview =
            ShowPreview(entries, parsed.nameTemplate, parsed.start, parsed.options, &made);
        !preview) {
        // The names made before the failure are shown, as the window keeps them.
        if (command == Command::Preview) Preview(entries, made, parsed, out, err);
        err << "trelo-cli: " << preview.error().description << ".\n";
        return kExitFailed;
    }
    if (command == Command::Preview) return Preview(entries, made, parsed, out, err);

    const BatchMode mode = command == Command::Rename ? BatchMode::Move : BatchMode::Copy;
    const std::vector<BatchItem> items =
        MakeBatchItems(mode, entries, TrimBlanks(parsed.to), ListPaths::CurrentFolder);

    TerminalQuestions terminal(in, err);
    NoClobberQuestions noClobber;
    BatchQuestions& questions =
        parsed.noClobber ? static_cast<BatchQuestions&>(noClobber) : terminal;
    BatchOptions options;
    options.dryRun = parsed.dryRun;
    options.beforeStep = gStepHook;
    ScopedStopSignals signals;
    SignalStopObserver stop;

    // The links of the site, planned before anything is asked or touched.
    LinkUpdatePlan links;
    if (parsed.haveSite) {
        const SiteLinks site{AbsolutePath(parsed.site), parsed.urls};
        Result<LinkUpdatePlan> planned = PlanSiteLinks(mode, items, site, stop);
        if (!planned) {
            if (const int signal = StopSignalReceived(); signal != 0) return SignalStatus(signal);
            err << "trelo-cli: " << planned.error().description << "\n";
            return kExitFailed;
        }
        links = std::move(planned.value());
        for (const UnsafeLink& link : links.unsafe)
            err << "trelo-cli: '" << link.page << "': '" << link.text
                << "' is not rewritten: " << DescribeUnsafe(link.reason) << "\n";
    }
    const SiteBatchResult site =
        RunSiteBatch(JournalFolder(), mode, items, links, questions, stop, options);
    const BatchResult& result = site.batch;

    if (!result.problems.empty()) {
        err << "trelo-cli: " << DescribeResult(mode, items, result) << "\n";
        return kExitFailed;
    }
    if (parsed.dryRun) {
        bool clean = true;
        for (size_t i = 0; i < items.size(); ++i) {
            out << entries[i].fullPath << '\t' << items[i].newName << '\n';
            const ItemOutcome& outcome = result.items[i];
            if (outcome.state == ItemState::Failed || outcome.state == ItemState::Skipped) {
                err << "trelo-cli: '" << entries[i].fullPath << "': " << outcome.reason << "\n";
                clean = false;
            } else if (!outcome.reason.empty()) {
                err << "trelo-cli: '" << entries[i].fullPath << "': " << outcome.reason << "\n";
            }
        }
        if (parsed.haveSite) {
            WriteLinkEditLines(links, out);
            err << "trelo-cli: " << DescribeLinkCounts(links.counts) << " would change\n";
            // A file kept where its new name is would refuse the batch.
            clean = clean && (links.pages.empty() || !AnyNotDone(result));
        }
        return clean ? kExitOk : kExitFailed;
    }
    const std::string text = DescribeSiteResult(mode, items, site, size_t(-1));
    if (const int signal = StopSignalReceived(); signal != 0) {
        err << "trelo-cli: stopped by " << StopSignalName(signal) << ": " << text << "\n";
        return SignalStatus(signal);
    }
    if (site.ok()) {
        out << DescribeSiteResult(mode, items, site) << "\n";
        return kExitOk;
    }
    err << "trelo-cli: " << text << "\n";
    return kExitFailed;
}

}  // namespace

int RunPreviewCommand(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                      std::ostream& err) {
    return Run(Command::Preview, args, in, out, err);
}

int RunRenameCommand(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                     std::ostream& err) {
    return Run(Command::Rename, args, in, out, err);
}

int RunCopyCommand(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                   std::ostream& err) {
    return Run(Command::Copy, args, in, out, err);
}

int RunRecoverCommand(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                      std::ostream& err) {
    return Run(Command::Recover, args, in, out, err);
}

int RunUndoCommand(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                   std::ostream& err) {
    return Run(Command::Undo, args, in, out, err);
}

void SetCliStepHook(std::function<int(size_t item, std::string_view step)> hook) {
    gStepHook = std::move(hook);
}

std::vector<CliCommand> RenamerCliCommands() {
    return {
        {"preview", "preview TEMPLATE [--start N] [--remove-ext] [--lower-ext] [-z] FILE...",
         RunPreviewCommand},
        {"rename",
         "rename TEMPLATE [options] [--update-links DIR [--url ADDRESS]...] [--dry-run] "
         "[--no-clobber] FILE...",
         RunRenameCommand},
        {"copy",
         "copy TEMPLATE --to DIR [options] [--update-links DIR [--url ADDRESS]...] [--dry-run] "
         "[--no-clobber] FILE...",
         RunCopyCommand},
        {"recover", "recover [--finish]  turn back (or finish) a batch that a crash stopped",
         RunRecoverCommand},
        {"undo", "undo [--dry-run]  turn the last batch back", RunUndoCommand},
    };
}

}  // namespace morv::renamer
