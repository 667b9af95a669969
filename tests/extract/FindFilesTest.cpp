#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "TempTree.h"
#include "extract/core/FindFiles.h"

using namespace morv;

namespace {

std::vector<std::string> Find(const std::string& folder, const FindFilesLimits& limits = {}) {
    std::vector<std::string> found;
    Status status = FindFiles(
        folder, [&found](const std::string& path) { found.push_back(path); }, NoProgress(), limits);
    EXPECT_TRUE(status.ok());
    return found;
}

std::vector<std::string> Sorted(std::vector<std::string> paths) {
    std::sort(paths.begin(), paths.end());
    return paths;
}

struct NameRow {
    const char* name;
    bool document;
};

TEST(FindFiles, OnlyHtmAndHtmlInAnyCase) {
    const NameRow rows[] = {
        {"a.htm", true},    {"B.HTM", true},  {"c.Html", true}, {"d.xhtml", false},
        {"e.shtml", false}, {"f.asp", false}, {"g.php", false}, {"h.htm.bak", false},
        {"i.htmx", false},  {"htm", false},   {".htm", true},   {"j.txt", false},
    };
    for (const NameRow& row : rows)
        EXPECT_EQ(IsHtmlDocumentName(row.name), row.document) << row.name;
}

TEST(FindFiles, ListsDocumentsOfTheWholeTreeWithoutDoubledSeparators) {
    TempTree tree;
    for (const char* name : {"a.HTM", "b.html", "c.xhtml", "d.shtml", "e.asp", "sub/f.htm",
                             "sub/deeper/g.htm", ".hidden/h.htm", "sub/.i.htm"})
        tree.Write(name);
    const std::vector<std::string> expected = {
        tree.Path(".hidden/h.htm"),    tree.Path("a.HTM"),
        tree.Path("b.html"),           tree.Path("sub/.i.htm"),
        tree.Path("sub/deeper/g.htm"), tree.Path("sub/f.htm")};
    EXPECT_EQ(Sorted(Find(tree.root())), expected);
    EXPECT_EQ(Sorted(Find(tree.root() + "/")), expected);
    // Fewer open handles than levels: parents are reopened on the way back, same result.
    EXPECT_EQ(Sorted(Find(tree.root(), FindFilesLimits{2})), expected);
}

TEST(FindFiles, EachSubfolderComesOutWhereItIsMet) {
    TempTree tree;
    for (const char* name : {"1.htm", "2.htm", "x/1.htm", "x/2.htm", "x/y/1.htm", "x/y/2.htm",
                             "x/z/1.htm", "w/1.htm", "w/2.htm", "w/v/1.htm"})
        tree.Write(name);
    for (size_t limit : {size_t(64), size_t(2)}) {
        std::vector<std::string> found = Find(tree.root(), FindFilesLimits{limit});
        ASSERT_EQ(found.size(), 10u);
        // Depth first: the documents below any folder form one unbroken run.
        for (const char* folder : {"/x/", "/x/y/", "/x/z/", "/w/", "/w/v/"}) {
            std::string prefix = tree.root() + folder;
            auto inside = [&prefix](const std::string& path) { return path.rfind(prefix, 0) == 0; };
            auto first = std::find_if(found.begin(), found.end(), inside);
            auto afterRun = std::find_if_not(first, found.end(), inside);
            EXPECT_EQ(std::count_if(afterRun, found.end(), inside), 0) << folder;
        }
    }
}

TEST(FindFiles, LinksToFoldersAreNotFollowed) {
    TempTree tree;
    tree.Write("site/a.htm");
    tree.Write("other/b.htm");
    ASSERT_EQ(symlink("..", tree.Path("site/loop").c_str()), 0);
    ASSERT_EQ(symlink(tree.Path("other").c_str(), tree.Path("site/other.htm").c_str()), 0);
    ASSERT_EQ(symlink(tree.Path("other/b.htm").c_str(), tree.Path("site/link.htm").c_str()), 0);
    EXPECT_EQ(Sorted(Find(tree.Path("site"))),
              (std::vector<std::string>{tree.Path("site/a.htm"), tree.Path("site/link.htm")}));
    // The chosen folder itself may be a link.
    ASSERT_EQ(symlink(tree.Path("site").c_str(), tree.Path("chosen").c_str()), 0);
    EXPECT_EQ(Find(tree.Path("chosen")).size(), 2u);
}

TEST(FindFiles, UnreadableFolderIsSkipped) {
    if (geteuid() == 0) GTEST_SKIP() << "root reads every folder";
    TempTree tree;
    tree.Write("a.htm");
    tree.Write("locked/b.htm");
    chmod(tree.Path("locked").c_str(), 0);
    EXPECT_EQ(Find(tree.root()), (std::vector<std::string>{tree.Path("a.htm")}));
    chmod(tree.Path("locked").c_str(), 0700);
}

// Removes a tree too deep for path names, one handle at a time.
void RemoveDeep(int parent, const char* name, int levels) {
    if (levels > 0) {
        int fd = openat(parent, name, O_RDONLY | O_DIRECTORY);
        RemoveDeep(fd, "d", levels - 1);
        unlinkat(fd, "z.htm", 0);
        close(fd);
    }
    unlinkat(parent, name, AT_REMOVEDIR);
}

TEST(FindFiles, TreeDeeperThanTheLongestPathIsWalkedToItsBottom) {
    TempTree tree;
    const int levels = PATH_MAX / 2 + 100;  // "d/" per level
    int fd = open(tree.root().c_str(), O_RDONLY | O_DIRECTORY);
    for (int i = 0; i < levels; ++i) {
        mkdirat(fd, "d", 0700);
        int next = openat(fd, "d", O_RDONLY | O_DIRECTORY);
        close(fd);
        fd = next;
    }
    close(openat(fd, "z.htm", O_WRONLY | O_CREAT, 0600));
    close(fd);

    std::vector<std::string> found = Find(tree.root());
    ASSERT_EQ(found.size(), 1u);
    EXPECT_GT(found[0].size(), size_t(PATH_MAX));
    EXPECT_EQ(found[0].substr(found[0].size() - 8), "/d/z.htm");

    int root = open(tree.root().c_str(), O_RDONLY | O_DIRECTORY);
    RemoveDeep(root, "d", levels);
    close(root);
}

// Records the values and stops at a chosen poll.
class Recorder : public ProgressObserver {
  public:
    explicit Recorder(int stopAtPoll = -1) : stopAtPoll_(stopAtPoll) {}
    void SetMax(long value) override { max = value; }
    void SetValue(long value) override { values.push_back(value); }
    void SetAction(std::string_view text) override { action = text; }
    void SetStatus(std::string_view text) override { statuses.emplace_back(text); }
    bool ShouldStop() override { return ++polls >= stopAtPoll_ && stopAtPoll_ > 0; }
    long max = -1;
    std::vector<long> values;
    std::vector<std::string> statuses;
    std::string action;
    int polls = 0;

  private:
    int stopAtPoll_;
};

TEST(FindFiles, ProgressCountsFinishedDirectSubfolders) {
    TempTree tree;
    for (const char* name : {"a/1.htm", "a/b/2.htm", "c/3.htm", ".d/4.htm", "e/f/g/5.htm"})
        tree.Write(name);
    tree.Write("top.htm");
    ASSERT_EQ(symlink("a", tree.Path("link").c_str()), 0);
    Recorder progress;
    EXPECT_EQ(CountSubfolders(tree.root(), progress), 4);  // a, c, e (not .d, not link) + 1
    Result<std::vector<std::string>> scan = ScanForDocuments(tree.root(), progress);
    ASSERT_TRUE(scan.ok());
    EXPECT_EQ(scan.value().size(), 6u);
    EXPECT_EQ(progress.max, 5);
    EXPECT_EQ(progress.action, "Scanning...");
    EXPECT_EQ(progress.values, (std::vector<long>{1, 2, 3, 4}));  // a, c, .d and e
    EXPECT_EQ(progress.statuses.size(), 7u);  // every folder entered: a, a/b, c, .d, e, e/f, e/f/g
    EXPECT_EQ(CountSubfolders(tree.Path("missing"), progress), 0);
}

TEST(FindFiles, StopsAndFolderScanOutcomes) {
    TempTree tree;
    for (const char* name : {"a.htm", "b.htm", "c.htm", "d.txt"})
        tree.Write(name);
    tree.Folder("empty");

    {
        SCOPED_TRACE("StoppedAfterSomethingWasFoundEmptiesTheList");
        TempTree docs;
        for (const char* name : {"a.htm", "b.htm", "c.htm"})
            docs.Write(name);
        // Polls 1-3 count the folders, poll 4 takes the first document, poll 5 stops.
        Recorder progress(5);
        Result<std::vector<std::string>> scan = ScanForDocuments(docs.root(), progress);
        ASSERT_TRUE(scan.ok());
        EXPECT_TRUE(scan.value().empty());
        EXPECT_EQ(progress.polls, 5);
    }
    {
        SCOPED_TRACE("WalkStopsWithAnInterrupt");
        Recorder progress(2);
        std::vector<std::string> found;
        Status status = FindFiles(
            tree.root(), [&found](const std::string& path) { found.push_back(path); }, progress);
        ASSERT_FALSE(status.ok());
        EXPECT_EQ(status.error().number, kUserInterrupt);
        EXPECT_LE(found.size(), 1u);
    }
    {
        SCOPED_TRACE("NothingFoundLeavesTheListAlone");
        Result<std::vector<std::string>> scan = ScanForDocuments(tree.Path("empty"), NoProgress());
        ASSERT_FALSE(scan.ok());
        EXPECT_EQ(scan.error().number, kUserInterrupt);
    }
    {
        SCOPED_TRACE("MissingFolderIsAFailureOfTheWalkButNothingFoundForTheScan");
        EXPECT_FALSE(FindFiles(
                         tree.Path("missing"), [](const std::string&) {}, NoProgress())
                         .ok());
        EXPECT_EQ(ScanForDocuments(tree.Path("missing"), NoProgress()).error().number,
                  kUserInterrupt);
    }
}

}  // namespace
