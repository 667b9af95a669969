#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "TempTree.h"
#include "extract/core/ListFile.h"
#include "extract/core/Report.h"
#include "tests/support/EnvVar.h"
#include "tests/support/SpecialFiles.h"

using namespace morv;

namespace {

// A file that exists as a regular file but cannot be read (also not by root).
const char kUnreadable[] = "/proc/self/mem";

const char kPage[] =
    "<html><script src=\"menu.js\"></script>\r\n<a href=\"../index.htm\">Home</a></html>";

std::string Replace(std::string text, const std::string& root) {
    for (size_t at = text.find('$'); at != std::string::npos; at = text.find('$', at + 1))
        text.replace(at, 1, root);
    return text;
}

ExtractOptions Kinds(std::initializer_list<TagKind> kinds, bool noHeaders = false) {
    ExtractOptions options;
    options.tags.fill(false);
    for (TagKind kind : kinds)
        options.tags[size_t(kind)] = true;
    options.clearText = true;
    options.noHeaders = noHeaders;
    return options;
}

struct ReportRow {
    const char* name;
    std::vector<std::string> files;  // '$' stands for the tree's root
    ExtractOptions options;
    std::string report;
};

void PrintTo(const ReportRow& row, std::ostream* os) {
    *os << row.name;
}

const ReportRow kRows[] = {
    {"OneFoundOneMissing",
     {"$/a.htm", "$/b.htm"},
     Kinds({TagKind::Script, TagKind::Link}),
     "[FILE = \"$/a.htm\"]\r\n\r\n[SCRIPT]\r\n<script src=\"menu.js\"></script>\r\n"
     "\r\n[LINK]\r\n../index.htm\r\n\r\n\r\n"
     "[FILE = \"$/b.htm\"]\r\n; Warning: File not found.\r\n\r\n\r\n\r\n"},
    {"WithoutHeadersOnlyItemsAndEmptyLines",
     {"$/a.htm", "$/b.htm"},
     Kinds({TagKind::Script, TagKind::Link}, true),
     "<script src=\"menu.js\"></script>\r\n../index.htm\r\n\r\n\r\n\r\n\r\n"},
    {"KindWithoutMatchesKeepsItsHeader",
     {"$/empty.htm"},
     Kinds({TagKind::Script, TagKind::Style}),
     "[FILE = \"$/empty.htm\"]\r\n\r\n[SCRIPT]\r\n\r\n[STYLE]\r\n\r\n\r\n"},
    {"SectionsInFixedOrder",
     {"$/a.htm"},
     Kinds({TagKind::Email, TagKind::Link, TagKind::Image}),
     "[FILE = \"$/a.htm\"]\r\n\r\n[LINK]\r\n../index.htm\r\n\r\n[IMAGE]\r\n\r\n[E-MAIL]\r\n"
     "\r\n\r\n"},
    {"HiddenFileCountsAsMissing",
     {"$/.hidden.htm"},
     Kinds({TagKind::Script}),
     "[FILE = \"$/.hidden.htm\"]\r\n; Warning: File not found.\r\n\r\n\r\n\r\n"},
    {"FolderCountsAsMissing",
     {"$/folder.htm"},
     Kinds({TagKind::Script}),
     "[FILE = \"$/folder.htm\"]\r\n; Warning: File not found.\r\n\r\n\r\n\r\n"},
    {"LeadingBlankMakesAnEntryMissing",
     {" $/a.htm"},
     Kinds({TagKind::Script}),
     "[FILE = \" $/a.htm\"]\r\n; Warning: File not found.\r\n\r\n\r\n\r\n"},
    {"DuplicateEntriesGiveTwoBlocks",
     {"$/a.htm", "$/a.htm"},
     Kinds({TagKind::Link}),
     "[FILE = \"$/a.htm\"]\r\n\r\n[LINK]\r\n../index.htm\r\n\r\n\r\n"
     "[FILE = \"$/a.htm\"]\r\n\r\n[LINK]\r\n../index.htm\r\n\r\n\r\n"},
    {"NoKindTickedGivesHeadersOnly", {"$/a.htm"}, Kinds({}), "[FILE = \"$/a.htm\"]\r\n\r\n\r\n"},
    {"EmptyListWritesNothing", {}, Kinds({TagKind::Script}), ""},
};

class Report : public ::testing::TestWithParam<ReportRow> {};

TEST_P(Report, HasTheBlocksOfItsList) {
    const ReportRow& row = GetParam();
    TempTree tree;
    tree.Write("a.htm", kPage);
    tree.Write("empty.htm", "");
    tree.Write(".hidden.htm", kPage);
    tree.Folder("folder.htm");
    std::vector<std::string> files;
    for (const std::string& file : row.files)
        files.push_back(Replace(file, tree.root()));
    ReportWriter out;
    ASSERT_TRUE(WriteReport(files, row.options, out, NoProgress()).ok());
    EXPECT_EQ(out.memory(), Replace(row.report, tree.root()));
}

INSTANTIATE_TEST_SUITE_P(Rows, Report, ::testing::ValuesIn(kRows),
                         [](const auto& info) { return std::string(info.param.name); });

// Records what a run reports and stops at a chosen poll.
class Recorder : public ProgressObserver {
  public:
    explicit Recorder(int stopAtPoll = -1) : stopAtPoll_(stopAtPoll) {}
    void SetAction(std::string_view text) override { actions.emplace_back(text); }
    void SetStatus(std::string_view text) override { statuses.emplace_back(text); }
    void SetMax(long value) override { max = value; }
    void SetValue(long value) override { values.push_back(value); }
    bool ShouldStop() override { return ++polls >= stopAtPoll_ && stopAtPoll_ > 0; }

    std::vector<std::string> actions, statuses;
    std::vector<long> values;
    long max = -1;
    int polls = 0;

  private:
    int stopAtPoll_;
};

// Points the temporary folder at a fresh folder for one test, so leftovers can be seen.
class ExtractRun : public ::testing::Test {
  protected:
    void SetUp() override {
        tmp_ = tree_.Folder("tmp");
        tmpdir_.emplace("TMPDIR", tmp_.c_str());
        page_ = tree_.Write("site/a.htm", kPage);
        lastList_ = tree_.Path("morv.mrk");
    }
    int TempFilesLeft() const { return CountVisibleEntries(tmp_); }

    TempTree tree_;
    std::string tmp_, page_, lastList_;
    std::optional<EnvVar> tmpdir_;  // TMPDIR points at tmp_ during a test
};

TEST_F(ExtractRun, HeadComesFirstUnlessTheTextIsCleared) {
    struct Row {
        const char* name;
        bool clearText;
        std::string head;
        std::string start;
    } rows[] = {
        {"Cleared", true, "old text", "[FILE = "},
        {"AfterTheOldText", false, "old text", "old text\r\n\r\n[FILE = "},
        {"EmptyEditorGivesTwoEmptyLines", false, "", "\r\n\r\n[FILE = "},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ExtractRequest request;
        request.files = {page_};
        request.options = Kinds({TagKind::Link});
        request.options.clearText = row.clearText;
        request.head = row.head;
        Result<std::string> report = ExtractReport(request, NoProgress());
        ASSERT_TRUE(report.ok()) << report.error().description;
        EXPECT_EQ(report.value().substr(0, row.start.size()), row.start);
        EXPECT_EQ(TempFilesLeft(), 0);
    }
}

TEST_F(ExtractRun, ProgressCountsFilesAndKinds) {
    ExtractRequest request;
    request.files = {page_, page_, page_};
    request.options = Kinds({TagKind::Script, TagKind::Link});
    request.lastListFile = lastList_;
    Recorder progress;
    ASSERT_TRUE(ExtractReport(request, progress).ok());
    EXPECT_EQ(progress.max, 10);
    EXPECT_EQ(progress.values, (std::vector<long>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
    EXPECT_EQ(progress.actions, (std::vector<std::string>{"Extracting...", "Finalizing..."}));
    EXPECT_EQ(progress.statuses, (std::vector<std::string>{page_, page_, page_, ""}));
}

TEST_F(ExtractRun, StopAndFailureLeaveNoTemporaryFileButTheLastList) {
    struct Row {
        const char* name;
        std::vector<std::string> files;
        int stopAtPoll;
        int errorNumber;
    } rows[] = {
        {"StopBeforeTheSecondFile", {page_, page_, page_}, 2, kUserInterrupt},
        {"UnreadableFile", {page_, kUnreadable, page_}, -1, EIO},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        unlink(lastList_.c_str());
        ExtractRequest request;
        request.files = row.files;
        request.options = Kinds({TagKind::Script, TagKind::Link});
        request.lastListFile = lastList_;
        Recorder progress(row.stopAtPoll);
        Result<std::string> report = ExtractReport(request, progress);
        ASSERT_FALSE(report.ok());
        EXPECT_EQ(report.error().number, row.errorNumber);
        EXPECT_EQ(TempFilesLeft(), 0);
        EXPECT_EQ(progress.values.back(), 3 + 1 + 3 * 2);
        Result<std::vector<std::string>> list = ReadListFile(lastList_);
        ASSERT_TRUE(list.ok());
        EXPECT_EQ(list.value(), row.files);
    }
}

// A pipe as the last-list file, read or not, or among the listed files, never holds a run up:
// the last list is written into it as far as it takes it, the listed pipe is a missing file.
TEST_F(ExtractRun, PipesNeverHoldItUp) {
    const std::string pipe = tree_.Path("pipe.htm");
    ASSERT_TRUE(special_files::MakeFifo(pipe));
    ASSERT_TRUE(special_files::MakeFifo(lastList_));
    for (const bool reading : {false, true}) {
        SCOPED_TRACE(reading ? "a reader that sleeps" : "nobody reads");
        const int reader = reading ? open(lastList_.c_str(), O_RDONLY | O_NONBLOCK) : -1;
        ExtractRequest request;
        request.files.assign(4000, pipe);  // more than the pipe's buffer takes
        request.options = Kinds({TagKind::Link});
        request.lastListFile = lastList_;
        Result<std::string> report = ExtractReport(request, NoProgress());
        ASSERT_TRUE(report.ok()) << report.error().description;
        EXPECT_EQ(report.value().find("[FILE = \"" + pipe + "\"]\r\n; Warning: File not found."),
                  0u);
        EXPECT_TRUE(special_files::IsFifo(lastList_));
        if (reader >= 0) close(reader);
    }
}

TEST_F(ExtractRun, UnreadableFileNamesItInTheMessage) {
    ExtractRequest request;
    request.files = {kUnreadable};
    Result<std::string> report = ExtractReport(request, NoProgress());
    ASSERT_FALSE(report.ok());
    EXPECT_NE(report.error().description.find(kUnreadable), std::string::npos);
}

TEST_F(ExtractRun, NoTemporaryFileNoRun) {
    setenv("TMPDIR", tree_.Path("missing").c_str(), 1);
    bool created = false;
    ExtractRequest request;
    request.files = {page_};
    request.onReportCreated = [&created] { created = true; };
    Result<std::string> report = ExtractReport(request, NoProgress());
    ASSERT_FALSE(report.ok());
    EXPECT_EQ(report.error().description, "Unable to create temporary file");
    EXPECT_FALSE(created);
}

TEST(ReportWriter, FailedWriteEndsTheRun) {
    TempTree tree;
    const std::string full = tree.Path("full");
    if (!special_files::MakeDevice(full, special_files::kFullDevice))
        GTEST_SKIP() << "device nodes need root";
    int fd = open(full.c_str(), O_WRONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    std::string page = tree.Write("a.htm", kPage);
    ReportWriter out(fd, full, 16);
    Status status = WriteReport({page, page}, Kinds({TagKind::Script}), out, NoProgress());
    close(fd);
    ASSERT_FALSE(status.ok());
    EXPECT_EQ(status.error().number, ENOSPC);
    EXPECT_EQ(status.error().description,
              "Unable to write \"" + full + "\" (No space left on device)");
}

TEST(ReportWriter, LargePiecesAndSmallOnesKeepTheirOrder) {
    TempTree tree;
    std::string path = tree.Path("out");
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    ReportWriter out(fd, path, 8);
    out.Write("ab");
    out.Write(std::string(20, 'x'));
    out.Line("cd");
    ASSERT_TRUE(out.Flush().ok());
    close(fd);
    EXPECT_EQ(TempTree::Read(path), "ab" + std::string(20, 'x') + "cd\r\n");
}

}  // namespace
