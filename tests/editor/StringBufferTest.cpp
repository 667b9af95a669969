#include <gtest/gtest.h>

#include "editor/core/StringBuffer.h"

using namespace morv;

namespace {

TEST(FindInText, FlagsAndRanges) {
    const std::string text = "Foo foo_bar FOO food\r\nfoo";
    struct Row {
        const char* name;
        const char* what;
        long start, end;
        int flags;
        long expected;
    } rows[] = {
        {"case ignored by default", "foo", 1, -1, 0, 4},
        {"match case", "FOO", 0, -1, kFindMatchCase, 12},
        {"whole word skips foo_bar and food", "foo", 1, -1, kFindWholeWord, 12},
        {"whole word and case", "foo", 1, -1, kFindWholeWord | kFindMatchCase, 22},
        {"end bounds the match", "food", 0, 19, 0, -1},
        {"end of text marker", "foo", 21, kEndOfText, 0, 22},
        {"start past end", "foo", 10, 5, 0, -1},
        {"empty needle", "", 0, -1, 0, -1},
        {"start beyond text", "foo", 100, -1, 0, -1},
        {"negative start is the text start", "Foo", -5, -1, kFindMatchCase, 0},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(FindInText(text, row.what, row.start, row.end, row.flags), row.expected)
            << row.name;
    }
}

TEST(FindInText, NonAsciiBytesAreWordCharacters) {
    EXPECT_EQ(FindInText("caf\xc3\xa9 cafe", "caf", 0, -1, kFindWholeWord), -1);
    EXPECT_EQ(FindInText("x caf\xc3\xa9", "caf\xc3\xa9", 0, -1, kFindWholeWord), 2);
}

TEST(StringBuffer, Lines) {
    StringBuffer buffer("ab\r\ncd\r\n\r\nlast\rx");
    EXPECT_EQ(buffer.LineCount(), 4);
    struct Row {
        long line, start, length;
    } rows[] = {{0, 0, 2}, {1, 4, 2}, {2, 8, 0}, {3, 10, 6}, {4, -1, 0}, {-1, -1, 0}};
    for (const Row& row : rows) {
        EXPECT_EQ(buffer.LineStart(row.line), row.start) << row.line;
        EXPECT_EQ(buffer.LineLength(row.line), row.length) << row.line;
    }
    EXPECT_EQ(buffer.LineFromOffset(0), 0);
    EXPECT_EQ(buffer.LineFromOffset(3), 0);  // inside the break
    EXPECT_EQ(buffer.LineFromOffset(4), 1);
    EXPECT_EQ(buffer.LineFromOffset(kEndOfText), 3);
    EXPECT_EQ(StringBuffer("").LineCount(), 1);
    EXPECT_EQ(StringBuffer("a\r\n").LineCount(), 2);
}

TEST(StringBuffer, SelectionAndReplace) {
    StringBuffer buffer("[FILE = \"/a/b.htm\"]\r\n[LINK]\r\nx");
    EXPECT_EQ(buffer.Find("\"", 0, kEndOfText, kFindNoSelect), 8);
    EXPECT_EQ(buffer.SelectionStart(), 0);  // no selection with kFindNoSelect
    buffer.SetCaret(9);
    buffer.ExtendSelectionOverNotIn("\"");
    EXPECT_EQ(buffer.SelectedText(), "/a/b.htm");
    buffer.MoveCaretBackToAny("[");
    EXPECT_EQ(buffer.SelectionStart(), 1);
    EXPECT_EQ(buffer.SelectionLength(), 0);
    buffer.SetCaret(0);
    buffer.MoveCaretBackToAny("[");
    EXPECT_EQ(buffer.SelectionStart(), 0);

    EXPECT_EQ(buffer.Find("[link]", 0, kEndOfText, 0), 21);
    EXPECT_EQ(buffer.SelectedText(), "[LINK]");
    buffer.ReplaceSelection("[IMAGE]");
    EXPECT_EQ(buffer.SelectionStart(), 28);
    EXPECT_EQ(buffer.Text(), "[FILE = \"/a/b.htm\"]\r\n[IMAGE]\r\nx");
    EXPECT_EQ(buffer.LineStart(2), 30);

    buffer.Select(25, kEndOfText);
    EXPECT_EQ(buffer.SelectionLength(), buffer.Length() - 25);
    buffer.Select(-3, 2);
    EXPECT_EQ(buffer.SelectionStart(), 0);
    EXPECT_EQ(buffer.SelectionLength(), 2);
    buffer.SetCaret(kEndOfText);
    EXPECT_EQ(buffer.SelectionStart(), buffer.Length());
}

}  // namespace
