#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "editor/core/StringBuffer.h"
#include "helpers/core/CliCommand.h"
#include "search/core/FindReplace.h"
#include "search/core/SearchCli.h"

using namespace morv;

namespace {

TEST(FindNextMatch, StartsOneAfterTheCaret) {
    struct Row {
        const char* name;
        std::string text, what;
        long selStart, selLength;
        int flags;
        long found;
    } rows[] = {
        {"caret at a match finds the next one", "word word", "word", 0, 0, 0, 5},
        {"selected match finds the next one", "ab ab ab", "ab", 3, 2, 0, 6},
        {"caret one before a match finds it", "xab", "ab", 0, 0, 0, 1},
        {"case ignored without the flag", "x ABC", "abc", 0, 0, 0, 2},
        {"match case", "x ABC abc", "abc", 0, 0, kFindMatchCase, 6},
        {"whole word", "x cat_s cats cat", "cat", 0, 0, kFindWholeWord, 13},
        {"nothing after the caret", "abc", "abc", 0, 0, 0, -1},
        {"caret at the end", "abc", "c", 3, 0, 0, -1},
    };
    for (const Row& row : rows) {
        StringBuffer buffer(row.text);
        buffer.Select(row.selStart, row.selLength);
        EXPECT_EQ(FindNextMatch(buffer, row.what, row.flags), row.found) << row.name;
        if (row.found >= 0) {
            EXPECT_EQ(buffer.SelectionStart(), row.found) << row.name;
            EXPECT_EQ(buffer.SelectionLength(), long(row.what.size())) << row.name;
        } else {
            EXPECT_EQ(buffer.SelectionStart(), row.selStart) << row.name;
            EXPECT_EQ(buffer.SelectionLength(), row.selLength) << row.name;
        }
    }
}

TEST(ReplaceNextMatch, ReplacesAndSelectsTheNext) {
    struct Row {
        const char* name;
        std::string text;
        long selStart, selLength;
        std::string after;
        long replacedAt, nextAt;
    } rows[] = {
        {"selected match is replaced", "cat cat cat", 4, 3, "cat dog cat", 4, 8},
        {"caret before a match skips it", "cat cat cat", 0, 0, "cat dog cat", 4, 8},
        {"caret one before a match replaces it", " cat", 0, 0, " dog", 1, -1},
        {"last match: nothing selected after", "cat x", 0, 3, "dog x", 0, -1},
        {"nothing to replace", "x cat", 2, 0, "x cat", -1, -1},
    };
    for (const Row& row : rows) {
        StringBuffer buffer(row.text);
        buffer.Select(row.selStart, row.selLength);
        const ReplaceOutcome outcome = ReplaceNextMatch(buffer, "cat", "dog", 0);
        EXPECT_EQ(buffer.Text(), row.after) << row.name;
        EXPECT_EQ(outcome.replacedAt, row.replacedAt) << row.name;
        EXPECT_EQ(outcome.nextAt, row.nextAt) << row.name;
        if (row.nextAt >= 0) {
            EXPECT_EQ(buffer.SelectionStart(), row.nextAt) << row.name;
            EXPECT_EQ(buffer.SelectedText(), "cat") << row.name;
        }
    }
}

// Replace All as the dialog describes it, one editor operation at a time: the result the fast
// single pass must give.
ReplaceAllResult ReplaceAllStepByStep(const std::string& text, const std::string& what,
                                      const std::string& replacement, int flags) {
    StringBuffer buffer(text);
    ReplaceAllResult result;
    long p = buffer.Find(what, 0, kEndOfText, flags);
    while (p >= 0) {
        buffer.ReplaceSelection(replacement);
        ++result.count;
        result.caret = buffer.SelectionStart();
        p = buffer.Find(what, buffer.SelectionStart() + 1, kEndOfText, flags);
    }
    result.text = buffer.Text();
    return result;
}

TEST(ReplaceAllMatches, AgreesWithTheStepByStepReplace) {
    struct Row {
        const char* name;
        std::string text, what, replacement;
        int flags;
        std::string expected;
    } rows[] = {
        {"four a's: first and third", "aaaa", "a", "b", 0, "baba"},
        {"match at the start is replaced", "cat, cat", "cat", "dog", 0, "dog, dog"},
        {"adjacent match passed over", "catcat cat", "cat", "dog", 0, "dogcat dog"},
        {"replacement holding the text does not loop", "a a a", "a", "aa", 0, "aa aa aa"},
        {"case ignored", "Cat CAT cat", "cat", "x", 0, "x x x"},
        {"match case", "Cat CAT cat", "cat", "x", kFindMatchCase, "Cat CAT x"},
        {"whole word", "cat cats _cat cat.", "cat", "x", kFindWholeWord, "x cats _cat x."},
        {"whole word needs the original neighbour", "cat cat", "cat", "x", kFindWholeWord, "x x"},
        {"one character between matches", "abXab", "ab", "", 0, "X"},
        {"empty replacement", "a-b-c", "-", "", 0, "abc"},
        {"nothing found", "abc", "x", "y", 0, "abc"},
        {"empty text", "", "x", "y", 0, ""},
        {"longer than the text", "ab", "abc", "y", 0, "ab"},
        {"letter whose other case is rare", "fFfffF", "f", "g", 0, "gFgfgF"},
        {"CR LF", "a\r\nb\r\n", "\r\n", " ", 0, "a b "},
    };
    for (const Row& row : rows) {
        const ReplaceAllResult fast =
            ReplaceAllMatches(row.text, row.what, row.replacement, row.flags);
        const ReplaceAllResult slow =
            ReplaceAllStepByStep(row.text, row.what, row.replacement, row.flags);
        EXPECT_EQ(fast.text, row.expected) << row.name;
        EXPECT_EQ(slow.text, row.expected) << row.name;
        EXPECT_EQ(fast.count, slow.count) << row.name;
        EXPECT_EQ(fast.caret, slow.caret) << row.name;
    }
}

TEST(ReplaceAllCli, Arguments) {
    struct Row {
        const char* name;
        std::vector<std::string> args;
        std::string in;
        int exit;
        std::string out;
    } rows[] = {
        {"plain", {"a", "b"}, "aaaa", kExitOk, "baba"},
        {"flags",
         {"--match-case", "--whole-word", "cat", "dog"},
         "Cat cat cats",
         kExitOk,
         "Cat dog cats"},
        {"line breaks as in the editor", {"x", "y"}, "x\nx\r", kExitOk, "y\r\ny\r\n"},
        {"option-like operands after --", {"--", "--a", "b"}, "--a", kExitOk, "b"},
        {"empty find", {"", "b"}, "a", kExitUsage, ""},
        {"missing replacement", {"a"}, "a", kExitUsage, ""},
        {"unknown option", {"--regex", "a", "b"}, "a", kExitUsage, ""},
    };
    for (const Row& row : rows) {
        std::istringstream in(row.in);
        std::ostringstream out, err;
        EXPECT_EQ(RunReplaceAllCommand(row.args, in, out, err), row.exit) << row.name;
        EXPECT_EQ(out.str(), row.out) << row.name;
    }
}

}  // namespace
