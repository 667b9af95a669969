#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "editor/core/StringBuffer.h"
#include "linkcheck/core/CheckLinksCli.h"
#include "linkcheck/core/LinkCheck.h"
#include "linkcheck/core/SiteFiles.h"
#include "sections/core/SectionsTree.h"
#include "tests/extract/TempTree.h"

using namespace morv;

namespace {

// Remembers what the check reports, problem by problem.
struct Recorder : LinkCheckSink {
    struct Row {
        std::string page, link, kind;
    };
    std::vector<Row> rows;
    bool summarised = false;
    void Page(const std::string& page, const PageProblems& problems) override {
        for (int k = 0; k < kLinkProblemCount; ++k)
            for (const std::string& link : problems.links[k])
                rows.push_back({page, link, std::string(ProblemName(LinkProblem(k)))});
    }
    void Orphans(const std::string&, const std::vector<std::string>& files) override {
        for (const std::string& file : files)
            rows.push_back({"", file, "orphan"});
    }
    void Summary(const LinkCheckCounts&, bool) override { summarised = true; }
    std::string KindOf(const std::string& link) const {
        for (const Row& row : rows)
            if (row.link == link) return row.kind;
        return "";
    }
};

// A stop request after a number of polls.
struct StopAfter : ProgressObserver {
    int left;
    explicit StopAfter(int polls) : left(polls) {}
    bool ShouldStop() override { return left-- <= 0; }
};

class LinkCheck : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const char* file : {"sub/page.htm", "img/logo.gif", "Docs/guide.htm", "my file.htm",
                                 "withindex/index.htm", "noindex/readme.txt",
                                 "caseindex/Index.html", "unused.png", "self.htm", "notes.txt"})
            tree_.Write(file, "<p>");
        tree_.Write("self.htm", "<a href=\"#top\">top</a>");
    }
    LinkCheckOptions Options(bool orphans = false) const {
        LinkCheckOptions options;
        options.folder = tree_.root();
        options.addresses = {"http://www.example.org/"};
        options.orphans = orphans;
        return options;
    }
    TempTree tree_;
};

TEST_F(LinkCheck, EveryRuleOnDisk) {
    struct Row {
        const char* name;
        const char* link;
        const char* kind;  // "" found or not checked
    } rows[] = {
        {"file found", "sub/page.htm", ""},
        {"file missing", "nothere.htm", "missing"},
        {"other letter case", "docs/guide.htm", "case"},
        {"image in other case", "img/Logo.GIF", "case"},
        {"outside", "../up.htm", "outside"},
        {"folder with index", "withindex/", ""},
        {"folder named without slash", "withindex", ""},
        {"folder without index", "noindex/", "missing"},
        {"index in other case", "caseindex/", "case"},
        {"site root", "./", ""},
        {"escapes", "my%20file.htm", ""},
        {"query and fragment", "sub/page.htm?a=1#b", ""},
        {"file named as a folder", "sub/page.htm/", "missing"},
        {"own address", "http://www.example.org/sub/page.htm", ""},
        {"own address, missing", "http://www.example.org/gone.htm", "missing"},
        {"another host", "http://elsewhere.example/gone.htm", ""},
        {"javascript", "javascript:void(0)", ""},
    };
    std::string page = "<html>";
    for (const Row& row : rows)
        page += "<a href=\"" + std::string(row.link) + "\">x</a>\n";
    tree_.Write("index.html", page + "<img src=\"mailto:x@example.org\"></html>");
    tree_.Write("sub/based.htm",
                "<base href=\"http://www.example.org/Docs/\"><a href=\"guide.htm\">g</a>"
                "<a href=\"nope.htm\">n</a>");

    Recorder recorder;
    Result<LinkCheckCounts> counts = CheckLinks(Options(), recorder, NoProgress());
    ASSERT_TRUE(counts) << counts.error().description;
    for (const Row& row : rows)
        EXPECT_EQ(recorder.KindOf(row.link), row.kind) << row.name;
    EXPECT_EQ(recorder.KindOf("guide.htm"), "") << "base href honoured";
    EXPECT_EQ(recorder.KindOf("nope.htm"), "missing") << "base href honoured";
    EXPECT_EQ(counts.value().notChecked, 3);  // another host, javascript, mailto
    EXPECT_EQ(counts.value().problems[int(LinkProblem::Missing)], 5);
    EXPECT_EQ(counts.value().pages, 8);
    EXPECT_TRUE(recorder.summarised);
}

TEST_F(LinkCheck, OrphansAreUnlinkedDocumentsAndImages) {
    tree_.Write("index.html", "<a href=\"sub/page.htm\">p</a><img src=\"IMG/logo.gif\">");
    tree_.Write("sub/page.htm", "<a href=\"../withindex/\">w</a><a href=\"/Docs/guide.htm\">g</a>");
    Recorder recorder;
    Result<LinkCheckCounts> counts = CheckLinks(Options(true), recorder, NoProgress());
    ASSERT_TRUE(counts);
    std::vector<std::string> orphans;
    for (const Recorder::Row& row : recorder.rows)
        if (row.kind == "orphan") orphans.push_back(row.link);
    // Not: the root's index (linked from outside), a file linked in other case, a folder's
    // index, the text files. Yes: a page that only links to itself.
    const std::vector<std::string> expected = {tree_.Path("caseindex/Index.html"),
                                               tree_.Path("my file.htm"), tree_.Path("self.htm"),
                                               tree_.Path("unused.png")};
    EXPECT_EQ(orphans, expected);
    EXPECT_EQ(counts.value().orphans, 4);
}

TEST_F(LinkCheck, EachTargetIsLookedUpOnce) {
    SiteFiles files(tree_.root(), DefaultIndexNames());
    ASSERT_TRUE(files.Open());
    EXPECT_EQ(files.Look("sub/page.htm").state, TargetState::Found);
    ASSERT_EQ(unlink(tree_.Path("sub/page.htm").c_str()), 0);
    EXPECT_EQ(files.Look("sub/page.htm").state, TargetState::Found);  // remembered
    EXPECT_EQ(files.Look("SUB/Page.htm").state, TargetState::Missing);
    EXPECT_EQ(files.TargetCount(), 2u);
}

TEST_F(LinkCheck, ReportIndexesInTheSectionsTree) {
    tree_.Write("index.html", "<a href=\"gone.htm\">x</a><a href=\"../up.htm\">y</a>");
    tree_.Write("sub/page.htm", "<img src=\"../IMG/logo.gif\">");
    ReportWriter out;
    LinkReportWriter report(out);
    ASSERT_TRUE(CheckLinks(Options(true), report, NoProgress()));
    const std::string& text = out.memory();
    EXPECT_NE(
        text.find("[FILE = \"" + tree_.Path("index.html") +
                  "\"]\r\n\r\n[MISSING]\r\ngone.htm\r\n\r\n[OUTSIDE]\r\n../up.htm\r\n\r\n\r\n"),
        std::string::npos)
        << text;
    EXPECT_TRUE(
        text.ends_with("; Checked 7 pages, 4 links: 1 missing, 1 case, 1 outside; 0 not "
                       "checked (other hosts or schemes); 7 orphans.\r\n"))
        << text;

    StringBuffer buffer(text);
    const SectionsTree tree = BuildSectionsTree(buffer, "", NoProgress());
    std::vector<std::string> nodes;
    for (const SectionNode& file : tree.root.children) {
        std::string node = file.text + ":";
        for (const SectionNode& kind : file.children)
            node += " " + kind.text;
        nodes.push_back(node);
    }
    const std::string folder = tree_.root().substr(tree_.root().rfind('/') + 1);
    ASSERT_EQ(nodes.size(), 3u);
    EXPECT_EQ(nodes[2], folder + " (orphans): Orphans");  // after the pages, in walk order
    std::sort(nodes.begin(), nodes.end() - 1);
    EXPECT_EQ(nodes[0], "index.html: Missing Outside");
    EXPECT_EQ(nodes[1], "page.htm: Case");
}

TEST_F(LinkCheck, StopsAtTheStepAskedFor) {
    Recorder recorder;
    StopAfter stop(3);
    Result<LinkCheckCounts> counts = CheckLinks(Options(true), recorder, stop);
    ASSERT_FALSE(counts);
    EXPECT_EQ(counts.error().number, kUserInterrupt);
    EXPECT_FALSE(recorder.summarised);
}

TEST_F(LinkCheck, ToolExitStatusAndFormats) {
    tree_.Write("index.html", "<a href=\"docs/guide.htm\">case only</a>");
    const std::string clean = tree_.root();
    TempTree broken;
    broken.Write("a.htm", "<a href=\"gone.htm\">x</a>");
    const std::string output = broken.Path("out.tsv");
    struct Row {
        const char* name;
        std::vector<std::string> args;
        int status;
        std::string out;
        bool message = status == 2;  // something said on standard error
    } rows[] = {
        {"nothing missing", {clean}, 0, ""},
        {"something missing",
         {broken.root(), "--format", "tsv"},
         1,
         broken.Path("a.htm") + "\tgone.htm\tmissing\n"},
        {"written to a file", {broken.root(), "--format=tsv", "-o", output}, 1, ""},
        {"folder that is not there", {broken.Path("none")}, 1, "", true},
        {"no folder", {"--orphans"}, 2, ""},
        {"two folders", {clean, clean}, 2, ""},
        {"unknown option", {clean, "--fast"}, 2, ""},
        {"unknown format", {clean, "--format", "html"}, 2, ""},
        {"empty index list", {clean, "--index", " , "}, 2, ""},
        {"url without value", {clean, "--url"}, 2, ""},
    };
    for (const Row& row : rows) {
        std::istringstream in;
        std::ostringstream out, err;
        EXPECT_EQ(RunCheckLinksCommand(row.args, in, out, err), row.status) << row.name;
        if (!row.out.empty()) {
            EXPECT_EQ(out.str(), row.out) << row.name;
        }
        EXPECT_EQ(!err.str().empty(), row.message) << row.name;
    }
    std::ifstream written(output);
    std::string line;
    EXPECT_TRUE(std::getline(written, line));
    EXPECT_EQ(line, broken.Path("a.htm") + "\tgone.htm\tmissing");
}

}  // namespace
