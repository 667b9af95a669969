#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "extract/core/Scanners.h"

using namespace morv;

namespace {

struct ScanRow {
    const char* name;
    TagKind kind;
    bool noRelativeLinks;
    std::string text;
    std::vector<std::string> items;  // each written as one CR LF line
};

void PrintTo(const ScanRow& row, std::ostream* os) {
    *os << row.name;
}

std::string Lines(const std::vector<std::string>& items) {
    std::string text;
    for (const std::string& item : items)
        text += item + "\r\n";
    return text;
}

const ScanRow kRows[] = {
    // Scripts and styles: whole elements, any case, line breaks kept.
    {"ScriptAtFirstCharacter",
     TagKind::Script,
     false,
     "<script>a()</script>",
     {"<script>a()</script>"}},
    {"ScriptMixedCase",
     TagKind::Script,
     false,
     "x<ScRiPt src=\"m.js\"></SCRIPT>y",
     {"<ScRiPt src=\"m.js\"></SCRIPT>"}},
    {"ScriptOverSeveralLines",
     TagKind::Script,
     false,
     "<script>\r\nvar a;\r\n</script>",
     {"<script>\r\nvar a;\r\n</script>"}},
    {"ScriptEndsAtFirstEndMarkerInAString",
     TagKind::Script,
     false,
     "<script>s=\"</script>\";</script>",
     {"<script>s=\"</script>"}},
    {"UnterminatedScriptEndsTheScan",
     TagKind::Script,
     false,
     "<script>a()</script><script>b()<script>c()",
     {"<script>a()</script>"}},
    {"NestedStartMarkerBelongsToTheFirstElement",
     TagKind::Script,
     false,
     "<script>a()<SCRIPT>b()</script>",
     {"<script>a()<SCRIPT>b()</script>"}},
    {"LongerWordStartingWithMarkerMatches",
     TagKind::Script,
     false,
     "<scripted/script>",
     {"<scripted/script>"}},
    {"TwoScripts",
     TagKind::Script,
     false,
     "<script>1</script> <script>2</script>",
     {"<script>1</script>", "<script>2</script>"}},
    {"Style",
     TagKind::Style,
     false,
     "<STYLE>b{}</style><style>i{}</Style>",
     {"<STYLE>b{}</style>", "<style>i{}</Style>"}},

    // Links.
    {"HrefValue", TagKind::Link, false, "<a href=\"../index.htm\">", {"../index.htm"}},
    {"HrefAtFirstCharacter", TagKind::Link, false, "href=\"a.htm\"", {"a.htm"}},
    {"HrefCapitals", TagKind::Link, false, "<A HREF=\"a.htm\">", {"a.htm"}},
    {"ThreeBlanksBeforeEquals", TagKind::Link, false, "<a href   =\"a.htm\">", {"a.htm"}},
    {"FourBlanksBeforeEqualsSkipsThatHref",
     TagKind::Link,
     false,
     "<a href    =\"a.htm\"> <a href=\"b.htm\">",
     {"b.htm"}},
    {"HrefWithoutEqualsIsSkipped",
     TagKind::Link,
     false,
     "hrefs \"no.htm\" href=\"yes.htm\"",
     {"yes.htm"}},
    {"SingleQuotedTakesNextDoubleQuotes",
     TagKind::Link,
     false,
     "<a href='x.htm'>t</a> <b class=\"note\">",
     {"note"}},
    {"ValueSpanningIntoTagIsDropped",
     TagKind::Link,
     false,
     "<a href=x.htm>It's 5\" tall</a> <img src=\"a.gif\">",
     {}},
    {"SemicolonDropped",
     TagKind::Link,
     false,
     "<a href=\"javascript:go();\"> <a href=\"a?x=1&amp;y=2\"> <a href=\"ok.htm\">",
     {"ok.htm"}},
    {"ShortValuesDropped", TagKind::Link, false, "<a href=\"#\"><a href=\"/\"><a href=\"\">", {}},
    {"MailtoLeftToEmails", TagKind::Link, false, "<a href=\"MailTo:me@x.org\">", {}},
    {"LineFeedBecomesBlankAndCarriageReturnStays",
     TagKind::Link,
     false,
     "<a href=\" a\r\nb.htm \">",
     {"a\r b.htm"}},
    {"OnlySpacesTrimmed", TagKind::Link, false, "<a href=\"\ta.htm  \">", {"\ta.htm"}},
    {"DuplicatesAllWritten",
     TagKind::Link,
     false,
     "href=\"a.htm\" href=\"a.htm\"",
     {"a.htm", "a.htm"}},
    {"MissingClosingQuoteEndsLinks",
     TagKind::Link,
     false,
     "href=\"a.htm\" href=\"b.htm",
     {"a.htm"}},
    {"NoRelativeKeepsHttpAndFtp",
     TagKind::Link,
     true,
     "href=\"HTTP://a.org/\" href=\"ftp://b.org/f\" href=\"https://c.org/\" "
     "href=\"//d.org/x\" href=\"rel.htm\" href=\"see http: later\"",
     {"HTTP://a.org/", "ftp://b.org/f", "see http: later"}},

    // Images.
    {"ImageSource", TagKind::Image, false, "<IMG SRC=\"pic.gif\">", {"pic.gif"}},
    {"ImageAtFirstCharacter",
     TagKind::Image,
     false,
     "<img src=\"a.gif\"><img src=\"b.gif\">",
     {"a.gif", "b.gif"}},
    {"ImageLineFeedRemovedCarriageReturnKept",
     TagKind::Image,
     false,
     "<img src=\" pi\r\nc.gif\">",
     {"pi\rc.gif"}},
    {"ImageWithoutSrcTakesALaterTagsSrc",
     TagKind::Image,
     false,
     "<img alt=\"x\"> <script src=\"menu.js\">",
     {"menu.js"}},
    {"ImageNoEqualsTestNorLessThanFilter", TagKind::Image, false, "<img src \"<b>\">", {"<b>"}},
    {"ImageSemicolonAndShortDropped",
     TagKind::Image,
     false,
     "<img src=\"a;b\"><img src=\"x\"><img src=\"ok.png\">",
     {"ok.png"}},
    {"ImageNoRelative",
     TagKind::Image,
     true,
     "<img src=\"http://a.org/p.gif\"><img src=\"p.gif\">",
     {"http://a.org/p.gif"}},
    {"ImageMissingQuoteEnds",
     TagKind::Image,
     false,
     "<img src=\"a.gif\"><img src=\"b.gif",
     {"a.gif"}},

    // E-mail addresses: up to the next double quote, unchanged.
    {"EmailWithQuery",
     TagKind::Email,
     false,
     "<a href=\"mailto:me@x.org?subject=Hi\">",
     {"mailto:me@x.org?subject=Hi"}},
    {"BareMarker", TagKind::Email, false, "mailto:\"", {"mailto:"}},
    {"RunningTextTakesLineBreaks",
     TagKind::Email,
     false,
     "write MAILTO:me\r\nnow \"",
     {"MAILTO:me\r\nnow "}},
    {"NoQuoteEndsEmails", TagKind::Email, false, "\"mailto:a@b\" mailto:c@d", {"mailto:a@b"}},

    // Nothing to find.
    {"EmptyText", TagKind::Link, false, "", {}},
    {"NoMarkers", TagKind::Script, false, "plain text", {}},
    {"NulBytesAreText",
     TagKind::Link,
     false,
     std::string("\0href=\"a\0b\"", 11),
     {std::string("a\0b", 3)}},
};

class Scanner : public ::testing::TestWithParam<ScanRow> {};

TEST_P(Scanner, WritesItsItems) {
    const ScanRow& row = GetParam();
    ReportWriter out;
    RunScanner(row.kind, row.text, row.noRelativeLinks, out, NoProgress());
    EXPECT_EQ(out.memory(), Lines(row.items));

    // The same with the start markers found beforehand in one sweep, also where the text is long
    // enough for the wide sweep.
    for (const std::string& text : {row.text, row.text + std::string(100, ' ')}) {
        StartMarkers starts;
        FindStartMarkers(text, starts);
        ReportWriter swept;
        RunScanner(row.kind, text, row.noRelativeLinks, swept, NoProgress(), &starts);
        EXPECT_EQ(swept.memory(), Lines(row.items));
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, Scanner, ::testing::ValuesIn(kRows),
                         [](const auto& info) { return std::string(info.param.name); });

// Stops after a number of polls.
class StopAfter : public ProgressObserver {
  public:
    explicit StopAfter(int polls) : left_(polls) {}
    bool ShouldStop() override { return left_-- <= 0; }

  private:
    int left_;
};

TEST(Scanners, StopRequestEndsTheScanAtTheNextItem) {
    const std::string text = "href=\"a.htm\" href=\"b.htm\" href=\"c.htm\"";
    StopAfter stop(2);
    ReportWriter out;
    ExtractLinks(text, false, out, stop);
    EXPECT_EQ(out.memory(), "a.htm\r\nb.htm\r\n");
}

TEST(Scanners, ManyMarkersWithoutDelimitersFinish) {
    // Millions of bare markers: every scanner must move on from each, never start over.
    std::string hrefs;
    for (int i = 0; i < 2000000; ++i)
        hrefs += "href";
    std::string imgs;
    for (int i = 0; i < 500000; ++i)
        imgs += "<img src=\"";
    for (TagKind kind :
         {TagKind::Script, TagKind::Style, TagKind::Link, TagKind::Image, TagKind::Email}) {
        ReportWriter out;
        RunScanner(kind, hrefs, false, out, NoProgress());
        EXPECT_EQ(out.memory(), "");
        RunScanner(kind, imgs, false, out, NoProgress());
    }
}

TEST(Scanners, MarkersAreFoundAtEveryOffsetOfLongTexts) {
    // Long texts go through the block search; each marker is placed at every offset around the
    // block edges, near the end and among bytes that equal it only with bit 0x20 set.
    for (size_t offset = 0; offset < 80; ++offset) {
        for (size_t tail : {size_t(0), size_t(1), size_t(40)}) {
            SCOPED_TRACE(testing::Message() << "offset " << offset << ", tail " << tail);
            const std::string pad(offset, '\x1c');  // '<' without bit 0x20
            std::string text =
                pad + "\x1cSCRIPT>x\x0fscript> <ScRiPt>a</sCrIpT>" + std::string(tail, 'y');
            ReportWriter scripts, swept;
            ExtractScripts(text, scripts, NoProgress());
            EXPECT_EQ(scripts.memory(), "<ScRiPt>a</sCrIpT>\r\n");
            StartMarkers starts;
            FindStartMarkers(text, starts);
            ExtractScripts(text, swept, NoProgress(), &starts);
            EXPECT_EQ(swept.memory(), scripts.memory());

            text = pad + "HrEf=\"a.htm\" mailTO:b@c.d\"" + std::string(tail, 'y');
            ReportWriter links, emails, sweptLinks, sweptEmails;
            ExtractLinks(text, false, links, NoProgress());
            ExtractEmails(text, emails, NoProgress());
            EXPECT_EQ(links.memory(), "a.htm\r\n");
            EXPECT_EQ(emails.memory(), "mailTO:b@c.d\r\n");
            FindStartMarkers(text, starts);
            ExtractLinks(text, false, sweptLinks, NoProgress(), &starts);
            ExtractEmails(text, sweptEmails, NoProgress(), &starts);
            EXPECT_EQ(sweptLinks.memory(), links.memory());
            EXPECT_EQ(sweptEmails.memory(), emails.memory());
        }
    }
}

TEST(Scanners, OneSweepFindsEveryStartMarker) {
    // Every marker at every offset of a long text, in mixed case, overlapping runs included.
    std::string text;
    std::vector<size_t> expected[kTagKindCount];
    const char* markers[kTagKindCount] = {"<sCript", "<STYLE", "hrefhref", "<Img", "MAILTO:"};
    for (int round = 0; round < 40; ++round) {
        for (int k = 0; k < kTagKindCount; ++k) {
            text += std::string(size_t(round % 7), '.');
            expected[k].push_back(text.size());
            if (k == int(TagKind::Link)) expected[k].push_back(text.size() + 4);
            text += markers[k];
        }
    }
    StartMarkers starts;
    FindStartMarkers(text, starts);
    for (int k = 0; k < kTagKindCount; ++k)
        EXPECT_EQ(starts.at[k], expected[k]) << markers[k];
}

TEST(Scanners, ReferencesComeWithTheirPlaces) {
    struct Row {
        const char* name;
        bool images;
        std::string text;
        std::string value;
        size_t begin, end, marker;
    } rows[] = {
        {"link", false, "<a href=\"a.htm\">", "a.htm", 9, 14, 3},
        {"link broken over lines, trimmed", false, "<a href=\" a\nb \">", "a b", 9, 14, 3},
        {"image", true, "x<IMG alt=\"\" src=\"i.gif\">", "i.gif", 18, 23, 1},
    };
    for (const Row& row : rows) {
        std::vector<FoundReference> found;
        std::vector<std::string> values;
        auto keep = [&](const FoundReference& reference) {
            found.push_back(reference);
            values.emplace_back(reference.value);
        };
        if (row.images)
            ScanImages(row.text, keep, NoProgress());
        else
            ScanLinks(row.text, keep, NoProgress());
        ASSERT_EQ(found.size(), 1u) << row.name;
        EXPECT_EQ(values[0], row.value) << row.name;
        EXPECT_EQ(found[0].begin, row.begin) << row.name;
        EXPECT_EQ(found[0].end, row.end) << row.name;
        EXPECT_EQ(found[0].marker, row.marker) << row.name;
    }
}

TEST(Scanners, SectionHeaders) {
    EXPECT_EQ(SectionHeader(TagKind::Script), "[SCRIPT]");
    EXPECT_EQ(SectionHeader(TagKind::Style), "[STYLE]");
    EXPECT_EQ(SectionHeader(TagKind::Link), "[LINK]");
    EXPECT_EQ(SectionHeader(TagKind::Image), "[IMAGE]");
    EXPECT_EQ(SectionHeader(TagKind::Email), "[E-MAIL]");
}

}  // namespace
