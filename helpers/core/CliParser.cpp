#include "helpers/core/CliParser.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <map>
#include <ostream>

#include "helpers/core/CliCommand.h"
#include "helpers/core/FileIo.h"
#include "helpers/core/TextUtil.h"

namespace morv {

struct CliParser::Declaration {
    enum Kind { Flag, Option, Options, Argument, Arguments };
    Kind kind = Flag;
    std::string names;  // "-o,--output", or an argument's name
    std::string value;  // the placeholder of an option's value
    std::string help;
    bool* flag = nullptr;
    std::string* into = nullptr;
    std::function<void(const std::string&)> each;
    bool required = false;
    std::vector<std::function<std::string(const std::string&)>> checks;
    CLI::Option* parsed = nullptr;  // while Parse runs

    bool IsArgument() const { return kind == Argument || kind == Arguments; }
    // As the user writes it first: "-o", "--kinds", "FILE".
    std::string Name() const { return names.substr(0, names.find(',')); }
    // "-o, --output REPORT", "FILE...": the left column of the help.
    std::string Entry() const {
        if (IsArgument()) return names + (kind == Arguments ? "..." : "");
        std::string entry = names;
        for (size_t comma = entry.find(','); comma != std::string::npos;
             comma = entry.find(',', comma + 2))
            entry.insert(comma + 1, " ");
        return value.empty() ? entry : entry + " " + value;
    }
    // "[--kinds LIST]", "--root ROOT", "[--url ADDRESS]...", "DIR", "[FILE...]": its place in
    // the synopsis.
    std::string Synopsis() const {
        std::string shown = IsArgument() ? names : Name();
        if (!IsArgument() && !value.empty()) shown += " " + value;
        if (kind == Arguments) shown += "...";
        if (!required) shown = "[" + shown + "]";
        if (kind == Options) shown += "...";
        return shown;
    }
};

CliParser::CliParser(std::string tool, std::string command, std::string about)
    : command_(std::move(command)), who_(tool + " " + command_), about_(std::move(about)) {}

CliParser::~CliParser() = default;

CliParser::Declaration& CliParser::Last() {
    return *declarations_.back();
}

CliParser::Declaration& CliParser::Add(int kind, std::string names, std::string value,
                                       std::string help) {
    auto d = std::make_unique<Declaration>();
    d->kind = Declaration::Kind(kind);
    d->names = std::move(names);
    d->value = std::move(value);
    d->help = std::move(help);
    declarations_.push_back(std::move(d));
    return Last();
}

CliParser& CliParser::Flag(const std::string& names, bool& into, std::string help) {
    Add(Declaration::Flag, names, "", std::move(help)).flag = &into;
    return *this;
}

CliParser& CliParser::Option(const std::string& names, std::string value, std::string& into,
                             std::string help) {
    Add(Declaration::Option, names, std::move(value), std::move(help)).into = &into;
    return *this;
}

CliParser& CliParser::Options(const std::string& names, std::string value,
                              std::function<void(const std::string&)> each, std::string help) {
    Add(Declaration::Options, names, std::move(value), std::move(help)).each = std::move(each);
    return *this;
}

CliParser& CliParser::Argument(std::string name, std::string& into, std::string help) {
    Add(Declaration::Argument, std::move(name), "", std::move(help)).into = &into;
    return *this;
}

CliParser& CliParser::Arguments(std::string name, std::function<void(const std::string&)> each,
                                std::string help) {
    Add(Declaration::Arguments, std::move(name), "", std::move(help)).each = std::move(each);
    return *this;
}

CliParser& CliParser::Required() {
    Last().required = true;
    return *this;
}

CliParser& CliParser::Check(std::function<std::string(const std::string&)> check) {
    Last().checks.push_back([name = Last().Name(), check = std::move(check)](const std::string& v) {
        const std::string why = check(v);
        return why.empty() ? why : name + ": " + why;
    });
    return *this;
}

CliParser& CliParser::NotEmpty(bool blankToo) {
    Declaration& d = Last();
    const std::string why =
        d.IsArgument() ? d.Name() + " must not be empty" : d.Name() + " needs a value";
    d.checks.push_back([why, blankToo](const std::string& value) {
        const bool empty = blankToo ? TrimBlanks(value).empty() : value.empty();
        return empty ? why : std::string();
    });
    return *this;
}

CliParser& CliParser::NotBlank() {
    return NotEmpty(true);
}

CliParser& CliParser::Footer(std::string text) {
    footer_ = std::move(text);
    return *this;
}

std::optional<int> CliParser::Parse(const std::vector<std::string>& args, std::ostream& out,
                                    std::ostream& err) {
    for (const std::string& arg : args) {
        if (arg == "--") break;
        if (arg == "-h" || arg == "--help") {
            out << Help();
            return kExitOk;
        }
    }

    // CLI11 splits the command line into options, their values and the arguments; what it does
    // not know is kept (allow_extras) and refused below with this tool's words.
    CLI::App app;
    app.set_help_flag();
    app.allow_extras();
    std::map<const CLI::Option*, Declaration*> byOption;
    for (const auto& d : declarations_) {
        CLI::Option* option =
            d->kind == Declaration::Flag ? app.add_flag(d->names) : app.add_option(d->names);
        option->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
        if (d->kind == Declaration::Arguments) option->expected(0, -1)->allow_extra_args();
        d->parsed = option;
        byOption[option] = d.get();
    }
    std::vector<std::string> reversed(args.rbegin(), args.rend());
    try {
        app.parse(reversed);
    } catch (const CLI::ArgumentMismatch&) {
        // An option takes the word after it whatever it is: only the last one can miss a value.
        const std::string& last = args.back();
        return UsageError(err, last.substr(0, last.find('=')) + " needs a value");
    } catch (const CLI::ParseError& e) {
        return UsageError(err, e.what());
    }
    for (const std::string& extra : app.remaining()) {
        if (extra == "--") continue;  // the end of the options, kept with the extras
        const bool option = extra.size() > 1 && extra[0] == '-';
        return UsageError(err,
                          (option ? "unknown option '" : "unexpected argument '") + extra + "'");
    }
    for (const auto& d : declarations_) {
        if (d->required && d->parsed->count() == 0)
            return UsageError(err, "missing " + d->Synopsis());
        for (const std::string& value : d->parsed->results()) {
            // A flag's results are "true" unless it was written "--flag=value".
            if (d->kind == Declaration::Flag && value != "true")
                return UsageError(err, d->Name() + " takes no value");
            for (const auto& check : d->checks) {
                if (const std::string why = check(value); !why.empty()) return UsageError(err, why);
            }
        }
    }

    for (const auto& d : declarations_) {
        const std::vector<std::string>& results = d->parsed->results();
        if (d->flag != nullptr) *d->flag = d->parsed->count() > 0;
        if (d->into != nullptr && !results.empty()) *d->into = results.back();
    }
    std::map<const CLI::Option*, size_t> taken;
    for (const CLI::Option* option : app.parse_order()) {
        const Declaration* d = byOption.at(option);
        if (d->each) d->each(option->results().at(taken[option]++));
    }
    for (const auto& d : declarations_)
        d->parsed = nullptr;
    return std::nullopt;
}

int CliParser::UsageError(std::ostream& err, const std::string& message) const {
    err << who_ << ": " << message << "\nTry '" << who_ << " --help'.\n";
    return kExitUsage;
}

int CliParser::Failure(std::ostream& err, const Error& error) const {
    return ReportFailure(err, who_, error);
}

int CliParser::WriteOutput(std::ostream& out, std::ostream& err, std::string_view text) const {
    out.write(text.data(), std::streamsize(text.size()));
    out.flush();
    return out ? kExitOk : Failure(err, OutputError(StreamErrno(out)));
}

namespace {

constexpr size_t kHelpWidth = 80;
constexpr size_t kEntryWidth = 20;  // entries longer than this put their text on the next line

// "Usage: " and the synopsis, wrapped between its items.
std::string UsageLines(const std::string& tool, const std::vector<std::string>& items) {
    const std::string indent(4, ' ');
    std::string text = "Usage: " + tool;
    size_t lineStart = 0;
    for (const std::string& item : items) {
        if (text.size() - lineStart + 1 + item.size() > kHelpWidth) {
            text += "\n" + indent;
            lineStart = text.size() - indent.size();
        } else {
            text += " ";
        }
        text += item;
    }
    return text + "\n";
}

// One entry of a list: "  ENTRY   text", the text's further lines under its first.
std::string EntryLines(const std::string& entry, const std::string& help, size_t column) {
    std::string text = "  " + entry;
    if (entry.size() > column - 4) {
        text += "\n" + std::string(column, ' ');
    } else {
        text += std::string(column - 2 - entry.size(), ' ');
    }
    for (const char c : help) {
        text += c;
        if (c == '\n') text += std::string(column, ' ');
    }
    return text + "\n";
}

}  // namespace

std::string CliParser::Help() const {
    std::vector<std::string> items{command_};
    size_t widest = std::string("-h, --help").size();
    for (const auto& d : declarations_) {
        items.push_back(d->Synopsis());
        widest = std::max(widest, std::min(d->Entry().size(), kEntryWidth));
    }
    const size_t column = widest + 4;
    std::string text = UsageLines(who_.substr(0, who_.size() - command_.size() - 1), items);
    if (!about_.empty()) text += "\n" + about_ + "\n";
    for (const bool arguments : {true, false}) {
        std::string list;
        for (const auto& d : declarations_) {
            if (d->IsArgument() == arguments && !d->help.empty())
                list += EntryLines(d->Entry(), d->help, column);
        }
        if (!arguments) list += EntryLines("-h, --help", "show this help", column);
        if (!list.empty())
            text += std::string(arguments ? "\nArguments:\n" : "\nOptions:\n") + list;
    }
    if (!footer_.empty()) text += "\n" + footer_ + "\n";
    return text;
}

}  // namespace morv
