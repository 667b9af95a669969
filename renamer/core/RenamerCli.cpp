#include "renamer/core/RenamerCli.h"

#include <algorithm>
#include <ctime>
#include <istream>
#include <optional>
#include <ostream>
#include <unordered_set>

#include "helpers/core/CliParser.h"
#include "helpers/core/CoreHooks.h"
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

struct CliArgs {
    std::string nameTemplate;
    std::string start = "0";
    TemplateOptions options;
    bool dryRun = false;
    bool noClobber = false;
    bool nulSeparated = false;
    bool finish = false;
    std::string to;
    std::string site;  // --update-links ("": none)
    std::vector<std::string> urls;
    std::vector<std::string> files;
};

const char* const kCommandNames[] = {"preview", "rename", "copy", "recover", "undo"};

const char* About(Command command) {
    switch (command) {
        case Command::Preview:
            return "Prints \"old<TAB>new\" for every file (-z: old and new each end in a NUL). In\n"
                   "TEMPLATE each # is one digit of a counter that starts at N (0), and * is the\n"
                   "file's old name without its extension. Exits 1 when rename would refuse a "
                   "name.";
        case Command::Rename:
            return "Renames every file in its own folder. Asks before replacing a file that is "
                   "not\none of FILE... (--no-clobber: never replaces); --dry-run changes "
                   "nothing.\n"
                   "--update-links rewrites the links to the files in the pages of the site "
                   "folder DIR\n(ADDRESS: one of the site's own addresses); --dry-run prints "
                   "them as\n\"page<TAB>old<TAB>new\" lines after the names.";
        case Command::Copy:
            return "Copies every file under its new name into DIR. Asks before creating DIR and "
                   "before\nreplacing a file (--no-clobber: never does either). --update-links "
                   "rewrites the\nrelative links of the copied pages for their new folder.";
        case Command::Recover:
            return "Puts right a batch that was stopped part way by a crash: turns it back, so "
                   "that\nevery file has the name it had before the batch (--finish: completes "
                   "it).";
        case Command::Undo:
            return "Turns the last batch back: renamed files get their old names again, copies "
                   "are\ndeleted while each is still the file the batch wrote. Run again, it "
                   "undoes\nthe batch before (the last ten are kept).";
    }
    return "";
}

// The options and arguments of one subcommand, read into parsed.
void Declare(Command command, CliParser& parser, CliArgs& parsed) {
    const bool batch = command == Command::Rename || command == Command::Copy;
    if (command == Command::Recover) {
        parser.Flag("--finish", parsed.finish, "complete the batch instead of turning it back");
        return;
    }
    if (command == Command::Undo) {
        parser.Flag("--dry-run", parsed.dryRun, "say what would be done, and do nothing");
        return;
    }
    parser.Argument("TEMPLATE", parsed.nameTemplate, "the name template: # a digit, * the old name")
        .Required();
    if (command == Command::Copy)
        parser.Option("--to", "DIR", parsed.to, "the folder the copies go to")
            .Required()
            .NotBlank();
    parser.Option("--start", "N", parsed.start, "the first number (0)")
        .Flag("--remove-ext", parsed.options.removeExtension,
              "do not append the original extension")
        .Flag("--lower-ext", parsed.options.lowerExtension,
              "append the original extension in lower case");
    if (command == Command::Preview)
        parser.Flag("-z", parsed.nulSeparated,
                    "end each name in a NUL instead of a tab or line break");
    if (batch) {
        parser
            .Option("--update-links", "DIR", parsed.site,
                    "also rewrite the links to the files in the pages of the site folder DIR")
            .NotEmpty()
            .Options(
                "--url", "ADDRESS",
                [&parsed](const std::string& url) { parsed.urls.push_back(url); },
                "one of the site's own addresses (with --update-links; may be repeated)")
            .Flag("--dry-run", parsed.dryRun, "print what would be done, and do nothing")
            .Flag("--no-clobber", parsed.noClobber, "never replace an existing file");
    }
    parser
        .Arguments(
            "FILE", [&parsed](const std::string& file) { parsed.files.push_back(file); },
            "a file to rename")
        .Required();
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
    options.beforeStep = CurrentCoreHooks().batchStep;
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
    options.beforeStep = CurrentCoreHooks().batchStep;
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
    CliParser parser("trelo-cli", kCommandNames[int(command)], About(command));
    Declare(command, parser, parsed);
    parser.Footer("Exit status: 0 success, 1 failed run, 2 bad usage, 128+N stopped by signal N.");
    if (const std::optional<int> status = parser.Parse(args, out, err)) return *status;
    const bool haveSite = !parsed.site.empty();
    if (!parsed.urls.empty() && !haveSite)
        return parser.UsageError(err, "--url goes with --update-links DIR");
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
    options.beforeStep = CurrentCoreHooks().batchStep;
    ScopedStopSignals signals;
    SignalStopObserver stop;

    // The links of the site, planned before anything is asked or touched.
    LinkUpdatePlan links;
    if (haveSite) {
        const SiteLinks site{AbsolutePath(parsed.site), parsed.urls};
        Result<LinkUpdatePlan> planned = PlanSiteLinks(mode, items, site, stop);
        if (!planned) {
            if (const int signal = StopSignalReceived(); signal != 0) return SignalStatus(signal);
            err << "trelo-cli: " << planned.error().description << "\n";
            return kExitFailed;
        }
        links = std::move(planned.value());
        // In one piece: thousands of lines go to an unbuffered stream otherwise a few words
        // at a time.
        std::string listed;
        for (const UnsafeLink& link : links.unsafe) {
            ((((listed += "trelo-cli: '") += link.page) += "': '") += link.text) +=
                "' is not rewritten: ";
            (listed += DescribeUnsafe(link.reason)) += '\n';
        }
        err << listed;
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
        if (haveSite) {
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

std::vector<CliCommand> RenamerCliCommands() {
    return {
        {"preview", "print the new names", RunPreviewCommand},
        {"rename", "rename the files", RunRenameCommand},
        {"copy", "copy the files under their new names", RunCopyCommand},
        {"recover", "turn back (or finish) a batch that a crash stopped", RunRecoverCommand},
        {"undo", "turn the last batch back", RunUndoCommand},
    };
}

}  // namespace morv::renamer
