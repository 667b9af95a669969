#include <gtest/gtest.h>

#include "linkfix/core/FixLinks.h"
#include "linkfix/core/LinkResolver.h"

using namespace morv;

namespace {

TEST(NormaliseSiteRoot, SchemesAndFinalSlash) {
    struct Row {
        const char* name;
        const char* typed;
        const char* root;
    } rows[] = {
        {"bare host name", "www.example.org", "http://www.example.org/"},
        {"host with a leading slash", "/www.example.org", "http://www.example.org/"},
        {"ftp kept", "ftp://files.example.org", "ftp://files.example.org/"},
        {"http in any case kept, slash not doubled", "HTTP://Example.org/", "HTTP://Example.org/"},
        {"other scheme not recognised", "https://example.org", "http://https://example.org/"},
        {"spaces trimmed", "  example.org/site  ", "http://example.org/site/"},
        {"spaces only", "   ", "http://"},
        {"line break dropped", "example.org\r\n", "http://example.org/"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(NormaliseSiteRoot(row.typed), row.root) << row.name;
}

TEST(SplitCurrentPath, Segments) {
    using Segments = std::vector<std::string>;
    struct Row {
        const char* name;
        const char* typed;
        Segments segments;
    } rows[] = {
        {"outer slashes removed", "/products/software/", {"products", "software"}},
        {"empty path", "", {}},
        {"slash only", "/", {}},
        {"spaces trimmed", "  products/software/games ", {"products", "software", "games"}},
        {"backslash is no separator", "a\\b", {"a\\b"}},
    };
    for (const Row& row : rows)
        EXPECT_EQ(SplitCurrentPath(row.typed), row.segments) << row.name;
}

TEST(ResolveRelativeLink, AgainstRootAndPath) {
    const LinkBase games = MakeLinkBase("www.example.org", "products/software/games");
    const LinkBase bare = MakeLinkBase("www.example.org", "");
    struct Row {
        const char* name;
        const LinkBase& base;
        const char* link;
        const char* resolved;
    } rows[] = {
        {"empty path keeps the tail", bare, "img/a.gif", "http://www.example.org/img/a.gif"},
        {"climbing with an empty path", bare, "../../a.htm", "http://www.example.org/a.htm"},
        {"dot-slash before a climb", games, "./../a.htm",
         "http://www.example.org/products/software/a.htm"},
        {"dot-slash inside stays", games, "a/./b.htm",
         "http://www.example.org/products/software/games/a/./b.htm"},
        {"climb only", games, "../", "http://www.example.org/products/software/"},
        {"text between climbs dropped", games, "../x/../y.htm",
         "http://www.example.org/products/y.htm"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(ResolveRelativeLink(row.base, row.link), row.resolved) << row.name;
}

TEST(IsFixCandidate, Lines) {
    struct Row {
        const char* line;
        bool candidate;
    } rows[] = {
        {"index.htm", true},
        {"  a.htm  ", true},
        {"img/a:b.gif", true},
        {"ab", true},
        {"x", false},
        {"; Warning: File not found.", false},
        {"page.asp?a=1;b=2", false},
        {"http://www.example.org/", false},
        {"//cdn.example.org/a.js", false},
        {"#top", false},
        {"mailto:someone@example.org", false},
        {"javascript:history.back()", false},
        {"C:\\web\\a.htm", false},
    };
    for (const Row& row : rows)
        EXPECT_EQ(IsFixCandidate(row.line), row.candidate) << row.line;
}

TEST(IsInLinkOrImageSection, LastCompleteHeader) {
    const std::string text =
        "[FILE = \"a\"]\r\n\r\n[LINK]\r\na.htm\r\n\r\n[IMAGE]\r\nb[1].gif\r\nc.gif\r\n"
        "[E-MAIL]\r\nmailto:x\r\n[link]\r\n";
    auto at = [&](const char* what) { return long(text.find(what)); };
    struct Row {
        const char* name;
        long offset;
        bool inSection;
    } rows[] = {
        {"start of text", 0, false},
        {"inside the file header", 5, false},
        {"first link line", at("a.htm"), true},
        {"start of the next header line", at("[IMAGE]"), true},
        {"inside an unfinished header", at("[IMAGE]") + 3, true},
        {"after a bracketed part of a line", at("c.gif"), false},
        {"after another section", at("mailto"), false},
        {"lower-case header", long(text.size()), true},
        {"offset past the end", long(text.size()) + 50, true},
    };
    for (const Row& row : rows)
        EXPECT_EQ(IsInLinkOrImageSection(text, row.offset), row.inSection) << row.name;
}

}  // namespace
