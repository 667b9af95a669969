// Batches that keep a site's links: Check Links finds nothing missing before, after and after
// Undo; a kill at any step, then recovery either way, leaves the whole site as before or as after.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <map>

#include <gtest/gtest.h>

#include "TempFolder.h"
#include "renamer/core/SiteBatch.h"
#include "tests/extract/TempTree.h"
#include "tests/linkcheck/BrokenLinks.h"

using namespace morv;
using namespace morv::renamer;

namespace {

namespace fs = std::filesystem;
using StepHook = std::function<int(size_t, std::string_view)>;

// Every file below the site, hidden ones too, with its bytes: one value for the whole site.
std::string SiteSnapshot(const std::string& root) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(root))
        if (entry.is_regular_file())
            files[entry.path().string().substr(root.size())] = TempTree::Read(entry.path());
    std::string text;
    for (const auto& [path, bytes] : files)
        text += path + "=" + bytes + "\n";
    return text;
}

// Every form of reference, in pages with LF, CR LF, UTF-8 and Windows-1252 text. Renaming swaps
// two pages, renames a third and a picture; copying puts two pages into another folder.
struct Site {
    TempTree tree;
    BatchMode mode;

    explicit Site(BatchMode m) : mode(m) {
        tree.Write("index.html",
                   "<link rel=\"stylesheet\" href=\"css/site.css\">\n"
                   "<a href=\"docs/a.htm\">a</a> <a href=\"./docs/a.htm?x=1#top\">a</a>\n"
                   "<a href=\"/docs/a.htm\">a</a> <a href=\"http://www.example.org/docs/a.htm\">\n"
                   "<a href=\"docs/b.htm\">b</a> <a href='docs/c.htm'>c</a>\n"
                   "<img src=\"img/my%20logo.gif\" srcset=\"img/my%20logo.gif 1x\">\n"
                   "<p style=\"background:url('img/my%20logo.gif')\">\n"
                   "<script>var page = \"docs/a.htm\";</script>\n");
        tree.Write("docs/a.htm",
                   "<a href=\"../index.html\">home</a>\r\n<a href=\"b.htm#x\">b</a>\r\n"
                   "<img src=\"../img/my logo.gif\">\r\n");
        tree.Write("docs/b.htm", "<p>\xc3\xa9t\xc3\xa9</p><a href=\"c.htm\">c</a><a href=a.htm>\n");
        tree.Write("docs/c.htm", "<p>\xe9t\xe9 \x93q\x94</p><a href=\"b.htm\">b</a>\n");
        tree.Write("css/site.css", "body{background:url(../img/my%20logo.gif)}\n");
        tree.Write("img/my logo.gif", "GIF89a");
        fs::create_directory(tree.Path("copies"));
    }
    std::vector<BatchItem> Items() const {
        auto item = [this](const char* file, const char* folder, const char* name) {
            return BatchItem{tree.Path(file), tree.Path(folder), name};
        };
        if (mode == BatchMode::Copy)
            return {item("docs/a.htm", "copies", "one.htm"),
                    item("docs/b.htm", "copies", "two.htm")};
        return {item("docs/a.htm", "docs", "alpha.htm"), item("docs/b.htm", "docs", "c.htm"),
                item("docs/c.htm", "docs", "b.htm"),
                item("img/my logo.gif", "img", "logo \xc3\xa9.gif")};
    }
    LinkUpdatePlan Plan() const {
        Result<LinkUpdatePlan> plan =
            PlanSiteLinks(mode, Items(), {tree.root(), {"http://www.example.org/"}});
        EXPECT_TRUE(plan) << plan.error().description;
        return plan ? plan.value() : LinkUpdatePlan{};
    }
    SiteBatchResult Run(const LinkUpdatePlan& plan, StepHook hook = {}) const {
        NoClobberQuestions questions;
        BatchOptions options;
        options.beforeStep = std::move(hook);
        return RunSiteBatch(JournalFolder(), mode, Items(), plan, questions, NoProgress(), options);
    }
    std::string Snapshot() const { return SiteSnapshot(tree.root()); }
};

// Runs work in a child process that kills itself before its step number at; true when it died
// there.
bool KilledAt(long at, const std::function<void(StepHook)>& work) {
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        long step = 0;
        work([&](size_t, std::string_view) {
            if (++step == at) kill(getpid(), SIGKILL);
            return 0;
        });
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
}

class TreloSite : public ::testing::Test {
  protected:
    renamer_test::StateHome home;
};

TEST_F(TreloSite, CheckLinksFindsNothingMissingBeforeAfterAndAfterUndo) {
    for (BatchMode mode : {BatchMode::Move, BatchMode::Copy}) {
        SCOPED_TRACE(mode == BatchMode::Move ? "rename" : "copy");
        const Site site(mode);
        EXPECT_EQ(BrokenLinks(site.tree.root()), std::vector<std::string>{});
        const std::string before = site.Snapshot();
        const LinkUpdatePlan plan = site.Plan();
        ASSERT_EQ(plan.unsafe.size(), mode == BatchMode::Move ? 1u : 0u);  // the script
        const SiteBatchResult result = site.Run(plan);
        EXPECT_TRUE(result.ok()) << DescribeSiteResult(mode, site.Items(), result);
        EXPECT_EQ(result.pagesWritten, plan.pages.size());
        EXPECT_EQ(BrokenLinks(site.tree.root()), std::vector<std::string>{});
        if (mode == BatchMode::Move) {
            // Every byte but the references stays: CR LF, and Windows-1252 text.
            EXPECT_EQ(site.tree.Read(site.tree.Path("docs/alpha.htm")),
                      "<a href=\"../index.html\">home</a>\r\n<a href=\"c.htm#x\">b</a>\r\n"
                      "<img src=\"../img/logo %C3%A9.gif\">\r\n");
            EXPECT_EQ(site.tree.Read(site.tree.Path("docs/b.htm")),
                      "<p>\xe9t\xe9 \x93q\x94</p><a href=\"c.htm\">b</a>\n");
        }
        const SettleReport undone = UndoBatch(*FindLastBatch(JournalFolder()), false);
        EXPECT_TRUE(undone.ok()) << DescribeSettle(undone, "undo");
        EXPECT_EQ(site.Snapshot(), before);
        EXPECT_EQ(BrokenLinks(site.tree.root()), std::vector<std::string>{});
    }
}

TEST_F(TreloSite, KillAtEveryStepThenTurnBackOrFinishIt) {
    struct Row {
        const char* name;
        BatchMode mode;
        bool undo;  // killed while undoing the batch
    } rows[] = {
        {"renames", BatchMode::Move, false},
        {"copies", BatchMode::Copy, false},
        {"undo of renames", BatchMode::Move, true},
    };
    for (const Row& row : rows) {
        // The steps of an uninterrupted run, and the site before and after it.
        long steps = 0;
        std::string before, after;
        {
            const StepHook count = [&steps](size_t, std::string_view) {
                ++steps;
                return 0;
            };
            const Site site(row.mode);
            before = site.Snapshot();
            site.Run(site.Plan(), row.undo ? StepHook() : count);
            after = site.Snapshot();
            if (row.undo) {
                BatchOptions options;
                options.beforeStep = count;
                UndoBatch(*FindLastBatch(JournalFolder()), false, NoProgress(), options);
            }
        }
        ASSERT_GT(steps, 10) << row.name;
        // Every step, turned back and finished in turns.
        for (long at = 1; at <= steps; ++at) {
            const RecoverWay way = at % 2 == 0 ? RecoverWay::TurnBack : RecoverWay::Finish;
            SCOPED_TRACE(std::string(row.name) + ", killed at step " + std::to_string(at) +
                         (way == RecoverWay::TurnBack ? ", turned back" : ", finished"));
            const renamer_test::StateHome journals;
            const Site site(row.mode);
            const LinkUpdatePlan plan = site.Plan();
            if (row.undo) {
                ASSERT_TRUE(site.Run(plan).ok());
            }
            ASSERT_TRUE(KilledAt(at, [&](StepHook hook) {
                BatchOptions options;
                options.beforeStep = hook;
                if (row.undo)
                    UndoBatch(*FindLastBatch(JournalFolder()), false, NoProgress(), options);
                else
                    site.Run(plan, hook);
            }));
            std::vector<JournalState> interrupted = FindInterruptedBatches(JournalFolder());
            ASSERT_EQ(interrupted.size(), 1u);
            const SettleReport report = RecoverBatch(interrupted[0], way);
            EXPECT_TRUE(report.ok()) << DescribeSettle(report, "recovery");
            // An undo turned back is the batch done; a batch turned back is none.
            EXPECT_EQ(site.Snapshot(), (way == RecoverWay::TurnBack) != row.undo ? before : after);
            EXPECT_EQ(BrokenLinks(site.tree.root()), std::vector<std::string>{});
            EXPECT_TRUE(FindInterruptedBatches(JournalFolder()).empty());
            // Whatever is left to undo brings the site back.
            if (std::optional<JournalState> last = FindLastBatch(JournalFolder())) {
                EXPECT_TRUE(UndoBatch(*last, false).ok());
                EXPECT_EQ(site.Snapshot(), before);
            }
        }
    }
}

TEST_F(TreloSite, RefusesOrListsWhatItCannotKeep) {
    struct Row {
        const char* name;
        // Changes the site after planning; returns the hook of the batch.
        std::function<StepHook(const Site&, const LinkUpdatePlan&)> meddle;
        bool untouched;       // the site is as it was after meddle
        const char* refused;  // a part of the problem, or "" for none
        const char* turned;   // a part of why it was turned back, or ""
        size_t pagesLeft;
    } rows[] = {
        {"a page changed since it was planned",
         [](const Site& site, const LinkUpdatePlan&) {
             site.tree.Write("docs/c.htm", "<a href=\"b.htm\">");
             return StepHook();
         },
         true, "has changed since its links were planned", "", 0},
        {"a new name that is kept",
         [](const Site& site, const LinkUpdatePlan&) {
             site.tree.Write("docs/alpha.htm", "kept");
             return StepHook();
         },
         true, "exists and is to be kept", "", 0},
        {"a rename the system refuses",
         [](const Site&, const LinkUpdatePlan&) {
             return StepHook([](size_t item, std::string_view step) {
                 return item == 3 && step == "move" ? EACCES : 0;
             });
         },
         true, "", "Permission denied", 0},
        {"a page changed before it is written",
         [](const Site&, const LinkUpdatePlan& plan) {
             return StepHook([path = plan.pages[0].newPath](size_t page, std::string_view step) {
                 if (page == 0 && step == "page") renamer_test::WriteFile(path, "edited");
                 return 0;
             });
         },
         false, "", "", 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const Site site(BatchMode::Move);
        const LinkUpdatePlan plan = site.Plan();
        const StepHook hook = row.meddle(site, plan);
        const std::string meddled = site.Snapshot();
        const SiteBatchResult result = site.Run(plan, hook);
        EXPECT_FALSE(result.ok());
        EXPECT_EQ(site.Snapshot() == meddled, row.untouched);
        const std::string problems = result.batch.problems.empty() ? "" : result.batch.problems[0];
        EXPECT_NE(problems.find(row.refused), std::string::npos) << problems;
        EXPECT_EQ(problems.empty(), *row.refused == '\0') << problems;
        EXPECT_NE(result.turnedBack.find(row.turned), std::string::npos) << result.turnedBack;
        EXPECT_EQ(result.turnedBack.empty(), *row.turned == '\0');
        EXPECT_EQ(result.pagesLeft.size(), row.pagesLeft);
        EXPECT_TRUE(FindInterruptedBatches(JournalFolder()).empty());
        if (row.pagesLeft > 0) {
            EXPECT_EQ(site.tree.Read(plan.pages[0].newPath), "edited");
        }
    }
}

TEST_F(TreloSite, UndoNeverOverwritesAPageChangedSince) {
    const Site site(BatchMode::Move);
    const std::string before = site.Snapshot();
    ASSERT_TRUE(site.Run(site.Plan()).ok());
    const std::string edited = site.tree.Read(site.tree.Path("index.html")) + "<p>new</p>";
    site.tree.Write("index.html", edited);
    const SettleReport report = UndoBatch(*FindLastBatch(JournalFolder()), false);
    ASSERT_EQ(report.left.size(), 1u);
    EXPECT_NE(report.left[0].find("was changed since the batch"), std::string::npos);
    EXPECT_EQ(site.tree.Read(site.tree.Path("index.html")), edited);
    // Everything else is as before the batch (index.html comes last).
    auto rest = [](const std::string& snapshot) {
        return snapshot.substr(0, snapshot.find("/index.html="));
    };
    EXPECT_EQ(rest(site.Snapshot()), rest(before));
}

// Pages are written on two threads; two names of one file are never written at once: whichever
// comes second finds the other's bytes and is left, and the file holds one whole rewrite.
TEST_F(TreloSite, APageWithTwoNamesIsWrittenOnce) {
    for (const bool hard : {true, false}) {
        SCOPED_TRACE(hard ? "hard link" : "symbolic link");
        const Site site(BatchMode::Move);
        const std::string page = site.tree.Path("index.html"), other = site.tree.Path("other.html");
        ASSERT_EQ(hard ? link(page.c_str(), other.c_str()) : symlink("index.html", other.c_str()),
                  0);
        const LinkUpdatePlan plan = site.Plan();
        ASSERT_EQ(plan.pages.size(), 6u);  // both names among them
        const std::string planned = site.tree.Read(page);
        const SiteBatchResult result = site.Run(plan);
        ASSERT_EQ(result.pagesLeft.size(), 1u);
        EXPECT_TRUE(result.pagesLeft[0].find("other.html") != std::string::npos ||
                    result.pagesLeft[0].find("index.html") != std::string::npos)
            << result.pagesLeft[0];
        const std::string written = site.tree.Read(page);
        EXPECT_EQ(written, site.tree.Read(other));
        EXPECT_NE(written, planned);
        EXPECT_EQ(BrokenLinks(site.tree.root()), std::vector<std::string>{});
    }
}

}  // namespace
