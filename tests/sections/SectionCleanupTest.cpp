#include <gtest/gtest.h>

#include <string>

#include "sections/core/SectionCleanup.h"

using namespace morv;

namespace {

struct Row {
    const char* name;
    std::string in;
    std::string out;
};

TEST(RemoveSectionAttributes, Lines) {
    const Row rows[] = {
        {"report headers go, empty and warning lines stay",
         "[FILE = \"/a.htm\"]\r\n\r\n[SCRIPT]\r\nx()\r\n\r\n[STYLE]\r\n\r\n[LINK]\r\n../i.htm\r\n"
         "\r\n[IMAGE]\r\n\r\n[E-MAIL]\r\nme@x.org\r\n\r\n\r\n[FILE = \"/b.htm\"]\r\n"
         "; Warning: File not found.\r\n\r\n\r\n\r\n",
         "\r\nx()\r\n\r\n\r\n../i.htm\r\n\r\n\r\nme@x.org\r\n\r\n\r\n; Warning: File not found.\r\n"
         "\r\n\r\n\r\n"},
        {"lower-case headers", "[file = \"/a\"]\r\n[e-mail]\r\nkeep\r\n", "keep\r\n"},
        {"anything after a prefix", "[LINKS of the site]\r\n[STYLING notes]\r\nok\r\n", "ok\r\n"},
        {"short lines found anywhere in the table", "a\r\nE\r\nLINK\r\nMA\r\nFILE[\r\n", ""},
        {"short lines not in the table stay", "zz\r\nxyz\r\nb\r\n", "zz\r\nxyz\r\nb\r\n"},
        {"indented header stays", "  [LINK]\r\n", "  [LINK]\r\n"},
        {"blanks-only line is short text", " \r\n\t\r\n", " \r\n\t\r\n"},
        {"last line gets a break", "x\r\n[IMAGE]", "x\r\n"},
        {"last kept line gets a break", "[IMAGE]\r\nx", "x\r\n"},
        {"empty text", "", ""},
        {"lone CR ends a line", "x\r[LINK]\rz", "x\r\nz\r\n"},
        {"lone LF stays inside the line", "[LINK]\nx\r\nk\ny", "k\ny\r\n"},
        {"CR CR LF is a line and an empty line", "x\r\r\nz", "x\r\n\r\nz\r\n"},
        {"only a break", "\r\n", "\r\n"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(RemoveSectionAttributes(row.in), row.out) << row.name;
}

TEST(RemoveEmptyLines, Lines) {
    const Row rows[] = {
        {"empty lines go", "a\r\n\r\n\r\nb\r\n\r\n", "a\r\nb\r\n"},
        {"blanks and tabs stay", " \r\n\t\r\n", " \r\n\t\r\n"},
        {"last line gets a break", "a\r\n\r\nb", "a\r\nb\r\n"},
        {"empty text", "", ""},
        {"only breaks", "\r\n\r\n\r", ""},
        {"lone CR lines", "a\r\rb\r", "a\r\nb\r\n"},
        {"lone LF is text", "\n\r\n\n", "\n\r\n\n\r\n"},
        {"headers stay", "[FILE = \"/a\"]\r\n\r\n[LINK]", "[FILE = \"/a\"]\r\n[LINK]\r\n"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(RemoveEmptyLines(row.in), row.out) << row.name;
}

}  // namespace
