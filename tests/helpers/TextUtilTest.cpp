#include <gtest/gtest.h>

#include <string>

#include "helpers/core/TextUtil.h"

using namespace morv;

namespace {

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
