#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "TempTree.h"
#include "extract/core/ExtractCli.h"
#include "extract/core/ListFile.h"
#include "extract/core/Report.h"
#include "helpers/core/CliCommand.h"
#include "helpers/core/FileIo.h"
#include "tests/support/SpecialFiles.h"

using namespace morv;

namespace {

struct CliRun {
    int status;
    std::string out, err;
};

CliRun Invoke(int (*command)(const std::vector<std::string>&, std::istream&, std::ostream&,
                             std::ostream&),
              const std::vector<std::string>& args) {
    std::istringstream in;
    std::ostringstream out, err;
    int status = command(args, in, out, err);
    return {status, out.str(), err.str()};
}

const char kPage[] =
    "<script>go()</script><a href=\"http://a.org/\">a</a><a href=\"rel.htm\">r</a>"
    "<img src=\"p.gif\"><a href=\"mailto:me@a.org\">m</a><style>b{}</style>";

class Cli : public ::testing::Test {
  protected:
    void SetUp() override {
        a_ = tree_.Write("site/a.htm", kPage);
        b_ = tree_.Write("site/sub/b.html", kPage);
        tree_.Write("site/c.asp", kPage);
    }
    // The report the editor would hold after the same run, with the text cleared first.
    std::string Expected(const std::vector<std::string>& files, ExtractOptions options) {
        options.clearText = true;
        ReportWriter out;
        EXPECT_TRUE(WriteReport(files, options, out, NoProgress()).ok());
        return out.memory();
    }
    TempTree tree_;
    std::string a_, b_;
};

TEST_F(Cli, ExtractWritesTheEditorsReport) {
    ExtractOptions links;
    links.tags = {false, false, true, false, false};
    links.noRelativeLinks = true;
    ExtractOptions bare;
    bare.noHeaders = true;
    std::string list = tree_.Path("list.mrk");
    ASSERT_TRUE(WriteListFile(list, {b_, a_}).ok());
    std::string missing = tree_.Path("missing.htm");

    struct Row {
        const char* name;
        std::vector<std::string> args;
        std::vector<std::string> files;
        ExtractOptions options;
    } rows[] = {
        {"AllKinds", {a_, missing}, {a_, missing}, ExtractOptions{}},
        {"KindsAndNoRelative", {"--kinds", "link", "--no-relative", a_}, {a_}, links},
        {"KindsWithEquals", {"--kinds=LINK", "--no-relative", a_}, {a_}, links},
        {"NoHeaders", {"--no-headers", a_}, {a_}, bare},
        {"SourcesInCommandLineOrder",
         {a_, "--list", list, "--scan", tree_.Path("site/sub")},
         {a_, b_, a_, b_},
         ExtractOptions{}},
        {"AfterDoubleDashEverythingIsAFile", {"--", a_}, {a_}, ExtractOptions{}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        CliRun run = Invoke(RunExtractCommand, row.args);
        EXPECT_EQ(run.status, kExitOk) << run.err;
        EXPECT_EQ(run.out, Expected(row.files, row.options));
    }
}

TEST_F(Cli, ExtractUsageAndFailures) {
    struct Row {
        const char* name;
        std::vector<std::string> args;
        int status;
        const char* message;  // part of the error output
    } rows[] = {
        {"NoFiles", {}, kExitUsage, "no files to extract"},
        {"UnknownOption", {"--frobnicate", a_}, kExitUsage, "unknown option '--frobnicate'"},
        {"UnknownKind", {"--kinds", "script,table", a_}, kExitUsage, "unknown kind"},
        {"KindsWithoutValue", {a_, "--kinds"}, kExitUsage, "--kinds needs a value"},
        {"OutputWithoutValue", {a_, "-o"}, kExitUsage, "-o needs a value"},
        {"MissingListFile", {"--list", "/nonexistent/list.mrk"}, kExitFailed, "list.mrk"},
        {"MissingScanFolder", {"--scan", "/nonexistent/dir"}, kExitFailed, "/nonexistent/dir"},
        {"ScanFindsNothing", {"--scan", tree_.Folder("empty")}, kExitFailed, "no documents found"},
        {"ListIsAFolder", {"--list", tree_.root()}, kExitFailed, "(Is a directory)"},
        {"UnreadableFile", {a_, "/proc/self/mem"}, kExitFailed, "/proc/self/mem"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        CliRun run = Invoke(RunExtractCommand, row.args);
        EXPECT_EQ(run.status, row.status);
        EXPECT_NE(run.err.find(row.message), std::string::npos) << run.err;
    }
    CliRun help = Invoke(RunExtractCommand, {"--help"});
    EXPECT_EQ(help.status, kExitOk);
    EXPECT_NE(help.out.find("Usage: morv-cli extract"), std::string::npos);
}

TEST_F(Cli, ReportFileIsReplacedOnlyBySuccess) {
    std::string report = tree_.Write("out/report.txt", "the previous report");
    CliRun failed = Invoke(RunExtractCommand, {"-o", report, a_, "/proc/self/mem"});
    EXPECT_EQ(failed.status, kExitFailed);
    EXPECT_EQ(TempTree::Read(report), "the previous report");

    CliRun done = Invoke(RunExtractCommand, {"-o", report, a_});
    EXPECT_EQ(done.status, kExitOk) << done.err;
    EXPECT_EQ(done.out, "");
    EXPECT_EQ(TempTree::Read(report), Expected({a_}, ExtractOptions{}));

    // No half-written files are left beside the report.
    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(tree_.Path("out")))
        left.push_back(entry.path().filename().string());
    EXPECT_EQ(left, (std::vector<std::string>{"report.txt"}));
}

// Deeper than PATH_MAX, and with few file descriptors: what scan lists, extract --scan reads,
// and a walk that runs out of descriptors says so and fails.
TEST_F(Cli, LongPathsAndFewDescriptors) {
    using namespace special_files;
    const std::string deep = MakeLongFolder(tree_.Folder("deep")) + "/deep.htm";
    ASSERT_TRUE(WriteWholeFile(deep, kPage).ok());
    EXPECT_EQ(Invoke(RunScanCommand, {tree_.Path("deep")}).out, deep + "\n");
    EXPECT_EQ(Invoke(RunExtractCommand, {"--scan", tree_.Path("deep")}).out,
              Expected({deep}, ExtractOptions{}));

    struct Row {
        const char* name;
        int descriptors;
        int status;
        std::string out;
        const char* err;
    } rows[] = {
        {"enough to walk any depth", 4, kExitOk, deep + "\n", ""},
        {"too few to go below the top", 2, kExitFailed, "", "(Too many open files)"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ChildRun run = RunInChild([&](std::ostream& out, std::ostream& err) {
            LimitDescriptors(row.descriptors);
            std::istringstream in;
            return RunScanCommand({tree_.Path("deep")}, in, out, err);
        });
        EXPECT_EQ(run.status, row.status) << run.err;
        EXPECT_EQ(run.out, row.out);
        EXPECT_NE(run.err.find(row.err), std::string::npos) << run.err;
    }
}

TEST_F(Cli, ScanPrintsWhatTheFolderScanLists) {
    CliRun run = Invoke(RunScanCommand, {tree_.Path("site")});
    EXPECT_EQ(run.status, kExitOk);
    std::istringstream lines(run.out);
    std::vector<std::string> paths;
    for (std::string line; std::getline(lines, line);)
        paths.push_back(line);
    std::sort(paths.begin(), paths.end());
    EXPECT_EQ(paths, (std::vector<std::string>{a_, b_}));

    EXPECT_EQ(Invoke(RunScanCommand, {}).status, kExitUsage);
    EXPECT_EQ(Invoke(RunScanCommand, {"a", "b"}).status, kExitUsage);
    EXPECT_EQ(Invoke(RunScanCommand, {"--bad"}).status, kExitUsage);
    EXPECT_EQ(Invoke(RunScanCommand, {"/nonexistent/dir"}).status, kExitFailed);
    EXPECT_EQ(Invoke(RunScanCommand, {"--help"}).status, kExitOk);
}

}  // namespace
