#include <gtest/gtest.h>

#include "services/core/DataFiles.h"
#include "services/core/HelpIndex.h"

namespace morv {
namespace {

struct TextRow {
    const char* name;
    const char* html;
    const char* text;
};

TEST(HtmlToText, VisibleTextOnly) {
    const TextRow rows[] = {
        {"tags", "<p>Save <b>As</b> ..</p>", "Save As .."},
        {"blocks break words", "<li>one</li><li>two</li>", "one two"},
        {"inline tags join", "re<i>port</i>", "report"},
        {"script and style dropped", "a<script>var x = '<p>';</script>b<style>p{}</style>c", "abc"},
        {"title is not body text", "<title>T</title><p>body</p>", "body"},
        {"comments dropped", "x<!-- <p>hidden</p> -->y", "xy"},
        {"entities", "&lt;a href&gt; &amp; &quot;q&quot; &#65;&#x42;", "<a href> & \"q\" AB"},
        {"unknown entity kept", "R&D &bogus; &", "R&D &bogus; &"},
        {"blanks folded", "  a \r\n\t b  ", "a b"},
        {"quoted > inside a tag", "<a title=\"1 > 0\">link</a>", "link"},
        {"unclosed tag", "text <p", "text"},
    };
    for (const TextRow& row : rows)
        EXPECT_EQ(HtmlToText(row.html), row.text) << row.name;
}

TEST(HtmlTitle, TitleElement) {
    EXPECT_EQ(HtmlTitle("<head><TITLE> Fix &amp; Links </TITLE></head>"), "Fix & Links");
    EXPECT_EQ(HtmlTitle("<p>no title</p>"), "");
    EXPECT_EQ(MakeHelpTopic("a.htm", "<p>x</p>").title, "a.htm");
}

TEST(ParseContents, LinksWithTheirListLevel) {
    const auto entries = ParseContents(
        "<p><a href=\"intro.htm\">Intro</a></p>"
        "<ul><li><a href='menu.htm#file'>The <b>File</b> menu</a>"
        "  <ul><li><a href=menu_open.htm>Open</a></li></ul></li>"
        "<li><a href=\"http://example.org/\">Web</a></li>"
        "<li><a href=\"mailto:x@example.org\">Mail</a></li>"
        "<li><a name=\"anchor\">No link</a></li>"
        "<li><a href=\"support.htm\">Support</a></li></ul>");
    struct Expected {
        int level;
        const char* title;
        const char* file;
    };
    const Expected expected[] = {{0, "Intro", "intro.htm"},
                                 {0, "The File menu", "menu.htm"},
                                 {1, "Open", "menu_open.htm"},
                                 {0, "Support", "support.htm"}};
    ASSERT_EQ(entries.size(), std::size(expected));
    for (size_t i = 0; i < entries.size(); ++i) {
        EXPECT_EQ(entries[i].level, expected[i].level) << expected[i].title;
        EXPECT_EQ(entries[i].title, expected[i].title);
        EXPECT_EQ(entries[i].fileName, expected[i].file);
    }
}

TEST(SplitQuery, WordsAndPhrases) {
    struct Row {
        const char* name;
        const char* query;
        std::vector<std::string> words;
    };
    const Row rows[] = {
        {"words lower-cased", "Save  AS", {"save", "as"}},
        {"file names stay whole", "morv.ini E-MAIL", {"morv.ini", "e-mail"}},
        {"sentence dot dropped", "links.", {"links"}},
        {"phrase", "\"site root\" fix", {"site root", "fix"}},
        {"report headers", "[LINK]", {"[link]"}},
        {"punctuation only", " , ; ", {}},
    };
    for (const Row& row : rows)
        EXPECT_EQ(SplitQuery(row.query), row.words) << row.name;
}

TEST(SearchTopics, EveryWordMustOccurAndTitlesRankFirst) {
    const std::vector<HelpTopic> topics = {
        MakeHelpTopic("a.htm", "<title>Printing</title><p>Print the report. Print it.</p>"),
        MakeHelpTopic("b.htm", "<title>Links</title><p>Fix relative links of the report.</p>"),
        MakeHelpTopic("c.htm", "<title>Site root</title><p>The site root of links.</p>"),
    };
    struct Row {
        const char* name;
        const char* query;
        std::vector<std::string> files;
    };
    const Row rows[] = {
        {"one word, title first", "links", {"b.htm", "c.htm"}},
        {"all words needed", "report links", {"b.htm"}},
        {"case ignored", "PRINT", {"a.htm"}},
        {"phrase", "\"root of links\"", {"c.htm"}},
        {"no match", "renamer", {}},
        {"empty query", "  ", {}},
    };
    for (const Row& row : rows) {
        std::vector<std::string> files;
        for (const SearchHit& hit : SearchTopics(topics, row.query))
            files.push_back(hit.fileName);
        EXPECT_EQ(files, row.files) << row.name;
    }
}

TEST(DataFolders, ProgramFolderThenInstalledDataFolders) {
    EXPECT_EQ(
        DataFolders("/opt/m/bin", "/usr/share/morvane"),
        (std::vector<std::string>{"/opt/m/bin", "/opt/m/share/morvane", "/usr/share/morvane"}));
    EXPECT_EQ(DataFolders("/usr/bin", ""),
              (std::vector<std::string>{"/usr/bin", "/usr/share/morvane"}));
}

TEST(TotalPhysicalMemoryKB, ReadsTheMachine) {
    EXPECT_GT(TotalPhysicalMemoryKB(), 1024u);
}

}  // namespace
}  // namespace morv
