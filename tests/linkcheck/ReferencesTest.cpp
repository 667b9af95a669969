#include <gtest/gtest.h>

#include <string>

#include "linkcheck/core/References.h"

using namespace morv;

namespace {

constexpr Resolution S = Resolution::Site, O = Resolution::Outside, E = Resolution::Elsewhere;

TEST(ResolveReference, BrowserRules) {
    const std::vector<SiteAddress> site =
        MakeSiteAddresses({"http://www.example.org/", "www.example.net", "http://host/~u"});
    struct Row {
        const char* name;
        const char* base;  // <base href> of the page sub/p.htm, "" for none
        const char* reference;
        Resolution kind;
        const char* target;
    } rows[] = {
        {"relative", "", "a.htm", S, "sub/a.htm"},
        {"dot slash", "", "./a.htm", S, "sub/a.htm"},
        {"up one", "", "../a.htm", S, "a.htm"},
        {"up past the site folder", "", "../../a.htm", O, ""},
        {"up and down again stays outside", "", "../../sub/a.htm", O, ""},
        {"dots in the middle", "", "x/./y/../a.htm", S, "sub/x/a.htm"},
        {"root-relative", "", "/x/y.htm", S, "x/y.htm"},
        {"root-relative above the root", "", "/../y.htm", O, ""},
        {"query and fragment dropped", "", "a.htm?q=1&r=2#top", S, "sub/a.htm"},
        {"fragment alone is the page", "", "#top", S, "sub/p.htm"},
        {"query alone is the page", "", "?page=2", S, "sub/p.htm"},
        {"escapes decoded", "", "my%20file%C3%A9.htm", S, "sub/my file\xc3\xa9.htm"},
        {"escaped dots are dots", "", "%2e%2E/a.htm", S, "a.htm"},
        {"escaped slash stays escaped", "", "a%2Fb.htm", S, "sub/a%2Fb.htm"},
        {"broken escape kept", "", "100%.htm", S, "sub/100%.htm"},
        {"folder", "", "dir/", S, "sub/dir/"},
        {"this folder", "", ".", S, "sub/"},
        {"the folder above is the root", "", "..", S, ""},
        {"site root", "", "/", S, ""},
        {"doubled slashes collapse", "", "a//b.htm", S, "sub/a/b.htm"},
        {"backslashes before the query", "", "..\\img\\a.gif?x\\y", S, "img/a.gif"},
        {"blanks around, line breaks inside", "", " a\r\n.htm\t", S, "sub/a.htm"},
        {"own address", "", "http://www.example.org/x.htm#f", S, "x.htm"},
        {"own address in capitals, no slash", "", "HTTP://WWW.EXAMPLE.ORG", S, ""},
        {"own address typed without scheme", "", "http://www.example.net/a/", S, "a/"},
        {"own address, scheme-relative", "", "//www.example.org/y.htm", S, "y.htm"},
        {"own address with a path", "", "http://host/~u/a.htm", S, "a.htm"},
        {"own address with a path, folder itself", "", "http://host/~u", S, ""},
        {"own host, other path", "", "http://host/other/a.htm", E, ""},
        {"own address climbing out", "", "http://www.example.org/../a.htm", O, ""},
        {"other scheme of an own host", "", "https://www.example.org/x.htm", E, ""},
        {"another host", "", "http://elsewhere.example/x.htm", E, ""},
        {"mailto", "", "mailto:info@example.org", E, ""},
        {"javascript", "", "javascript:void(0)", E, ""},
        {"scheme without host", "", "http:a.htm", E, ""},
        {"relative base", "other/", "x.htm", S, "sub/other/x.htm"},
        {"own absolute base", "http://www.example.org/docs/", "x.htm", S, "docs/x.htm"},
        {"base is where a fragment leads", "http://www.example.org/docs/i.htm", "#f", S,
         "docs/i.htm"},
        {"base of another host", "http://elsewhere.example/", "x.htm", E, ""},
        {"root-relative under a foreign base", "http://elsewhere.example/", "/x.htm", E, ""},
        {"base outside the site", "../../", "x.htm", O, ""},
        {"root-relative under an outside base", "../../", "/x.htm", S, "x.htm"},
    };
    std::string target = "reused";
    for (const Row& row : rows) {
        const PageBase base = MakePageBase("sub/p.htm", row.base, site);
        EXPECT_EQ(ResolveReference(base, row.reference, site, target), row.kind) << row.name;
        EXPECT_EQ(target, row.target) << row.name;
    }
}

TEST(ResolveReference, PageNameWithPercentStaysItself) {
    std::string target;
    const PageBase base = MakePageBase("a%41.htm", "", {});
    EXPECT_EQ(ResolveReference(base, "#top", {}, target), Resolution::Site);
    EXPECT_EQ(target, "a%41.htm");
}

TEST(ParseReference, PartsAreViewsIntoTheReference) {
    struct Row {
        const char* name;
        std::string reference;
        ReferenceForm form;
        size_t pathAt;
        std::string path, query, fragment;
    } rows[] = {
        {"absolute", "http://h:8/a/b.htm?q#f", ReferenceForm::Absolute, 10, "/a/b.htm", "q", "f"},
        {"scheme-relative", "//h/x", ReferenceForm::SchemeRelative, 3, "/x", "", ""},
        {"root-relative", "/x?", ReferenceForm::RootRelative, 0, "/x", "", ""},
        {"relative with a colon late", "a/b:c", ReferenceForm::Relative, 0, "a/b:c", "", ""},
        {"fragment only", "#top", ReferenceForm::Relative, 0, "", "", "top"},
    };
    for (const Row& row : rows) {
        const ReferenceParts parts = ParseReference(row.reference);
        EXPECT_EQ(FormOf(parts), row.form) << row.name;
        EXPECT_EQ(size_t(parts.path.data() - row.reference.data()), row.pathAt) << row.name;
        EXPECT_EQ(parts.path, row.path) << row.name;
        EXPECT_EQ(parts.query, row.query) << row.name;
        EXPECT_EQ(parts.fragment, row.fragment) << row.name;
    }
}

}  // namespace
