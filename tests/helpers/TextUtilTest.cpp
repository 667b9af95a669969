#include <gtest/gtest.h>

#include <string>

#include "helpers/core/TextUtil.h"

using namespace morv;

namespace {

TEST(AppendUtf8, EncodesScalarValuesAndReplacesTheRest) {
    struct Row {
        char32_t codePoint;
        std::string bytes;
    };
    const Row rows[] = {
        {U'A', "A"},
        {0x7F, "\x7F"},
        {0x80, "\xC2\x80"},
        {0x20AC, "\xE2\x82\xAC"},
        {0xFFFD, "\xEF\xBF\xBD"},
        {0x10348, "\xF0\x90\x8D\x88"},
        {0x10FFFF, "\xF4\x8F\xBF\xBF"},
        {0xD800, "\xEF\xBF\xBD"},    // a surrogate is no character of its own
        {0x110000, "\xEF\xBF\xBD"},  // past the last code point
    };
    for (const Row& row : rows) {
        std::string out = "x";
        AppendUtf8(out, row.codePoint);
        EXPECT_EQ(out, "x" + row.bytes) << std::hex << unsigned(row.codePoint);
    }
}

TEST(FindIgnoreCase, CandidatesOfBothCases) {
    const size_t npos = std::string_view::npos;
    struct Row {
        const char* name;
        std::string hay, needle;
        size_t from, expected;
    } rows[] = {
        {"lower-case candidates before an upper-case match", "ta tb tc TZ", "tz", 0, 9},
        {"upper-case candidates before a lower-case match", "TA TB tz", "tz", 0, 6},
        {"cases alternate", "tTtTtTtz", "TZ", 0, 6},
        {"other case absent", "tatbtctz", "tz", 1, 6},
        {"no match, both cases present", "tTtTtT", "tz", 0, npos},
        {"match right at from", "xTz", "tz", 1, 1},
        {"from past the last start", "tz", "tz", 1, npos},
        {"first byte without case", "[a [A [b", "[B", 0, 6},
        {"match at the very end", "ttttttTZ", "tz", 0, 6},
    };
    for (const Row& row : rows)
        EXPECT_EQ(FindIgnoreCase(row.hay, row.needle, row.from), row.expected) << row.name;
}

TEST(IgnoreCaseFinder, SeriesOfSearchesMovingForwards) {
    const std::string hay = "Ab ab xx AB aB ab";
    IgnoreCaseFinder finder(hay, "ab");
    const size_t npos = std::string_view::npos;
    const struct {
        size_t from, expected;
    } steps[] = {{0, 0}, {1, 3}, {4, 9}, {9, 9}, {10, 12}, {13, 15}, {16, npos}, {40, npos}};
    for (const auto& step : steps)
        EXPECT_EQ(finder.Next(step.from), step.expected) << step.from;
}

}  // namespace
