#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "helpers/core/CliCommand.h"
#include "sections/core/SectionsCli.h"

using namespace morv;

namespace {

struct CliRun {
    int exit;
    std::string out, err;
};

CliRun RunWith(CliMain command, std::vector<std::string> args, const std::string& input) {
    std::istringstream in(input);
    std::ostringstream out, err;
    const int exit = command(args, in, out, err);
    return {exit, out.str(), err.str()};
}

TEST(SectionsCli, Filters) {
    struct Row {
        const char* name;
        CliMain command;
        std::vector<std::string> args;
        std::string in;
        int exit;
        std::string out;
    } rows[] = {
        // The editor holds lone LF and lone CR as CR LF, so the offsets in the keys do too.
        {"LF report",
         &RunSectionsCommand,
         {},
         "x\n[FILE = \"/a/b.htm\"]\n",
         kExitOk,
         "/a/b.htm_11\tb.htm\t/a/b.htm\n"},
        {"fields escaped",
         &RunSectionsCommand,
         {"-"},
         "[FILE \"/a\tb\\c\nd",
         kExitOk,
         "/a\\tb\\\\c\\r\\nd_6\ta\\tb\\\\c\\r\\nd\t/a\\tb\\\\c\\r\\nd\n"},
        {"remove-sections on LF text",
         &RunRemoveSectionsCommand,
         {},
         "[LINK]\nx\n\n",
         kExitOk,
         "x\r\n\r\n"},
        {"remove-empty on mixed breaks",
         &RunRemoveEmptyCommand,
         {},
         "a\n\nb\r\rc",
         kExitOk,
         "a\r\nb\r\nc\r\n"},
        {"two files", &RunRemoveEmptyCommand, {"a", "b"}, "", kExitUsage, ""},
        {"unknown option", &RunRemoveSectionsCommand, {"--x"}, "", kExitUsage, ""},
        {"missing file",
         &RunSectionsCommand,
         {"/nonexistent/morv-report.txt"},
         "",
         kExitFailed,
         ""},
    };
    for (const Row& row : rows) {
        const CliRun run = RunWith(row.command, row.args, row.in);
        EXPECT_EQ(run.exit, row.exit) << row.name;
        EXPECT_EQ(run.out, row.out) << row.name;
        EXPECT_EQ(run.err.empty(), row.exit == kExitOk) << row.name;
    }
}

}  // namespace
