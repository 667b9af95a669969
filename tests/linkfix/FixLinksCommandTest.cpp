#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "helpers/core/CliCommand.h"
#include "helpers/core/SystemFolder.h"
#include "linkfix/core/FixLinksCommand.h"

using namespace morv;

namespace {

struct CliRun {
    int status;
    std::string out;
    std::string err;
};

CliRun FixLinks(std::vector<std::string> args, const std::string& input) {
    std::istringstream in(input);
    std::ostringstream out, err;
    const int status = RunFixLinksCommand(args, in, out, err);
    return {status, out.str(), err.str()};
}

TEST(FixLinksCommand, FiltersStandardInput) {
    const CliRun run = FixLinks({"--root", "www.example.org", "--path=/docs/"},
                                "[FILE = \"a\"]\n[LINK]\rx.htm\r\n../y.htm\n[STYLE]\nz.css\n");
    EXPECT_EQ(run.status, kExitOk) << run.err;
    EXPECT_EQ(run.out,
              "[FILE = \"a\"]\r\n[LINK]\r\nhttp://www.example.org/docs/x.htm\r\n"
              "http://www.example.org/y.htm\r\n[STYLE]\r\nz.css\r\n");
}

TEST(FixLinksCommand, ReadsAFile) {
    TempFileGuard file(GetTempFile().value());
    std::ofstream(file.path(), std::ios::binary) << "[IMAGE]\r\na.gif";
    const CliRun run = FixLinks({file.path(), "--root", "ftp://h"}, "");
    EXPECT_EQ(run.status, kExitOk) << run.err;
    EXPECT_EQ(run.out, "[IMAGE]\r\nftp://h/a.gif");
}

TEST(FixLinksCommand, Failures) {
    struct Row {
        const char* name;
        std::vector<std::string> args;
        const char* input;
        int status;
        const char* out;
    } rows[] = {
        {"no root", {}, "[LINK]\r\na", kExitUsage, ""},
        {"blank root", {"--root", "  "}, "[LINK]\r\na", kExitUsage, ""},
        {"root without value", {"--root"}, "", kExitUsage, ""},
        {"unknown option", {"--root", "h", "--scope", "1"}, "", kExitUsage, ""},
        {"two files", {"--root", "h", "a", "b"}, "", kExitUsage, ""},
        {"missing file", {"--root", "h", "/nonexistent/report.txt"}, "", kExitFailed, ""},
        {"no section: report passes unchanged",
         {"--root", "h"},
         "[STYLE]\nb.css",
         kExitFailed,
         "[STYLE]\r\nb.css"},
    };
    for (const Row& row : rows) {
        const CliRun run = FixLinks(row.args, row.input);
        EXPECT_EQ(run.status, row.status) << row.name;
        EXPECT_EQ(run.out, row.out) << row.name;
        EXPECT_FALSE(run.err.empty()) << row.name;
    }
}

}  // namespace
