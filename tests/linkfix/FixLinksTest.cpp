#include <gtest/gtest.h>

#include <random>

#include "editor/core/StringBuffer.h"
#include "helpers/core/TextUtil.h"
#include "linkfix/core/FixLinks.h"
#include "linkfix/core/LinkResolver.h"

using namespace morv;

namespace {

constexpr const char* kRoot = "www.example.org";
constexpr const char* kPath = "products/software/games";
constexpr const char* kBase = "http://www.example.org/products/software/games/";

// Joins lines with CR LF.
std::string Lines(std::initializer_list<std::string_view> lines) {
    std::string text;
    for (std::string_view line : lines) {
        if (!text.empty() || line.data() != lines.begin()->data()) text += "\r\n";
        text += line;
    }
    return text;
}

struct Outcome {
    FixLinksResult result;
    std::string text;
    long selStart;
    long selLength;
};

Outcome Fix(const std::string& text, FixScope scope = FixScope::WholeDocument, long selStart = 0,
            long selLength = 0, FixCaret caret = FixCaret::LastFixedPosition,
            ProgressObserver& progress = NoProgress()) {
    StringBuffer buffer(text);
    buffer.Select(selStart, selLength);
    FixLinksOptions options{kRoot, kPath, scope, caret};
    Outcome out;
    out.result = FixLinksInDocument(buffer, options, progress);
    out.text = buffer.str();
    out.selStart = buffer.SelectionStart();
    out.selLength = buffer.SelectionLength();
    return out;
}

TEST(FixLinksInDocument, WorkedExamples) {
    const std::string root = "http://www.example.org/";
    struct Row {
        const char* name;
        const char* line;
        std::string fixed;
    } rows[] = {
        {"plain file", "index.htm", root + "products/software/games/index.htm"},
        {"dot-slash", "./img/a.gif", root + "products/software/games/img/a.gif"},
        {"one level up", "../a.htm", root + "products/software/a.htm"},
        {"above the root", "../../../../a.htm", root + "a.htm"},
        {"root-relative", "/a.htm", root + "products/software/games/a.htm"},
        {"backslashes", "..\\b\\c.htm", root + "products/software/b/c.htm"},
        {"climb in the middle", "x/../y.htm", root + "products/software/y.htm"},
        {"absolute address", "http://www.example.org/a.htm", "http://www.example.org/a.htm"},
        {"in-page anchor", "#top", "#top"},
        {"one character", "x", "x"},
    };
    for (const Row& row : rows) {
        const Outcome out = Fix(Lines({"[FILE = \"/w/a.htm\"]", "", "[LINK]", row.line, "", ""}));
        EXPECT_EQ(out.result.outcome, FixOutcome::Finished) << row.name;
        EXPECT_EQ(out.text, Lines({"[FILE = \"/w/a.htm\"]", "", "[LINK]", row.fixed, "", ""}))
            << row.name;
    }
}

// Two file blocks as the extraction writes them, with every kind of section.
const std::string kTwoBlocks = Lines({
    "[FILE = \"/w/a.htm\"]",
    "",
    "[SCRIPT]",
    "<script src=\"m.js\"></script>",
    "",
    "[LINK]",
    "a.htm",
    "../b.htm",
    "",
    "[IMAGE]",
    "i.gif",
    "",
    "[E-MAIL]",
    "mailto:x@y",
    "",
    "",
    "[FILE = \"/w/b.htm\"]",
    "",
    "[STYLE]",
    "p{}",
    "",
    "[LINK]",
    "c.htm",
    "",
    "[IMAGE]",
    "j.gif",
    "",
    "",
});

std::string FixedTwoBlocks(bool firstLinks, bool secondLinks) {
    std::string text = kTwoBlocks;
    auto fix = [&](const std::string& line, const std::string& fixed) {
        const size_t at = text.find("\r\n" + line + "\r\n");
        text.replace(at + 2, line.size(), fixed);
    };
    if (firstLinks) {
        fix("a.htm", std::string(kBase) + "a.htm");
        fix("../b.htm", "http://www.example.org/products/software/b.htm");
    }
    fix("i.gif", std::string(kBase) + "i.gif");
    if (secondLinks) fix("c.htm", std::string(kBase) + "c.htm");
    fix("j.gif", std::string(kBase) + "j.gif");
    return text;
}

TEST(FixLinksInDocument, TwoBlocksWholeDocument) {
    const Outcome out = Fix(kTwoBlocks);
    EXPECT_EQ(out.result.outcome, FixOutcome::Finished);
    EXPECT_EQ(out.result.linesFixed, 5);
    EXPECT_EQ(out.text, FixedTwoBlocks(true, true));
}

TEST(FixLinksInDocument, SectionsAreTakenInDocumentOrder) {
    struct Row {
        const char* name;
        std::string report;
        std::string fixed;
    } rows[] = {
        {"a block without [IMAGE] before one with both",
         Lines({"[LINK]", "a.htm", "[FILE = \"b\"]", "[LINK]", "b.htm", "[IMAGE]", "c.gif"}),
         Lines({"[LINK]", std::string(kBase) + "a.htm", "[FILE = \"b\"]", "[LINK]",
                std::string(kBase) + "b.htm", "[IMAGE]", std::string(kBase) + "c.gif"})},
        {"a block with only [IMAGE] before one with [LINK]",
         Lines({"[IMAGE]", "a.gif", "[FILE = \"b\"]", "[LINK]", "b.htm"}),
         Lines({"[IMAGE]", std::string(kBase) + "a.gif", "[FILE = \"b\"]", "[LINK]",
                std::string(kBase) + "b.htm"})},
        {"lower-case headers", Lines({"[link]", "a.htm"}),
         Lines({"[link]", std::string(kBase) + "a.htm"})},
        {"other sections untouched", Lines({"[SCRIPT]", "a.js", "[LINK]", "[STYLE]", "b.css"}),
         Lines({"[SCRIPT]", "a.js", "[LINK]", "[STYLE]", "b.css"})},
    };
    for (const Row& row : rows)
        EXPECT_EQ(Fix(row.report).text, row.fixed) << row.name;
}

TEST(FixLinksInDocument, Scopes) {
    const long inFirstLinks = long(kTwoBlocks.find("../b.htm"));
    const long aboveSecondBlock = long(kTwoBlocks.find("[FILE = \"/w/b.htm\"]"));
    const long firstLinkHeader = long(kTwoBlocks.find("[LINK]"));
    const long firstImageLine = long(kTwoBlocks.find("i.gif"));
    std::string onlyB = kTwoBlocks;
    onlyB.replace(onlyB.find("../b.htm"), 8, "http://www.example.org/products/software/b.htm");
    std::string secondBlockOnly = kTwoBlocks;
    {
        const std::string all = FixedTwoBlocks(false, true);
        const size_t at = size_t(aboveSecondBlock);
        secondBlockOnly = kTwoBlocks.substr(0, at) + all.substr(all.find("[FILE = \"/w/b.htm\"]"));
    }
    struct Row {
        const char* name;
        FixScope scope;
        long selStart, selLength;
        std::string fixed;
    } rows[] = {
        {"this point forward inside a section starts at the caret's line",
         FixScope::ThisPointForward, inFirstLinks + 3, 0,
         [&] {
             std::string t = FixedTwoBlocks(true, true);
             const std::string a = std::string(kBase) + "a.htm";
             t.replace(t.find(a), a.size(), "a.htm");
             return t;
         }()},
        {"this point forward above a block fixes its [LINK] section", FixScope::ThisPointForward,
         aboveSecondBlock, 0, secondBlockOnly},
        {"this point forward on a header line", FixScope::ThisPointForward, firstLinkHeader, 0,
         FixedTwoBlocks(true, true)},
        {"selection of part of a line fixes the line whole", FixScope::Selection, inFirstLinks + 2,
         3, onlyB},
        {"selection ending at a line start leaves that line", FixScope::Selection, inFirstLinks,
         long(kTwoBlocks.find("\r\n", size_t(inFirstLinks))) + 2 - inFirstLinks, onlyB},
        {"selection ending inside the next section", FixScope::Selection, inFirstLinks,
         firstImageLine + 1 - inFirstLinks,
         [&] {
             std::string t = onlyB;
             t.replace(t.find("i.gif"), 5, std::string(kBase) + "i.gif");
             return t;
         }()},
    };
    for (const Row& row : rows) {
        const Outcome out = Fix(kTwoBlocks, row.scope, row.selStart, row.selLength);
        EXPECT_EQ(out.result.outcome, FixOutcome::Finished) << row.name;
        EXPECT_EQ(out.text, row.fixed) << row.name;
    }
}

TEST(FixLinksInDocument, SelectionEndIsTrackedExactly) {
    // Each fixed line grows by far more than two characters; the line below the selection must
    // stay as it is however many lines above it were rewritten.
    std::string report = "[LINK]";
    for (int i = 0; i < 50; ++i)
        report += "\r\na" + std::to_string(i) + ".htm";
    const long selEnd = long(report.size()) + 2;
    report += "\r\nbelow.htm";
    const Outcome out = Fix(report, FixScope::Selection, 8, selEnd - 8);
    EXPECT_EQ(out.result.linesFixed, 50);
    EXPECT_TRUE(out.text.ends_with("\r\nbelow.htm"));
}

TEST(FixLinksInDocument, LineShapes) {
    struct Row {
        const char* name;
        const char* line;
        std::string fixed;
    } rows[] = {
        {"spaces around a link", "   a.htm  ", std::string(kBase) + "a.htm"},
        {"spaces only", "     ", "     "},
        {"mailto address kept", "mailto:someone@example.org", "mailto:someone@example.org"},
        {"script address kept", "javascript:void(0)", "javascript:void(0)"},
        {"comment line", "; Warning: File not found.", "; Warning: File not found."},
        {"tab kept inside", "\ta.htm", std::string(kBase) + "\ta.htm"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(Fix(Lines({"[IMAGE]", row.line, ""})).text, Lines({"[IMAGE]", row.fixed, ""}))
            << row.name;
    }
}

TEST(FixLinksInDocument, CaretAfterwards) {
    const std::string report = Lines({"x", "[LINK]", "a.htm", "b.htm", "[STYLE]", "s"});
    const long lastFixedEnd = long(
        Lines({"x", "[LINK]", std::string(kBase) + "a.htm", std::string(kBase) + "b.htm"}).size());
    const long styleLine = lastFixedEnd + 2;
    const long newLength = long(Fix(report).text.size());
    struct Row {
        const char* name;
        FixScope scope;
        long selStart;
        FixCaret caret;
        long expected;
    } rows[] = {
        {"first fixed position is the scope's start", FixScope::ThisPointForward, 1,
         FixCaret::FirstFixedPosition, 1},
        {"first fixed position, whole document", FixScope::WholeDocument, 5,
         FixCaret::FirstFixedPosition, 0},
        {"last fixed position: start of the last line read", FixScope::WholeDocument, 0,
         FixCaret::LastFixedPosition, styleLine},
        {"begin of document", FixScope::WholeDocument, 0, FixCaret::BeginOfDocument, 0},
        {"end of document", FixScope::WholeDocument, 0, FixCaret::EndOfDocument, newLength},
    };
    for (const Row& row : rows) {
        const Outcome out = Fix(report, row.scope, row.selStart, 0, row.caret);
        EXPECT_EQ(out.selStart, row.expected) << row.name;
        EXPECT_EQ(out.selLength, 0) << row.name;
    }
    // When the text ends inside a section, the scan stops after the last rewritten line.
    const Outcome atEnd = Fix(Lines({"[LINK]", "a.htm"}));
    EXPECT_EQ(atEnd.selStart, long(atEnd.text.size()));
}

TEST(FixLinksInDocument, NoSectionChangesNothing) {
    struct Row {
        const char* name;
        std::string report;
        FixScope scope;
        long selStart, selLength;
    } rows[] = {
        {"report without link sections", Lines({"[SCRIPT]", "a.js"}), FixScope::WholeDocument, 0,
         0},
        {"caret below the last section", Lines({"[LINK]", "a.htm", "[STYLE]", "b.css"}),
         FixScope::ThisPointForward, 24, 0},
        {"selection before the header", Lines({"x.htm", "y.htm", "[LINK]", "a.htm"}),
         FixScope::Selection, 0, 9},
        {"empty document", "", FixScope::WholeDocument, 0, 0},
    };
    for (const Row& row : rows) {
        const Outcome out = Fix(row.report, row.scope, row.selStart, row.selLength);
        EXPECT_EQ(out.result.outcome, FixOutcome::NoSection) << row.name;
        EXPECT_EQ(out.result.message,
                  "Unable to perform requested operation.\r\n\r\nThere is no [LINK] or [IMAGE] "
                  "section detected.")
            << row.name;
        EXPECT_EQ(out.text, row.report) << row.name;
        EXPECT_EQ(out.selStart, row.selStart) << row.name;
        EXPECT_EQ(out.selLength, row.selLength) << row.name;
    }
}

// Stops after a given number of polls and records what it was told.
class StopAfter : public ProgressObserver {
  public:
    explicit StopAfter(int polls) : polls_(polls) {}
    void SetAction(std::string_view text) override { action = text; }
    void SetStatus(std::string_view text) override { statuses.emplace_back(text); }
    void SetMax(long max) override { this->max = max; }
    void SetValue(long value) override { values.push_back(value); }
    bool ShouldStop() override { return polls_-- <= 0; }

    std::string action;
    std::vector<std::string> statuses;
    long max = -1;
    std::vector<long> values;

  private:
    int polls_;
};

TEST(FixLinksInDocument, StopKeepsFixedLinesAndCaret) {
    const std::string report = Lines({"[LINK]", "a.htm", "b.htm", "c.htm"});
    // Polls: once for the section, then once per line; stop before the third line.
    StopAfter stop(3);
    const Outcome out = Fix(report, FixScope::WholeDocument, 0, 0, FixCaret::BeginOfDocument, stop);
    EXPECT_EQ(out.result.outcome, FixOutcome::Stopped);
    const std::string partial =
        Lines({"[LINK]", std::string(kBase) + "a.htm", std::string(kBase) + "b.htm", "c.htm"});
    EXPECT_EQ(out.text, partial);
    EXPECT_EQ(out.selStart, long(partial.find("\r\nc.htm")));  // not moved by the caret choice
    EXPECT_EQ(stop.statuses, (std::vector<std::string>{"a.htm", "b.htm"}));
}

TEST(FixLinksInDocument, ProgressCountsLines) {
    StopAfter watch(1000);
    const std::string report = Lines({"[FILE = \"a\"]", "[LINK]", "a.htm", "[STYLE]", "x", ""});
    Fix(report, FixScope::WholeDocument, 0, 0, FixCaret::LastFixedPosition, watch);
    EXPECT_EQ(watch.action, "Fixing relative links...");
    EXPECT_EQ(watch.max, 6);
    EXPECT_EQ(watch.values, (std::vector<long>{1, 2, 3, 6}));
}

// The run as a sequence of the buffer's own edits, one selection replacement per line, as the
// command is described step by step. Slow but plain; the real run must give the same document
// and the same selection.
struct Stepwise {
    FixOutcome outcome;
    std::string text;
    long selStart, selLength;
};

Stepwise StepwiseFix(std::string text, FixScope scope, long selStart, long selLength,
                     FixCaret caret) {
    StringBuffer b(std::move(text));
    b.Select(selStart, selLength);
    const LinkBase base = MakeLinkBase(kRoot, kPath);
    long start = 0;
    long end = kEndOfText;
    if (scope != FixScope::WholeDocument) start = b.SelectionStart();
    if (scope == FixScope::Selection) end = start + b.SelectionLength();
    auto findSection = [&](long from) {
        const long link = b.Find("[LINK]", from, end, kFindNoSelect);
        const long image = b.Find("[IMAGE]", from, end, kFindNoSelect);
        const long at = image < 0 || (link >= 0 && link < image) ? link : image;
        if (at >= 0) b.Select(at, at == link ? 6 : 7);
        return at;
    };
    long i;
    if (scope != FixScope::WholeDocument && IsInLinkOrImageSection(b.str(), start)) {
        b.SetCaret(start);
        i = b.LineFromOffset(start) - 1;
    } else {
        if (findSection(start) < 0) return {FixOutcome::NoSection, b.str(), selStart, selLength};
        i = b.LineFromOffset(b.SelectionStart()) - (scope == FixScope::WholeDocument ? 0 : 1);
    }
    while (true) {
        long s;
        while (true) {
            s = b.LineStart(++i);
            if (s < 0) goto finished;
            if (s >= end) break;
            b.Select(s, b.LineLength(i));
            const std::string line = b.SelectedText();
            if (line.starts_with('[')) break;
            if (!IsFixCandidate(line)) continue;
            const std::string trimmed(TrimBlanks(line));
            if (trimmed.empty()) continue;
            const std::string fixed = ResolveRelativeLink(base, trimmed);
            b.ReplaceSelection(fixed);
            end += long(fixed.size()) - long(line.size());
        }
        if (findSection(s) < 0) break;
        i = b.LineFromOffset(b.SelectionStart());
    }
finished:
    b.Select(b.SelectionStart(), 0);
    if (caret == FixCaret::FirstFixedPosition) b.SetCaret(start);
    if (caret == FixCaret::BeginOfDocument) b.SetCaret(0);
    if (caret == FixCaret::EndOfDocument) b.SetCaret(kEndOfText);
    return {FixOutcome::Finished, b.str(), b.SelectionStart(), b.SelectionLength()};
}

TEST(FixLinksInDocument, SameAsStepwiseEditsOnRandomReports) {
    const std::vector<std::string> pieces = {"[FILE = \"/w/a.htm\"]",
                                             "",
                                             "[SCRIPT]",
                                             "var a;",
                                             "[LINK]",
                                             "[IMAGE]",
                                             "[E-MAIL]",
                                             "a.htm",
                                             "../b.htm",
                                             "  c.htm ",
                                             "#top",
                                             "x",
                                             "http://h/a",
                                             "mailto:a@b",
                                             "img\\a.gif",
                                             "./d/e.htm",
                                             "x[LINK]y",
                                             "[link]",
                                             "../../../z.htm",
                                             "a\rb",
                                             "\nc.htm",
                                             "; note",
                                             "[FILE = \"[IMAGE]\"]",
                                             "  "};
    std::mt19937 random(20260);
    for (int round = 0; round < 3000; ++round) {
        std::string text;
        const int count = int(random() % 30);
        for (int n = 0; n < count; ++n) {
            if (n > 0) text += "\r\n";
            text += pieces[random() % pieces.size()];
        }
        const FixScope scope = FixScope(random() % 3);
        const long selStart = text.empty() ? 0 : long(random() % (text.size() + 1));
        const long selLength = long(random() % (text.size() - size_t(selStart) + 1));
        const FixCaret caret = FixCaret(random() % 4);
        const Stepwise expected = StepwiseFix(text, scope, selStart, selLength, caret);
        const Outcome out = Fix(text, scope, selStart, selLength, caret);
        ASSERT_EQ(out.result.outcome, expected.outcome) << "round " << round;
        ASSERT_EQ(out.text, expected.text) << "round " << round;
        ASSERT_EQ(out.selStart, expected.selStart)
            << "round " << round << " scope " << int(scope) << " sel " << selStart << "+"
            << selLength << " caret " << int(caret) << "\n"
            << text;
        ASSERT_EQ(out.selLength, expected.selLength) << "round " << round;
    }
}

}  // namespace
