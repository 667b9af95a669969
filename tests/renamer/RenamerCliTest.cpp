#include <sstream>

#include <gtest/gtest.h>

#include "TempFolder.h"
#include "helpers/core/CliCommand.h"
#include "renamer/core/RenamerCli.h"

using namespace morv;
using namespace morv::renamer;
using namespace renamer_test;

namespace {

struct Ran {
    int status;
    std::string out, err;
};

Ran Call(CliMain command, std::vector<std::string> args, const std::string& input = "") {
    std::istringstream in(input);
    std::ostringstream out, err;
    int status = command(args, in, out, err);
    return {status, out.str(), err.str()};
}

TEST(TreloCli, PreviewPrintsOldAndNew) {
    Ran ran = Call(RunPreviewCommand,
                   {"Photo ## (*)", "--start", "9", "--lower-ext", "/p/a.JPG", "/p/b", "/p/a.JPG"});
    EXPECT_EQ(ran.status, kExitOk);
    EXPECT_EQ(ran.out, "/p/a.JPG\tPhoto 09 (a).jpg\n/p/b\tPhoto 10 (b)\n");  // each file once
    ran = Call(RunPreviewCommand, {"*", "--remove-ext", "--start=1", "x.tar.gz"});
    EXPECT_EQ(ran.out, "x.tar.gz\tx.tar\n");
}

TEST(TreloCli, UsageErrors) {
    struct Row {
        const char* name;
        CliMain command;
        std::vector<std::string> args;
    } rows[] = {
        {"nothing", RunPreviewCommand, {}},
        {"no file", RunPreviewCommand, {"#"}},
        {"unknown option", RunPreviewCommand, {"#", "--frobnicate", "a"}},
        {"start without value", RunPreviewCommand, {"#", "a", "--start"}},
        {"dry run is not a preview option", RunPreviewCommand, {"#", "--dry-run", "a"}},
        {"copy without --to", RunCopyCommand, {"#", "a"}},
        {"copy to blanks", RunCopyCommand, {"#", "--to", "  ", "a"}},
    };
    for (const Row& row : rows) {
        Ran ran = Call(row.command, row.args);
        EXPECT_EQ(ran.status, kExitUsage) << row.name;
        EXPECT_NE(ran.err.find("Usage:"), std::string::npos) << row.name;
    }
    EXPECT_EQ(Call(RunRenameCommand, {"--help"}).status, kExitOk);
}

TEST(TreloCli, OverflowIsReported) {
    Ran ran = Call(RunPreviewCommand, {"#", "--start", "99999999999", "a"});
    EXPECT_EQ(ran.status, kExitFailed);
    EXPECT_EQ(ran.err, "trelo-cli: Overflow.\n");
}

TEST(TreloCli, RenameSwapsThroughTheBatch) {
    TempFolder dir;
    WriteFile(dir / "1.txt", "one");
    WriteFile(dir / "0.txt", "zero");
    Ran ran = Call(RunRenameCommand, {"#", dir / "1.txt", dir / "0.txt"});
    EXPECT_EQ(ran.status, kExitOk) << ran.err;
    EXPECT_EQ(ran.out, "2 files were renamed.\n");
    EXPECT_EQ(Snapshot(dir.path()), "0.txt=one;1.txt=zero;");
}

TEST(TreloCli, RenameAsksOnTheTerminal) {
    struct Row {
        const char* name;
        std::vector<std::string> extra;
        const char* input;
        int status;
        const char* after;
    } rows[] = {
        {"no keeps both", {}, "n\n", kExitFailed, "5.txt=five;a.txt=A;"},
        {"a wrong answer asks again", {}, "maybe\ny\n", kExitOk, "5.txt=A;"},
        {"end of input cancels", {}, "", kExitFailed, "5.txt=five;a.txt=A;"},
        {"no clobber never asks", {"--no-clobber"}, "y\n", kExitFailed, "5.txt=five;a.txt=A;"},
        {"dry run changes nothing", {"--dry-run"}, "y\n", kExitOk, "5.txt=five;a.txt=A;"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TempFolder dir;
        WriteFile(dir / "a.txt", "A");
        WriteFile(dir / "5.txt", "five");
        std::vector<std::string> args = {"#", "--start", "5"};
        args.insert(args.end(), row.extra.begin(), row.extra.end());
        args.push_back(dir / "a.txt");
        Ran ran = Call(RunRenameCommand, args, row.input);
        EXPECT_EQ(ran.status, row.status) << ran.err;
        EXPECT_EQ(Snapshot(dir.path()), row.after);
        const bool asks = row.extra.empty();
        EXPECT_EQ(ran.err.find("Replace it with") != std::string::npos, asks) << ran.err;
    }
}

TEST(TreloCli, CopyAsksBeforeCreatingTheFolder) {
    TempFolder dir;
    WriteFile(dir / "a.JPG", "A");
    const std::string to = dir / "out";
    Ran refused = Call(RunCopyCommand, {"Pic #", "--to", to, dir / "a.JPG"}, "n\n");
    EXPECT_EQ(refused.status, kExitFailed);
    EXPECT_FALSE(Exists(to));
    Ran ran = Call(RunCopyCommand, {"Pic #", "--lower-ext", "--to", to, dir / "a.JPG"}, "y\n");
    EXPECT_EQ(ran.status, kExitOk) << ran.err;
    EXPECT_EQ(ran.out, "1 file was copied.\n");
    EXPECT_EQ(Snapshot(to), "Pic 0.jpg=A;");
    EXPECT_EQ(ReadFile(dir / "a.JPG"), "A");
}

TEST(TreloCli, DuplicateNamesAreRefused) {
    TempFolder dir;
    WriteFile(dir / "a", "A");
    WriteFile(dir / "b", "B");
    Ran ran = Call(RunRenameCommand, {"same", dir / "a", dir / "b"});
    EXPECT_EQ(ran.status, kExitFailed);
    EXPECT_NE(ran.err.find("Nothing was renamed:"), std::string::npos);
    EXPECT_EQ(Snapshot(dir.path()), "a=A;b=B;");
}

}  // namespace
