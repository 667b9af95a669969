#include <gtest/gtest.h>

#include <string>

#include "editor/core/ChangedRange.h"

using namespace morv;

namespace {

TEST(ChangedRange, ReplacesOnlyWhatDiffersAndKeepsCharactersWhole) {
    const struct {
        const char* name;
        std::string before, after;
        size_t start, oldEnd, newEnd;
    } rows[] = {
        {"nothing", "same", "same", 4, 4, 4},
        {"middle line", "a\r\nb\r\nc", "a\r\nXY\r\nc", 3, 4, 5},
        {"lines removed", "a\r\n\r\n\r\nb", "a\r\nb", 3, 7, 3},
        {"break added at the end", "a", "a\r\n", 1, 1, 3},
        {"everything", "abc", "", 0, 3, 0},
        {"from nothing", "", "xyz", 0, 0, 3},
        {"head and tail overlap", "aaa", "aaaa", 3, 3, 4},
        // é (C3 A9) becomes è (C3 A8): the cut goes before the whole character.
        {"inside a character", "caf\xc3\xa9!", "caf\xc3\xa8!", 3, 5, 5},
        // The tail shares "\n": the cut must not fall between CR and LF.
        {"between CR and LF", "x\r\ny", "z\r\ny", 0, 1, 1},
        {"CR LF made lone", "a\r\nb", "a\rXb", 1, 3, 3},
        // Large texts are compared in blocks: a change past the first block is found exactly.
        {"past a block", std::string(10000, 'a') + "b" + std::string(9000, 'c'),
         std::string(10000, 'a') + "B" + std::string(9000, 'c'), 10000, 10001, 10001},
    };
    for (const auto& row : rows) {
        const ChangedRange range = FindChangedRange(row.before, row.after);
        EXPECT_EQ(range.start, row.start) << row.name;
        EXPECT_EQ(range.oldEnd, row.oldEnd) << row.name;
        EXPECT_EQ(range.newEnd, row.newEnd) << row.name;
        // Applying the replacement gives the new text.
        std::string applied = row.before;
        applied.replace(range.start, range.oldEnd - range.start,
                        row.after.substr(range.start, range.newEnd - range.start));
        EXPECT_EQ(applied, row.after) << row.name;
    }
}

}  // namespace
