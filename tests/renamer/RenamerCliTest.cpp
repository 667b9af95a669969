#include <signal.h>
#include <unistd.h>

#include <sstream>

#include <gtest/gtest.h>

#include "TempFolder.h"
#include "helpers/core/CliCommand.h"
#include "helpers/core/CoreHooks.h"
#include "renamer/core/BatchJournal.h"
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
        {"recover takes no file", RunRecoverCommand, {"a"}},
        {"undo has no --finish", RunUndoCommand, {"--finish"}},
        {"an address without a site", RunRenameCommand, {"#", "--url", "http://x/", "a"}},
        {"links are not a preview option", RunPreviewCommand, {"#", "--update-links", ".", "a"}},
    };
    for (const Row& row : rows) {
        Ran ran = Call(row.command, row.args);
        EXPECT_EQ(ran.status, kExitUsage) << row.name;
        EXPECT_NE(ran.err.find("Try 'trelo-cli "), std::string::npos) << row.name;
    }
    EXPECT_EQ(Call(RunRenameCommand, {"--help"}).status, kExitOk);
}

TEST(TreloCli, PreviewSaysWhatRenameWouldRefuse) {
    struct Row {
        const char* name;
        std::vector<std::string> args;
        int status;
        std::string out;
        const char* err;  // a part of it
    } rows[] = {
        {"start out of range", {"#", "--start", "99999999999", "a"}, kExitFailed, "", "Overflow."},
        {"the names made before the counter overflows",
         {"#", "--start", "2147483646", "a", "b", "c"},
         kExitFailed,
         "a\t2147483646\nb\t2147483647\n",
         "Overflow."},
        {"an empty name", {"", "--remove-ext", "a.txt"}, kExitFailed, "a.txt\t\n", "is empty"},
        {"a name over 255 bytes",
         {std::string(256, 'n'), "a"},
         kExitFailed,
         "a\t" + std::string(256, 'n') + "\n",
         "longer than 255 bytes"},
        {"a folder with a file inside it",
         {"z#", "dd", "dd/f.txt"},
         kExitFailed,
         "dd\tz0\ndd/f.txt\tz1.txt\n",
         "inside the folder 'dd'"},
        {"NUL-separated",
         {"*", "-z", "a\nb.txt"},
         kExitOk,
         std::string("a\nb.txt\0a\nb.txt\0", 16),
         ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Ran ran = Call(RunPreviewCommand, row.args);
        EXPECT_EQ(ran.status, row.status);
        EXPECT_EQ(ran.out, row.out);
        EXPECT_NE(ran.err.find(row.err), std::string::npos) << ran.err;
    }
}

TEST(TreloCli, CopyOntoItselfIsSkipped) {
    TempFolder dir;
    WriteFile(dir / "a.txt", "A");
    Ran ran = Call(RunCopyCommand, {"*", "--to", dir.path(), dir / "a.txt"});
    EXPECT_EQ(ran.status, kExitFailed);
    EXPECT_EQ(ran.out, "");
    EXPECT_NE(ran.err.find("0 of 1 file was copied"), std::string::npos) << ran.err;
    EXPECT_NE(ran.err.find("skipped"), std::string::npos) << ran.err;
    EXPECT_EQ(Snapshot(dir.path()), "a.txt=A;");
}

TEST(TreloCli, ReplacingASymbolicLinkSaysWhereItPoints) {
    TempFolder dir;
    WriteFile(dir / "a", "A");
    WriteFile(dir / "big", std::string(1000, 'b'));
    ASSERT_EQ(symlink("big", (dir / "0").c_str()), 0);
    Ran ran = Call(RunRenameCommand, {"#", dir / "a"}, "n\n");
    EXPECT_NE(ran.err.find("exists (a symbolic link to 'big', 1000 bytes"), std::string::npos)
        << ran.err;
}

TEST(TreloCli, InterruptedBatchIsRecoveredBeforeAnythingElse) {
    StateHome home;
    TempFolder dir;
    WriteFile(dir / "1", "one");
    WriteFile(dir / "0", "zero");
    // SIGTERM in the middle of the swap: the round is finished, the command stops.
    long step = 0;
    WriteFile(dir / "x", "X");
    Ran stopped;
    {
        ScopedCoreHooks hooks({.batchStep = [&](size_t, std::string_view) {
            if (++step == 2) raise(SIGTERM);
            return 0;
        }});
        stopped = Call(RunRenameCommand, {"#", dir / "1", dir / "0", dir / "x"});
    }
    EXPECT_EQ(stopped.status, 128 + SIGTERM);
    EXPECT_NE(stopped.err.find("stopped by SIGTERM: 2 of 3 files were renamed"), std::string::npos)
        << stopped.err;
    EXPECT_EQ(Snapshot(dir.path()), "0=one;1=zero;x=X;");

    // A batch the journal shows unfinished, as after a crash.
    WriteFile(home.journals() + "/batch-000099.journal",
              "trelo-journal\t1\nbatch\tt\tmove\t0\t1\nitem\t0\tgo\t0\t0\t-1\t0\t0\t" + dir / "x" +
                  "\t" + dir.path() + "\ty\t.t\nbegin\n");
    Ran refused = Call(RunRenameCommand, {"#", dir / "x"});
    EXPECT_EQ(refused.status, kExitFailed);
    EXPECT_NE(refused.err.find("no new batch starts until then"), std::string::npos);
    EXPECT_EQ(Call(RunPreviewCommand, {"#", "a"}).status, kExitOk);
    Ran recovered = Call(RunRecoverCommand, {});
    EXPECT_EQ(recovered.status, kExitFailed) << recovered.out;  // its file is nowhere to be found
    EXPECT_NE(recovered.err.find("is at none of its names"), std::string::npos) << recovered.err;
    EXPECT_EQ(Call(RunRecoverCommand, {}).out, "No interrupted batch was found.\n");

    Ran dry = Call(RunUndoCommand, {"--dry-run"});
    EXPECT_EQ(dry.status, kExitOk) << dry.err;
    EXPECT_NE(dry.out.find("'" + dir / "0" + "' \xE2\x86\x92 '" + dir / "1" + "'"),
              std::string::npos)
        << dry.out;
    Ran undone = Call(RunUndoCommand, {});
    EXPECT_EQ(undone.status, kExitOk) << undone.err;
    EXPECT_EQ(Snapshot(dir.path()), "0=zero;1=one;x=X;");
    EXPECT_EQ(Call(RunUndoCommand, {}).status, kExitFailed);  // nothing left to undo
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

TEST(TreloCli, UpdateLinksPrintsTheEditsAndRewritesThePages) {
    StateHome home;
    TempFolder site;
    ASSERT_EQ(mkdir((site / "img").c_str(), 0755), 0);
    WriteFile(site / "index.html", "<img src=\"img/a.gif\"><script>s='img/a.gif'</script>");
    WriteFile(site / "img/a.gif", "GIF");
    const std::vector<std::string> args = {"pic#",  "--update-links",          site.path(),
                                           "--url", "http://www.example.org/", site / "img/a.gif"};
    std::vector<std::string> dry = args;
    dry.insert(dry.begin() + 1, "--dry-run");
    Ran planned = Call(RunRenameCommand, dry);
    EXPECT_EQ(planned.status, kExitOk) << planned.err;
    EXPECT_EQ(planned.out,
              site / "img/a.gif\tpic0.gif\n" + site / "index.html\timg/a.gif\timg/pic0.gif\n");
    EXPECT_NE(planned.err.find("'img/a.gif' is not rewritten: inside a script"), std::string::npos)
        << planned.err;
    EXPECT_NE(planned.err.find("1 reference in 1 page would change"), std::string::npos);

    Ran ran = Call(RunRenameCommand, args);
    EXPECT_EQ(ran.status, kExitOk) << ran.err;
    EXPECT_EQ(ran.out, "1 file was renamed. 1 reference in 1 page was rewritten.\n");
    EXPECT_EQ(ReadFile(site / "index.html"),
              "<img src=\"img/pic0.gif\"><script>s='img/a.gif'</script>");
    EXPECT_EQ(Call(RunUndoCommand, {}).status, kExitOk);
    EXPECT_EQ(ReadFile(site / "index.html"),
              "<img src=\"img/a.gif\"><script>s='img/a.gif'</script>");
    EXPECT_EQ(Snapshot(site / "img"), "a.gif=GIF;");
}

}  // namespace
