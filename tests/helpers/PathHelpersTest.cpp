#include <gtest/gtest.h>

#include "helpers/core/PathHelpers.h"

using namespace morv;

namespace {

struct PathRow {
    const char* name;
    const char* path;
    const char* fileName;
    const char* folder;
    const char* folderWithSlash;
};

const PathRow kPathRows[] = {
    {"file in folder", "/site/index.htm", "index.htm", "/site", "/site/"},
    {"trailing slash gives last folder", "/site/pages/", "pages", "/site", "/site/"},
    {"bare name", "index.htm", "index.htm", "", ""},
    {"bare name with trailing slash kept", "pages/", "pages/", "", ""},
    {"file in root", "/a.htm", "a.htm", "", "/"},
    {"separator alone", "/", "/", "", ""},
    {"ends with two slashes", "/site//", "", "/site", "/site/"},
    {"empty", "", "", "", ""},
    {"blanks kept", "/My Files/a b.htm", "a b.htm", "/My Files", "/My Files/"},
};

TEST(PathHelpers, FileAndFolderNames) {
    for (const PathRow& row : kPathRows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(GetFileName(row.path), row.fileName);
        EXPECT_EQ(GetFolderName(row.path, false), row.folder);
        EXPECT_EQ(GetFolderName(row.path, true), row.folderWithSlash);
    }
}

TEST(PathHelpers, JoinPathNeverDoublesTheSeparator) {
    struct Row {
        const char* folder;
        const char* name;
        const char* joined;
    } rows[] = {
        {"/site", "a.htm", "/site/a.htm"},
        {"/site/", "a.htm", "/site/a.htm"},
        {"/", "a.htm", "/a.htm"},
        {"", "a.htm", "/a.htm"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(JoinPath(row.folder, row.name), row.joined) << row.folder;
}

TEST(PathHelpers, StripNull) {
    using namespace std::string_literals;
    struct Row {
        std::string text;
        std::string stripped;
    } rows[] = {
        {"  abc  ", "abc"},
        {"\0abc"s, ""},
        {"abc\0def"s, "abc"},
        {" ab \0 "s, " ab "},  // text before the NUL is kept as it is
        {"", ""},
    };
    for (const Row& row : rows)
        EXPECT_EQ(StripNull(row.text), row.stripped);
}

TEST(PathHelpers, DialogFilters) {
    using namespace std::string_literals;
    const char* text = "Text Documents (*.txt)|*.txt|All Files (*.*)|*.*";
    EXPECT_EQ(MakeDialogFilter(text), "Text Documents (*.txt)\0*.txt\0All Files (*.*)\0*.*\0"s);
    EXPECT_EQ(GetDefaultExtension(text), "txt");
    EXPECT_EQ(GetDefaultExtension("List Files (*.mrk)|*.mrk"), "mrk");
    EXPECT_EQ(GetDefaultExtension("HTML (*.htm;*.html)|*.htm;*.html"), "htm");
    EXPECT_EQ(GetDefaultExtension("no dot here"), "");
    EXPECT_EQ(ToQtNameFilters(text), "Text Documents (*.txt);;All Files (*)");
    EXPECT_EQ(ToQtNameFilters("HTML Files (*.htm;*.html)|*.htm;*.html|PHP|*.php"),
              "HTML Files (*.htm *.html);;PHP (*.php)");
}

}  // namespace
