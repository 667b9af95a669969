#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "TempTree.h"
#include "extract/core/ListFile.h"

using namespace morv;

namespace {

struct ParseRow {
    const char* name;
    std::string bytes;
    std::vector<std::string> entries;
};

void PrintTo(const ParseRow& row, std::ostream* os) {
    *os << row.name;
}

const ParseRow kParseRows[] = {
    {"CrLfLines", "/a.htm\r\n/b.htm\r\n", {"/a.htm", "/b.htm"}},
    {"LastLineNeedsNoEnd", "/a.htm\r\n/b.htm", {"/a.htm", "/b.htm"}},
    {"LoneCrEndsALine", "/a.htm\r/b.htm", {"/a.htm", "/b.htm"}},
    {"LoneLfStaysInTheEntry", "/a.htm\n/b.htm\r\n", {"/a.htm\n/b.htm"}},
    {"EmptyLinesSkipped", "\r\n/a.htm\r\n\r\n\r\r/b.htm\r\n\r\n", {"/a.htm", "/b.htm"}},
    {"BlanksKept", "  /a.htm \r\n\t/b.htm\r\n", {"  /a.htm ", "\t/b.htm"}},
    {"BlankLineIsAnEntry", " \r\n", {" "}},
    {"Empty", "", {}},
};

class ListFileParse : public ::testing::TestWithParam<ParseRow> {};

TEST_P(ListFileParse, Entries) {
    EXPECT_EQ(ParseListFile(GetParam().bytes), GetParam().entries);
}

INSTANTIATE_TEST_SUITE_P(Rows, ListFileParse, ::testing::ValuesIn(kParseRows),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ListFile, EveryByteButLineBreaksSurvivesSaveAndLoad) {
    std::vector<std::string> entries = {"/site/index.htm", " blank first", "last blank "};
    std::string all;
    for (int c = 0; c < 256; ++c)
        if (c != '\r' && c != '\n') all += char(c);
    entries.push_back(all);
    entries.push_back("/site/\xe9t\xe9.htm");  // Latin-1 bytes, not UTF-8
    entries.push_back(entries[0]);             // duplicates stay

    TempTree tree;
    std::string path = tree.Path("list.mrk");
    ASSERT_TRUE(WriteListFile(path, entries).ok());
    Result<std::vector<std::string>> loaded = ReadListFile(path);
    ASSERT_TRUE(loaded.ok());
    EXPECT_EQ(loaded.value(), entries);
}

TEST(ListFile, WritesCrLfLinesAndReplacesTheOldFile) {
    TempTree tree;
    std::string path = tree.Write("list.mrk", "an old and much longer list\r\n");
    ASSERT_TRUE(WriteListFile(path, {"/a.htm", "/b.htm"}).ok());
    EXPECT_EQ(ReadListFile(path).value(), (std::vector<std::string>{"/a.htm", "/b.htm"}));
    EXPECT_EQ(FormatListFile({"/a.htm", "/b.htm"}), "/a.htm\r\n/b.htm\r\n");
}

TEST(ListFile, FailuresNameTheFile) {
    TempTree tree;
    std::string folder = tree.Folder("folder.mrk");
    Status written = WriteListFile(folder, {"/a.htm"});
    ASSERT_FALSE(written.ok());
    EXPECT_NE(written.error().description.find(folder), std::string::npos);
    Result<std::vector<std::string>> read = ReadListFile(tree.Path("missing.mrk"));
    ASSERT_FALSE(read.ok());
    EXPECT_NE(read.error().description.find("missing.mrk"), std::string::npos);
}

}  // namespace
