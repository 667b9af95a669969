#include "renamer/core/RenamerCli.h"

#include <ctime>
#include <istream>
#include <ostream>
#include <unordered_set>

#include "helpers/core/PathHelpers.h"
#include "helpers/core/TextUtil.h"
#include "renamer/core/BatchOperation.h"
#include "renamer/core/NameTemplate.h"

namespace morv::renamer {

namespace {

enum class Command { Preview, Rename, Copy };

struct CliArgs {
    std::string nameTemplate;
    bool haveTemplate = false;
    std::string start = "0";
    TemplateOptions options;
    bool dryRun = false;
    bool noClobber = false;
    std::string to;
    bool haveTo = false;
    bool help = false;
    std::vector<std::string> files;
};

const char* Usage(Command command) {
    switch (command) {
        case Command::Preview:
            return "Usage: trelo-cli preview TEMPLATE [--start N] [--remove-ext] [--lower-ext] "
                   "FILE...\n"
                   "Prints \"old<TAB>new\" for every file. In TEMPLATE each # is one digit of a "
                   "counter\nthat starts at N (0), and * is the file's old name without its "
                   "extension.\n";
        case Command::Rename:
            return "Usage: trelo-cli rename TEMPLATE [--start N] [--remove-ext] [--lower-ext]\n"
                   "                        [--dry-run] [--no-clobber] FILE...\n"
                   "Renames every file in its own folder. Asks before replacing a file that is "
                   "not\none of FILE... (--no-clobber: never replaces); --dry-run changes "
                   "nothing.\n";
        case Command::Copy:
            return "Usage: trelo-cli copy TEMPLATE --to DIR [--start N] [--remove-ext] "
                   "[--lower-ext]\n"
                   "                      [--dry-run] [--no-clobber] FILE...\n"
                   "Copies every file under its new name into DIR. Asks before creating DIR and "
                   "before\nreplacing a file (--no-clobber: never does either).\n";
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
        } else if (options && command != Command::Preview && arg == "--dry-run") {
            parsed.dryRun = true;
        } else if (options && command != Command::Preview && arg == "--no-clobber") {
            parsed.noClobber = true;
        } else if (options && command == Command::Copy && is("--to")) {
            if (std::string error = value("--to", parsed.to); !error.empty()) return error;
            parsed.haveTo = true;
        } else if (options && arg.size() > 1 && arg[0] == '-') {
            return "unknown option '" + arg + "'";
        } else if (!parsed.haveTemplate) {
            parsed.nameTemplate = arg;
            parsed.haveTemplate = true;
        } else {
            parsed.files.push_back(arg);
        }
    }
    if (parsed.help) return {};
    if (!parsed.haveTemplate) return "a TEMPLATE is needed";
    if (parsed.files.empty()) return "no FILE given";
    if (command == Command::Copy && std::string(TrimBlanks(parsed.to)).empty())
        return "copy needs --to DIR";
    return {};
}

std::string Describe(int64_t size, std::time_t modified) {
    char when[32] = "?";
    struct tm local {};
    if (localtime_r(&modified, &local) != nullptr)
        std::strftime(when, sizeof when, "%Y-%m-%d %H:%M", &local);
    return std::to_string(size) + " bytes, " + when;
}

// Asks on the terminal; the end of input is a Cancel (or a No for a folder).
class TerminalQuestions : public BatchQuestions {
  public:
    TerminalQuestions(std::istream& in, std::ostream& err) : in_(in), err_(err) {}

    ReplaceAnswer AskReplace(const ReplaceQuestion& q) override {
        for (;;) {
            err_ << "'" << q.target << "' exists (" << Describe(q.targetSize, q.targetModified)
                 << ").\nReplace it with '" << q.source << "' ("
                 << Describe(q.sourceSize, q.sourceModified)
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

    // The list: each path once, in the order given.
    std::vector<FileEntry> entries;
    std::unordered_set<std::string> seen;
    for (const std::string& file : parsed.files)
        if (seen.insert(file).second) entries.push_back(MakeFileEntry(file));

    if (Status preview = ShowPreview(entries, parsed.nameTemplate, parsed.start, parsed.options);
        !preview) {
        err << "trelo-cli: " << preview.error().description << ".\n";
        return kExitFailed;
    }
    if (command == Command::Preview) {
        for (const FileEntry& entry : entries)
            out << entry.fullPath << '\t' << entry.newName << '\n';
        return kExitOk;
    }

    const BatchMode mode = command == Command::Rename ? BatchMode::Move : BatchMode::Copy;
    const std::string destination(TrimBlanks(parsed.to));
    std::vector<BatchItem> items;
    items.reserve(entries.size());
    for (const FileEntry& entry : entries) {
        std::string folder =
            mode == BatchMode::Move ? GetFolderName(entry.fullPath, false) : destination;
        if (mode == BatchMode::Move && folder.empty())
            folder = entry.fullPath.front() == kPathSeparator ? "/" : ".";
        items.push_back({entry.fullPath, folder, entry.newName});
    }

    TerminalQuestions terminal(in, err);
    NoClobberQuestions noClobber;
    BatchQuestions& questions =
        parsed.noClobber ? static_cast<BatchQuestions&>(noClobber) : terminal;
    BatchOptions options;
    options.dryRun = parsed.dryRun;
    BatchResult result = RunBatch(mode, items, questions, NoProgress(), options);

    if (!result.problems.empty()) {
        err << "trelo-cli: " << DescribeResult(mode, items, result) << "\n";
        return kExitFailed;
    }
    if (parsed.dryRun) {
        bool clean = true;
        for (size_t i = 0; i < items.size(); ++i) {
            out << items[i].source << '\t' << items[i].newName << '\n';
            const ItemOutcome& outcome = result.items[i];
            if (outcome.state == ItemState::Failed) {
                err << "trelo-cli: '" << items[i].source << "': " << outcome.reason << "\n";
                clean = false;
            } else if (!outcome.reason.empty()) {
                err << "trelo-cli: '" << items[i].source << "': " << outcome.reason << "\n";
            }
        }
        return clean ? kExitOk : kExitFailed;
    }
    if (result.ok()) {
        out << DescribeResult(mode, items, result) << "\n";
        return kExitOk;
    }
    err << "trelo-cli: " << DescribeResult(mode, items, result, size_t(-1)) << "\n";
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

std::vector<CliCommand> RenamerCliCommands() {
    return {
        {"preview", "preview TEMPLATE [--start N] [--remove-ext] [--lower-ext] FILE...",
         RunPreviewCommand},
        {"rename", "rename TEMPLATE [options] [--dry-run] [--no-clobber] FILE...",
         RunRenameCommand},
        {"copy", "copy TEMPLATE --to DIR [options] [--dry-run] [--no-clobber] FILE...",
         RunCopyCommand},
    };
}

}  // namespace morv::renamer
