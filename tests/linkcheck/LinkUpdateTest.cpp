#include <gtest/gtest.h>
#define XXH_INLINE_ALL
#include <xxhash.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "helpers/core/FileIo.h"
#include "linkcheck/core/LinkCheck.h"
#include "linkcheck/core/LinkUpdate.h"
#include "tests/extract/TempTree.h"
#include "tests/linkcheck/BrokenLinks.h"

using namespace morv;
namespace fs = std::filesystem;

namespace {

struct Site {
    TempTree tree;
    std::vector<FileMove> moves;

    void Move(const std::string& from, const std::string& to) {
        moves.push_back({tree.Path(from), tree.Path(to)});
    }
    LinkUpdatePlan Plan(bool copy = false) const {
        LinkUpdateRequest request;
        request.folder = tree.root();
        request.addresses = {"http://www.example.org/", "http://host/~u/"};
        request.moves = moves;
        request.copy = copy;
        Result<LinkUpdatePlan> plan = PlanLinkUpdate(request);
        EXPECT_TRUE(plan) << plan.error().description;
        return plan ? plan.value() : LinkUpdatePlan{};
    }
    // Rewrites the pages as planned and then moves or copies the files, as a batch would.
    void Perform(const LinkUpdatePlan& plan, bool copy = false) const {
        std::vector<std::pair<std::string, std::string>> copies;
        for (const PageEdits& page : plan.pages) {
            Result<std::string> bytes = NewPageBytes(page, page.path);
            ASSERT_TRUE(bytes) << bytes.error().description;
            if (copy)
                copies.emplace_back(page.newPath, bytes.value());
            else
                std::ofstream(page.path, std::ios::binary) << bytes.value();
        }
        for (const FileMove& move : moves) {
            fs::create_directories(fs::path(move.to).parent_path());
            if (copy)
                fs::copy_file(move.from, move.to, fs::copy_options::overwrite_existing);
            else
                fs::rename(move.from, move.from + ".moving");
        }
        for (const FileMove& move : moves)
            if (!copy) fs::rename(move.from + ".moving", move.to);
        for (const auto& [path, bytes] : copies)
            std::ofstream(path, std::ios::binary) << bytes;
    }
    std::string Read(const std::string& file) const {
        return ReadFile(tree.Path(file), ReadOptions{kMaxDocumentSize, false, {}}).value();
    }
};

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

TEST(LinkUpdate, EveryFormKeepsItsForm) {
    struct Row {
        const char* name;
        const char* page;
        std::string before, after;
    } rows[] = {
        {"relative", "docs/p.htm", "<a href=\"a.htm\">", "<a href=\"b.htm\">"},
        {"dot slash kept", "docs/p.htm", "<a href=\"./a.htm\">", "<a href=\"./b.htm\">"},
        {"up and down", "docs/sub/p.htm", "<a href=\"../a.htm\">", "<a href=\"../b.htm\">"},
        {"root-relative", "p.htm", "<a href=\"/docs/a.htm\">", "<a href=\"/docs/b.htm\">"},
        {"own address", "p.htm", "<a href=\"http://www.example.org/docs/a.htm\">",
         "<a href=\"http://www.example.org/docs/b.htm\">"},
        {"own address with a path", "p.htm", "<a href=\"http://HOST/~u/docs/a.htm\">",
         "<a href=\"http://HOST/~u/docs/b.htm\">"},
        {"scheme-relative", "p.htm", "<a href=\"//www.example.org/docs/a.htm\">",
         "<a href=\"//www.example.org/docs/b.htm\">"},
        {"query and fragment kept", "docs/p.htm", "<a href=\"a.htm?x=1&y=2#top\">",
         "<a href=\"b.htm?x=1&y=2#top\">"},
        {"other letter case", "docs/p.htm", "<a href=\"A.htm\">", "<a href=\"b.htm\">"},
        {"escaped name stays escaped", "docs/p.htm", "<a href=\"my%20file.htm\">",
         "<a href=\"your%20file%20%C3%A9.htm\">"},
        {"plain name stays plain", "docs/p.htm", "<a href=\"my file.htm\">",
         "<a href=\"your file %C3%A9.htm\">"},
        {"moved to another folder", "docs/p.htm", "<img src=\"../img/logo.gif\">",
         "<img src=\"../img/new/logo2.gif\">"},
        {"moved, root-relative", "docs/p.htm", "<img alt=\"\" src=\"/img/logo.gif\">",
         "<img alt=\"\" src=\"/img/new/logo2.gif\">"},
        {"backslashes", "docs/p.htm", "<img src=\"..\\img\\logo.gif\">",
         "<img src=\"../img/new/logo2.gif\">"},
        {"single quotes", "docs/p.htm", "<a href='a.htm'>", "<a href='b.htm'>"},
        {"unquoted", "docs/p.htm", "<a href=a.htm>", "<a href=b.htm>"},
        {"blanks around", "docs/p.htm", "<a href=\" a.htm \">", "<a href=\" b.htm \">"},
        {"style attribute", "docs/p.htm", "<p style=\"background:url('../img/logo.gif')\">",
         "<p style=\"background:url('../img/new/logo2.gif')\">"},
        {"style element", "docs/p.htm", "<style>p{background:url(../img/logo.gif)}</style>",
         "<style>p{background:url(../img/new/logo2.gif)}</style>"},
        {"after a value holding >", "docs/p.htm", "<a title=\"a>b\" href=\"a.htm\">",
         "<a title=\"a>b\" href=\"b.htm\">"},
        {"data attribute", "docs/p.htm", "<img data-src=\"../img/logo.gif\" src=\"x.gif\">",
         "<img data-src=\"../img/new/logo2.gif\" src=\"x.gif\">"},
        {"inside another value", "docs/p.htm", "<a title=\"x href=a.htm y\">",
         "<a title=\"x href=a.htm y\">"},
        {"in the text", "docs/p.htm", "<p>href=a.htm</p>", "<p>href=a.htm</p>"},
        {"srcset", "docs/p.htm", "<img srcset=\"../img/logo.gif 1x, x.gif 2x\">",
         "<img srcset=\"../img/new/logo2.gif 1x, x.gif 2x\">"},
        {"base href honoured", "other/p.htm",
         "<base href=\"http://www.example.org/docs/\"><a href=\"a.htm\">",
         "<base href=\"http://www.example.org/docs/\"><a href=\"b.htm\">"},
        {"another host", "docs/p.htm", "<a href=\"http://elsewhere.example/docs/a.htm\">",
         "<a href=\"http://elsewhere.example/docs/a.htm\">"},
        {"mailto", "docs/p.htm", "<a href=\"mailto:a.htm@example.org\">",
         "<a href=\"mailto:a.htm@example.org\">"},
        {"javascript", "docs/p.htm", "<a href=\"javascript:open('a.htm')\">",
         "<a href=\"javascript:open('a.htm')\">"},
        {"same name elsewhere", "p.htm", "<a href=\"a.htm\">", "<a href=\"a.htm\">"},
        {"fragment only", "docs/a.htm", "<a href=\"#top\">", "<a href=\"#top\">"},
    };
    Site site;
    site.tree.Write("img/logo.gif", "GIF89a");
    site.tree.Write("a.htm", "<p>");
    std::map<std::string, std::string> pages;
    for (const Row& row : rows)
        pages[row.page] += row.before + "\n";
    for (const auto& [page, text] : pages)
        site.tree.Write(page, text);
    site.tree.Write("docs/my file.htm", "<p>");
    site.Move("docs/a.htm", "docs/b.htm");
    site.Move("docs/my file.htm", "docs/your file \xc3\xa9.htm");
    site.Move("img/logo.gif", "img/new/logo2.gif");
    const LinkUpdatePlan plan = site.Plan();
    EXPECT_TRUE(plan.unsafe.empty());

    std::map<std::string, std::vector<std::string>> after;
    for (const PageEdits& page : plan.pages) {
        const std::string name = page.path.substr(site.tree.root().size() + 1);
        Result<std::string> bytes = ApplyLinkEdits(site.Read(name), page.edits);
        ASSERT_TRUE(bytes);
        after[name] = Lines(bytes.value());
    }
    std::map<std::string, size_t> line;
    for (const Row& row : rows) {
        const size_t at = line[row.page]++;
        const std::string got = after.contains(row.page) ? after[row.page][at] : row.before;
        EXPECT_EQ(got, row.after) << row.name;
    }
}

TEST(LinkUpdate, BatchesKeepEveryLinkWorking) {
    using Files = std::map<std::string, std::string>;
    struct Row {
        const char* name;
        Files before;
        std::vector<std::pair<std::string, std::string>> moves;
        bool copy;
        Files after;  // the files to compare afterwards
    } rows[] = {
        {"page moved to another folder",
         {{"a.htm",
           "<a href=\"img/x.gif\"></a><a href=\"sub/b.htm#t\"></a><a href=\"#top\"></a>"
           "<a href=\"/img/x.gif\"></a><a href=\"./\"></a>"},
          {"sub/b.htm", "<a href=\"../a.htm\"></a>"},
          {"img/x.gif", ""},
          {"index.html", ""}},
         {{"a.htm", "deep/er/a2.htm"}},
         false,
         {{"deep/er/a2.htm",
           "<a href=\"../../img/x.gif\"></a><a href=\"../../sub/b.htm#t\"></a>"
           "<a href=\"#top\"></a><a href=\"/img/x.gif\"></a><a href=\"../../\"></a>"},
          {"sub/b.htm", "<a href=\"../deep/er/a2.htm\"></a>"}}},
        {"copy into another folder",
         {{"a.htm", "<a href=\"b.htm\"></a><a href=\"a.htm#self\"></a>"}, {"b.htm", "<p>"}},
         {{"a.htm", "copies/c.htm"}, {"b.htm", "copies/d.htm"}},
         true,
         {{"a.htm", "<a href=\"b.htm\"></a><a href=\"a.htm#self\"></a>"},
          {"copies/c.htm", "<a href=\"../b.htm\"></a><a href=\"c.htm#self\"></a>"}}},
        {"two renamed pages naming each other",
         {{"p/one.htm", "<a href=\"../q/two.htm\"></a>"},
          {"q/two.htm", "<a href=\"../p/one.htm\">"}},
         {{"p/one.htm", "r/1.htm"}, {"q/two.htm", "s/t/2.htm"}},
         false,
         {{"r/1.htm", "<a href=\"../s/t/2.htm\"></a>"},
          {"s/t/2.htm", "<a href=\"../../r/1.htm\">"}}},
        {"page with a relative base moved",
         {{"a/p.htm", "<base href=\"../img/\"><img src=\"x.gif\">"}, {"img/x.gif", ""}},
         {{"a/p.htm", "b/c/p.htm"}},
         false,
         {{"b/c/p.htm", "<base href=\"../../img/\"><img src=\"x.gif\">"}}},
        {"pages of one folder, one of them with a base elsewhere",
         {{"d/1.htm", "<a href=\"x.htm\">"},
          {"d/2.htm", "<base href=\"../e/\"><a href=\"x.htm\">"},
          {"d/3.htm", "<a href=\"x.htm\"><a href=\"x.htm\">"},
          {"d/4.htm", "<a href=\"x.htm\">"},
          {"d/x.htm", ""},
          {"e/x.htm", ""}},
         {{"d/x.htm", "d/y.htm"}, {"d/4.htm", "d/5.htm"}},
         false,
         {{"d/1.htm", "<a href=\"y.htm\">"},
          {"d/2.htm", "<base href=\"../e/\"><a href=\"x.htm\">"},
          {"d/3.htm", "<a href=\"y.htm\"><a href=\"y.htm\">"},
          {"d/5.htm", "<a href=\"y.htm\">"}}},
        {"two names swapped",
         {{"index.html", "<a href=\"a.htm\">1</a><a href=\"b.htm\">2</a>"},
          {"a.htm", "1"},
          {"b.htm", "2"}},
         {{"a.htm", "b.htm"}, {"b.htm", "a.htm"}},
         false,
         {{"index.html", "<a href=\"b.htm\">1</a><a href=\"a.htm\">2</a>"}}},
        {"style sheet moved and its picture renamed",
         {{"css/site.css", "@import \"more.css\";\nbody{background:url( \"../img/x.gif\" )}"},
          {"css/more.css", ""},
          {"img/x.gif", ""},
          {"index.html", "<link rel=\"stylesheet\" href=\"css/site.css\">"}},
         {{"css/site.css", "site.css"}, {"img/x.gif", "img/y.gif"}},
         false,
         {{"site.css", "@import \"css/more.css\";\nbody{background:url( \"img/y.gif\" )}"},
          {"index.html", "<link rel=\"stylesheet\" href=\"site.css\">"}}},
    };
    for (const Row& row : rows) {
        Site site;
        for (const auto& [file, text] : row.before)
            site.tree.Write(file, text);
        for (const auto& [from, to] : row.moves)
            site.Move(from, to);
        EXPECT_EQ(BrokenLinks(site.tree.root()), std::vector<std::string>{}) << row.name;
        const LinkUpdatePlan plan = site.Plan(row.copy);
        EXPECT_TRUE(plan.unsafe.empty()) << row.name;
        site.Perform(plan, row.copy);
        for (const auto& [file, text] : row.after)
            EXPECT_EQ(site.Read(file), text) << row.name << ": " << file;
        EXPECT_EQ(BrokenLinks(site.tree.root()), std::vector<std::string>{}) << row.name;
    }
}

TEST(LinkUpdate, UnsafeReferencesAreListedNotTouched) {
    struct Row {
        const char* name;
        std::string snippet;
        std::string listed;  // the reference as the list shows it
        UnsafeReason reason;
    } rows[] = {
        {"script", "<script>location = \"docs/a.htm\";</script>", "docs/a.htm",
         UnsafeReason::Script},
        {"value the scanner reads in a script", "<script>x('<a href=\"docs/a.htm\">')</script>",
         "docs/a.htm", UnsafeReason::Script},
        {"event handler", "<a href=\"#\" onclick=\"go('docs/a.htm')\">", "docs/a.htm",
         UnsafeReason::Handler},
        {"server code", "<?php include 'docs/a.htm'; ?>", "docs/a.htm", UnsafeReason::ServerCode},
        {"template markup", "<a href=\"{{root}}/../docs/a.htm\">", "{{root}}/../docs/a.htm",
         UnsafeReason::TemplateMarkup},
        {"line break inside", "<a href=\"docs/\na.htm\">", "docs/\na.htm", UnsafeReason::LineBreak},
        {"character reference", "<a href=\"docs/a&#46;htm\">", "docs/a&#46;htm",
         UnsafeReason::CharacterReference},
        {"character reference before a query", "<a href=\"docs\\a&#46;htm?x#y\">",
         "docs\\a&#46;htm?x#y", UnsafeReason::CharacterReference},
        {"scanner reading past a single-quoted value", "<a href='#' title=\"docs/a.htm\">",
         "docs/a.htm", UnsafeReason::NotAnAttribute},
        {"file leaving the site", "<img src=\"img/x.gif\">", "img/x.gif",
         UnsafeReason::TargetLeavesSite},
        {"folder losing its index", "<a href=\"dir/\">", "dir/", UnsafeReason::FolderIndex},
    };
    Site site;
    std::string page;
    for (const Row& row : rows)
        page += row.snippet + "\n";
    site.tree.Write("index.html", page);
    site.tree.Write("docs/a.htm", "<p>");
    site.tree.Write("dir/index.htm", "<p>");
    site.tree.Write("img/x.gif", "");
    const TempTree outside;
    site.Move("docs/a.htm", "docs/b.htm");
    site.Move("dir/index.htm", "dir/start.htm");
    site.moves.push_back({site.tree.Path("img/x.gif"), outside.Path("x.gif")});
    const LinkUpdatePlan plan = site.Plan();
    EXPECT_TRUE(plan.pages.empty());
    std::vector<std::string> listed;
    for (const UnsafeLink& link : plan.unsafe) {
        EXPECT_EQ(link.page, site.tree.Path("index.html"));
        EXPECT_EQ(page.substr(link.offset, link.text.size()), link.text);
        listed.push_back(link.text + " | " + std::string(DescribeUnsafe(link.reason)));
    }
    std::vector<std::string> expected;
    for (const Row& row : rows)
        expected.push_back(row.listed + " | " + std::string(DescribeUnsafe(row.reason)));
    EXPECT_EQ(listed, expected);
}

TEST(LinkUpdate, EveryOtherByteOfThePageStays) {
    struct Row {
        const char* name;
        std::string before, after;
    } rows[] = {
        {"LF", "<p>x</p>\n<a href=\"a.htm\">a</a>\n", "<p>x</p>\n<a href=\"%C3%A9.htm\">a</a>\n"},
        {"CR LF", "<p>x</p>\r\n<a\r\nhref=\"a.htm\">\r\n",
         "<p>x</p>\r\n<a\r\nhref=\"%C3%A9.htm\">\r\n"},
        {"UTF-8 with a plain name", "<p>\xc3\xa9t\xc3\xa9</p><a href=\"caf\xc3\xa9/../a.htm\">",
         "<p>\xc3\xa9t\xc3\xa9</p><a href=\"caf\xc3\xa9/../\xc3\xa9.htm\">"},
        {"UTF-8 with escapes", "<a href=\"%61.htm\">\xe2\x82\xac</a>",
         "<a href=\"%C3%A9.htm\">\xe2\x82\xac</a>"},
        {"Windows-1252", "<p>\xe9t\xe9 \x80</p><a href=\"a.htm\">\x93x\x94</a>",
         "<p>\xe9t\xe9 \x80</p><a href=\"%C3%A9.htm\">\x93x\x94</a>"},
        {"Windows-1252 with a plain name", "<a href=\"caf\xe9/../a.htm\">",
         "<a href=\"caf\xe9/../%C3%A9.htm\">"},
    };
    Site site;
    site.tree.Write("a.htm", "<p>");
    for (const Row& row : rows)
        site.tree.Write(std::string(row.name) + ".htm", row.before);
    site.Move("a.htm", "\xc3\xa9.htm");
    const LinkUpdatePlan plan = site.Plan();
    site.Perform(plan);
    for (const Row& row : rows)
        EXPECT_EQ(site.Read(std::string(row.name) + ".htm"), row.after) << row.name;
    // The reversed edits give the bytes before back.
    for (const PageEdits& page : plan.pages) {
        Result<std::string> before =
            ApplyLinkEdits(ReadFile(page.path, ReadOptions{kMaxDocumentSize, false, {}}).value(),
                           ReversedLinkEdits(page.edits));
        ASSERT_TRUE(before);
        EXPECT_TRUE(IdentifyBytes(before.value()).SameBytes(page.identity)) << page.path;
    }
    EXPECT_EQ(plan.counts.pagesChanged, 6);
    EXPECT_EQ(plan.counts.references, 6);
    EXPECT_EQ(plan.counts.pagesRead, 7);
}

TEST(LinkUpdate, EditsApplyOnlyToThePagePlannedFrom) {
    Site site;
    site.tree.Write("a.htm", "<p>");
    site.tree.Write("p.htm", "<a href=\"a.htm\">");
    site.Move("a.htm", "b\tc.htm");
    const LinkUpdatePlan plan = site.Plan();
    ASSERT_EQ(plan.pages.size(), 1u);
    const PageEdits& page = plan.pages[0];
    EXPECT_EQ(page.identity.size, 16);
    EXPECT_EQ(page.identity.hash.size(), 32u);
    EXPECT_GT(page.identity.modified, 0);

    std::ostringstream lines;
    WriteLinkEditLines(plan, lines);
    EXPECT_EQ(lines.str(), site.tree.Path("p.htm") + "\ta.htm\tb%09c.htm\n");

    struct Row {
        const char* name;
        std::vector<LinkEdit> edits;
        bool ok;
    } rows[] = {
        {"as planned", page.edits, true},
        {"old text elsewhere", {{8, "a.htm", "b.htm"}}, false},
        {"past the end", {{16, "a.htm", "b.htm"}}, false},
        {"overlapping", {{9, "a.htm", "b"}, {10, ".htm", "c"}}, false},
    };
    for (const Row& row : rows)
        EXPECT_EQ(bool(ApplyLinkEdits("<a href=\"a.htm\">", row.edits)), row.ok) << row.name;

    site.tree.Write("p.htm", "<a href=\"a.htm\" >");
    Result<std::string> changed = NewPageBytes(page, page.path);
    ASSERT_FALSE(changed);
    EXPECT_EQ(changed.error().number, kPageChangedError);
}

TEST(LinkUpdate, StopsAtTheStepAskedFor) {
    struct StopAtSecondPage : ProgressObserver {
        int pages = 0;
        void SetStatus(std::string_view) override { ++pages; }
        bool ShouldStop() override { return pages >= 2; }
    } stop;
    Site site;
    for (const char* page : {"a.htm", "b.htm", "c.htm"})
        site.tree.Write(page, "<a href=\"a.htm\">");
    site.Move("a.htm", "z.htm");
    LinkUpdateRequest request;
    request.folder = site.tree.root();
    request.moves = site.moves;
    Result<LinkUpdatePlan> plan = PlanLinkUpdate(request, stop);
    ASSERT_FALSE(plan);
    EXPECT_EQ(plan.error().number, kUserInterrupt);
}

}  // namespace

namespace {

// XXH3-128 of bytes as this file's compilation of xxHash makes it (the build's baseline
// instructions), in the identity's form.
std::string ReferenceHash(std::string_view bytes) {
    const XXH128_hash_t hash = XXH3_128bits(bytes.data(), bytes.size());
    char text[33];
    std::snprintf(text, sizeof text, "%016llx%016llx", (unsigned long long)hash.high64,
                  (unsigned long long)hash.low64);
    return text;
}

}  // namespace

// Whichever compilation of the hash the processor gets, a page's identity is the XXH3-128 of its
// bytes, whole or made of edited parts (short inputs and long ones take other paths).
TEST(LinkUpdate, IdentitiesAreTheHashOfTheBytes) {
    for (const size_t size : {size_t(0), size_t(3), size_t(200), size_t(5000), size_t(100000)}) {
        std::string bytes(size, '\0');
        for (size_t k = 0; k < size; ++k)
            bytes[k] = char('a' + k * 7 % 26);
        SCOPED_TRACE(size);
        EXPECT_EQ(IdentifyBytes(bytes).hash, ReferenceHash(bytes));
        if (size < 10) continue;
        // The same bytes as an edit of others: "XY" in place of the two bytes at size / 2.
        std::string before = bytes;
        before.replace(size / 2, 2, "XY");
        const std::vector<LinkEdit> edits{{size / 2, "XY", bytes.substr(size / 2, 2)}};
        const PageIdentity edited = IdentifyEdited(before, edits);
        EXPECT_EQ(edited.hash, ReferenceHash(bytes));
        EXPECT_EQ(edited.size, int64_t(size));
    }
}
