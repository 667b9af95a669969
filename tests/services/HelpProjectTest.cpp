#include <gtest/gtest.h>

#include "services/core/DataFiles.h"
#include "services/core/HelpProject.h"

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

TEST(FullTextQuery, EveryWordAsAQuotedPrefixOfWhatTheIndexHolds) {
    struct Row {
        const char* name;
        const char* query;
        const char* fullText;
    };
    const Row rows[] = {
        {"words, all required", "Save  AS", "\"save\"* \"as\"*"},
        {"punctuation inside a word stays in its quotes", "morv.ini [LINK] E-MAIL",
         "\"morv.ini\"* \"[link]\"* \"e-mail\"*"},
        {"phrase", "\"site root\" fix", "\"site root\"* \"fix\"*"},
        {"operators of the query language are words", "links OR NOT x*",
         "\"links\"* \"or\"* \"not\"* \"x\"*"},
        {"no letter or digit", "[] -- \"\" ( )", ""},
        {"empty", "", ""},
    };
    for (const Row& row : rows)
        EXPECT_EQ(FullTextQuery(row.query), row.fullText) << row.name;
}

std::vector<HelpPage> Pages(std::initializer_list<std::pair<const char*, const char*>> pages) {
    std::vector<HelpPage> list;
    for (const auto& [name, html] : pages)
        list.push_back({name, html});
    return list;
}

TEST(MakeHelpProject, OutlineKeywordsAndFilesOfThePages) {
    const auto project =
        MakeHelpProject(Pages({{"index.htm",
                                "<title>Contents</title><ul><li><a href=\"a.htm\">A &amp; B</a>"
                                "<ul><li><a href=\"b.htm#part\">B</a></li></ul></li>"
                                "<li><a href=\"http://example.org/\">Web</a></li></ul>"},
                               {"a.htm", "<title>A &amp; B</title><a href=\"index.htm\">back</a>"},
                               {"b.htm", "<p>no title</p>"}}),
                        "index.htm");
    ASSERT_TRUE(project) << project.error().description;
    const std::string& qhp = project.value();
    const std::string toc =
        "<toc>\n"
        "  <section title=\"Contents\" ref=\"index.htm\">\n"
        "    <section title=\"A &amp; B\" ref=\"a.htm\">\n"
        "      <section title=\"B\" ref=\"b.htm\"/>\n"
        "    </section>\n"
        "  </section>\n"
        "</toc>\n";
    EXPECT_NE(qhp.find(toc), std::string::npos) << qhp;
    EXPECT_NE(qhp.find("<namespace>org.morvane.morv</namespace>"), std::string::npos);
    EXPECT_NE(qhp.find("<keyword name=\"b.htm\" id=\"b.htm\" ref=\"b.htm\"/>"), std::string::npos)
        << "a page without a title is named by its file";
    EXPECT_NE(qhp.find("<file>a.htm</file>\n  <file>b.htm</file>\n  <file>index.htm</file>"),
              std::string::npos);
}

TEST(MakeHelpProject, BrokenLinksAndAMissingContentsPageStopTheBuild) {
    struct Row {
        const char* name;
        std::vector<HelpPage> pages;
        const char* error;
    };
    const Row rows[] = {
        {"no contents page", Pages({{"a.htm", ""}}), "The contents page \"index.htm\" is missing"},
        {"link to a missing page",
         Pages({{"index.htm", ""}, {"a.htm", "<a href='gone.htm'>x</a>"}}),
         "\"a.htm\" links to \"gone.htm\", which is not a page of the help set"},
        {"link out of the set", Pages({{"index.htm", "<a href='../License.txt'>x</a>"}}),
         "\"index.htm\" links to \"../License.txt\", which is not a page of the help set"},
    };
    for (const Row& row : rows) {
        const auto project = MakeHelpProject(row.pages, "index.htm");
        ASSERT_FALSE(project) << row.name;
        EXPECT_EQ(project.error().description, row.error) << row.name;
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
