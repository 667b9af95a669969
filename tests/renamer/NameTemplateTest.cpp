#include <gtest/gtest.h>

#include "renamer/core/NameTemplate.h"

using namespace morv;
using namespace morv::renamer;

namespace {

TEST(TreloNameTemplate, FileExtension) {
    struct Row {
        const char* name;
        const char* path;
        const char* extension;
    } rows[] = {
        {"plain", "/photos/Report.TXT", "TXT"},
        {"last dot wins", "/a/archive.tar.gz", "gz"},
        {"dot in a folder only", "/a.b/c", ""},
        {"dot in the last place", "/a/notes.", ""},
        {"starts with its only dot", "/home/.profile", "profile"},
        {"no dot", "/bin/ls", ""},
        {"bare name", "x.jpg", "jpg"},
        {"empty", "", ""},
    };
    for (const Row& row : rows)
        EXPECT_EQ(GetFileExtension(row.path), row.extension) << row.name;
}

TEST(TreloNameTemplate, BaseName) {
    struct Row {
        const char* name;
        const char* input;
        const char* base;
    } rows[] = {
        {"extension dropped", "Report.TXT", "Report"},
        {"blanks trimmed", "  holiday.jpg  ", "holiday"},
        {"folder dropped", "/x/y/photo.png", "photo"},
        {"only the last extension", "archive.tar.gz", "archive.tar"},
        {"dot in the last place", "notes.", "notes"},
        {"starts with its only dot", ".profile", ""},
        {"no dot", "README", "README"},
        {"hash kept", "Track #1.mp3", "Track #1"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(GetBaseName(row.input), row.base) << row.name;
}

TEST(TreloNameTemplate, StartValue) {
    struct Row {
        const char* name;
        const char* text;
        bool overflow;
        int32_t value;
    } rows[] = {
        {"empty gives 0", "", false, 0},
        {"leading zeros", "007", false, 7},
        {"tie rounds down to even", "2.5", false, 2},
        {"tie rounds up to even", "3.5", false, 4},
        {"half rounds to zero", "0.5", false, 0},
        {"one and a half", "1.5", false, 2},
        {"above the tie", "2.51", false, 3},
        {"decimal point first", ".5", false, 0},
        {"point alone", ".", false, 0},
        {"blanks skipped", "  12", false, 12},
        {"blanks inside skipped", "1 2", false, 12},
        {"stops at a letter", "12abc", false, 12},
        {"no number", "abc", false, 0},
        {"second point stops", "1.2.3", false, 1},
        {"pasted sign", "-3", false, -3},
        {"exponent", "1e3", false, 1000},
        {"exponent without digits", "1e", false, 1},
        {"largest", "2147483647", false, 2147483647},
        {"smallest", "-2147483648", false, -2147483647 - 1},
        {"one past the largest", "2147483648", true, 0},
        {"rounds past the largest", "2147483647.5", true, 0},
        {"huge", "99999999999999999999999", true, 0},
        {"huge exponent", "1e999", true, 0},
        {"tiny exponent", "1e-999", false, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Result<int32_t> value = ReadStartValue(row.text);
        ASSERT_EQ(!value.ok(), row.overflow);
        if (value.ok()) {
            EXPECT_EQ(value.value(), row.value);
        } else {
            EXPECT_EQ(value.error().number, kOverflowError);
            EXPECT_EQ(value.error().description, "Overflow");
            EXPECT_EQ(value.error().source, "mCommon::ShowPreview");
        }
    }
}

struct PreviewRow {
    const char* name;
    const char* nameTemplate;
    const char* start;
    bool removeExtension;
    bool lowerExtension;
    std::vector<std::string> files;
    std::vector<std::string> expected;
};

const PreviewRow kPreviewRows[] = {
    {"default template",
     "File [###] (*)",
     "0",
     false,
     false,
     {"/d/Report.TXT"},
     {"File [000] (Report).TXT"}},
    {"default template, lower-case extension",
     "File [###] (*)",
     "0",
     false,
     true,
     {"/d/Report.TXT"},
     {"File [000] (Report).txt"}},
    {"three digits from 1",
     "###",
     "1",
     false,
     false,
     {"/d/a.jpg", "/d/b.jpg", "/d/c.jpg"},
     {"001.jpg", "002.jpg", "003.jpg"}},
    {"two digits overflow into the first",
     "##",
     "98",
     false,
     false,
     {"/d/a", "/d/b", "/d/c"},
     {"98", "99", "100"}},
    {"split positions, small", "Set #-#", "5", false, false, {"/d/x"}, {"Set 0-5"}},
    {"split positions, surplus to the first",
     "Set #-#",
     "123",
     false,
     false,
     {"/d/x"},
     {"Set 12-3"}},
    {"A##-## with 7", "A##-##", "7", false, false, {"/d/x"}, {"A00-07"}},
    {"A##-## with 1234", "A##-##", "1234", false, false, {"/d/x"}, {"A12-34"}},
    {"A##-## with 12345", "A##-##", "12345", false, false, {"/d/x"}, {"A123-45"}},
    {"no placeholder: every entry the same",
     "same",
     "0",
     true,
     false,
     {"/d/a.txt", "/d/b.txt"},
     {"same", "same"}},
    {"star with extension removed", "*", "0", true, false, {"/d/archive.tar.gz"}, {"archive.tar"}},
    {"dot in the last place", "*", "0", false, false, {"/d/notes."}, {"notes"}},
    {"name that starts with its dot", "x*", "0", false, false, {"/d/.profile"}, {"x.profile"}},
    {"no extension gets no dot", "*-#", "0", false, true, {"/d/Makefile"}, {"Makefile-0"}},
    {"hash in the old name stays", "*", "0", false, false, {"/d/Track #1.mp3"}, {"Track #1.mp3"}},
    {"star in the old name stays", "[*]", "0", false, false, {"/d/a*b.txt"}, {"[a*b].txt"}},
    {"several stars", "*-*", "0", false, false, {"/d/x.y"}, {"x-x.y"}},
    {"typed extension is literal",
     "Photo ###.jpg",
     "0",
     false,
     false,
     {"/d/x.PNG"},
     {"Photo 000.jpg.PNG"}},
    {"empty start", "#", "", false, false, {"/d/a", "/d/b"}, {"0", "1"}},
    {"rounded start", "#", "2.5", false, false, {"/d/a"}, {"2"}},
    {"negative start from a paste",
     "##",
     "-3",
     false,
     false,
     {"/d/a", "/d/b", "/d/c", "/d/d"},
     {"-03", "-02", "-01", "00"}},
    {"remove wins over lower case", "*", "0", true, true, {"/d/A.JPG"}, {"A"}},
    {"lower case beyond ASCII", "*", "0", false, true, {"/d/ÄÖ.ÄÖ"}, {"ÄÖ.äö"}},
    {"Greek and a four-byte letter",
     "x",
     "0",
     false,
     true,
     {"/d/a.ΣΑ\xF0\x90\x90\x80"},
     {"x.σα\xF0\x90\x90\xA8"}},
    {"bytes that are no UTF-8 stay",
     "x",
     "0",
     false,
     true,
     {"/d/a.J\xC4P\xE2\x82G\xC0\xAF"},
     {"x.j\xC4p\xE2\x82g\xC0\xAF"}},
};

TEST(TreloNameTemplate, Preview) {
    for (const PreviewRow& row : kPreviewRows) {
        SCOPED_TRACE(row.name);
        std::vector<FileEntry> entries;
        for (const std::string& file : row.files)
            entries.push_back(MakeFileEntry(file));
        Status status = ShowPreview(entries, row.nameTemplate, row.start,
                                    TemplateOptions{row.removeExtension, row.lowerExtension});
        ASSERT_TRUE(status.ok());
        ASSERT_EQ(entries.size(), row.expected.size());
        for (size_t i = 0; i < entries.size(); ++i)
            EXPECT_EQ(entries[i].newName, row.expected[i]) << "entry " << i;
    }
}

TEST(TreloNameTemplate, EntryFields) {
    FileEntry entry = MakeFileEntry("/photos/2024/IMG_0001.JPG");
    EXPECT_EQ(entry.fullPath, "/photos/2024/IMG_0001.JPG");
    EXPECT_EQ(entry.displayName, "IMG_0001.JPG");
    EXPECT_EQ(entry.originalExtension, "JPG");
    EXPECT_EQ(entry.newName, "");
}

TEST(TreloNameTemplate, StartOutOfRangeChangesNothing) {
    std::vector<FileEntry> entries = {MakeFileEntry("/d/a"), MakeFileEntry("/d/b")};
    entries[0].newName = "old a";
    Status status = ShowPreview(entries, "#", "3000000000", {});
    ASSERT_FALSE(status.ok());
    EXPECT_EQ(status.error().number, kOverflowError);
    EXPECT_EQ(status.error().source, "mCommon::ShowPreview");
    EXPECT_EQ(entries[0].newName, "old a");
    EXPECT_EQ(entries[1].newName, "");
}

TEST(TreloNameTemplate, CounterPassingTheLargestStopsAtThatEntry) {
    std::vector<FileEntry> entries = {MakeFileEntry("/d/a"), MakeFileEntry("/d/b"),
                                      MakeFileEntry("/d/c")};
    entries[2].newName = "kept";
    Status status = ShowPreview(entries, "#", "2147483646", {});
    ASSERT_FALSE(status.ok());
    EXPECT_EQ(status.error().description, "Overflow");
    EXPECT_EQ(entries[0].newName, "2147483646");
    EXPECT_EQ(entries[1].newName, "2147483647");
    EXPECT_EQ(entries[2].newName, "kept");
}

TEST(TreloNameTemplate, TemplateKeyFilter) {
    for (char32_t c : std::u32string(U"/\\:?\"<>|"))
        EXPECT_TRUE(IsRefusedTemplateChar(c)) << char(c);
    for (char32_t c : std::u32string(U"aZ09 #*[]().-_é"))
        EXPECT_FALSE(IsRefusedTemplateChar(c)) << char(c);
    EXPECT_STREQ(kTemplateWarning,
                 "Template cannot contain any of the following characters:\r\n"
                 "/ \\ : ? \" < > |");
}

TEST(TreloNameTemplate, StartKeyFilter) {
    for (char32_t c : std::u32string(U"0123456789.\b"))
        EXPECT_TRUE(IsAcceptedStartKey(c)) << int(c);
    for (char32_t c : std::u32string(U"a-+ ,e#"))
        EXPECT_FALSE(IsAcceptedStartKey(c)) << char(c);
}

}  // namespace
