#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "helpers/core/CliCommand.h"
#include "helpers/core/CliParser.h"

using namespace morv;

namespace {

// One command of every kind of declaration; what it read, joined in command-line order.
struct Parsed {
    bool flag = false;
    std::string option, argument, order;
    int status = -1;  // -1: the command goes on
    std::string out, err;
};

Parsed ParseWith(const std::vector<std::string>& args) {
    Parsed p;
    CliParser parser("tool", "cmd", "Does things.");
    parser.Flag("--flag", p.flag, "a flag")
        .Option("-o,--output", "FILE", p.option, "an option")
        .NotBlank()
        .Options(
            "--add", "ITEM", [&p](const std::string& v) { p.order += "add:" + v + " "; },
            "repeated")
        .Argument("NAME", p.argument, "the name")
        .Required()
        .Arguments(
            "REST", [&p](const std::string& v) { p.order += "rest:" + v + " "; }, "more");
    std::ostringstream out, err;
    if (const auto status = parser.Parse(args, out, err)) p.status = *status;
    p.out = out.str();
    p.err = err.str();
    return p;
}

TEST(CliParser, ReadsEveryFormInCommandLineOrder) {
    const struct {
        const char* name;
        std::vector<std::string> args;
        bool flag;
        std::string option, argument, order;
    } rows[] = {
        {"options after arguments", {"n", "r1", "--flag", "-o", "f"}, true, "f", "n", "rest:r1 "},
        {"--name=value and -nvalue", {"--output=a", "-ob", "n"}, false, "b", "n", ""},
        {"repeated values interleaved",
         {"--add", "1", "n", "r", "--add=2"},
         false,
         "",
         "n",
         "add:1 rest:r add:2 "},
        {"-- ends the options", {"n", "--", "--flag", "-"}, false, "", "n", "rest:--flag rest:- "},
        {"a value that looks like an option", {"-o", "--flag", "n"}, false, "--flag", "n", ""},
        {"empty and dash arguments", {"", "-"}, false, "", "", "rest:- "},
    };
    for (const auto& row : rows) {
        const Parsed p = ParseWith(row.args);
        EXPECT_EQ(p.status, -1) << row.name << ": " << p.err;
        EXPECT_EQ(p.flag, row.flag) << row.name;
        EXPECT_EQ(p.option, row.option) << row.name;
        EXPECT_EQ(p.argument, row.argument) << row.name;
        EXPECT_EQ(p.order, row.order) << row.name;
    }
}

TEST(CliParser, UsageErrorsNameTheCommandAndExitTwo) {
    const struct {
        const char* name;
        std::vector<std::string> args;
        std::string message;
    } rows[] = {
        {"unknown long option", {"n", "--fast"}, "unknown option '--fast'"},
        {"unknown short option", {"-x", "n"}, "unknown option '-x'"},
        {"missing value at the end", {"n", "-o"}, "-o needs a value"},
        {"missing value of --name=", {"n", "--add"}, "--add needs a value"},
        {"blank value", {"n", "--output= "}, "-o needs a value"},
        {"missing argument", {"--flag"}, "missing NAME"},
        {"a flag with a value", {"n", "--flag=no"}, "--flag takes no value"},
    };
    for (const auto& row : rows) {
        const Parsed p = ParseWith(row.args);
        EXPECT_EQ(p.status, kExitUsage) << row.name;
        EXPECT_EQ(p.err, "tool cmd: " + row.message + "\nTry 'tool cmd --help'.\n") << row.name;
    }
}

TEST(CliParser, HelpComesFromTheDeclarations) {
    const Parsed p = ParseWith({"n", "--help"});
    EXPECT_EQ(p.status, kExitOk);
    EXPECT_EQ(p.out,
              "Usage: tool cmd [--flag] [-o FILE] [--add ITEM]... NAME [REST...]\n"
              "\n"
              "Does things.\n"
              "\n"
              "Arguments:\n"
              "  NAME               the name\n"
              "  REST...            more\n"
              "\n"
              "Options:\n"
              "  --flag             a flag\n"
              "  -o, --output FILE  an option\n"
              "  --add ITEM         repeated\n"
              "  -h, --help         show this help\n");
    EXPECT_EQ(ParseWith({"--", "-h"}).status, -1) << "-h after -- is an argument";
}

}  // namespace
