#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "editor/core/StringBuffer.h"
#include "sections/core/SectionsTree.h"

using namespace morv;

namespace {

// A stop request that comes after a number of polls.
class StopAfter : public ProgressObserver {
  public:
    explicit StopAfter(int polls) : left_(polls) {}
    bool ShouldStop() override { return left_-- <= 0; }

  private:
    int left_;
};

struct FileRow {
    std::string key, text, tag;
};

std::vector<FileRow> Files(const SectionsTree& tree) {
    std::vector<FileRow> rows;
    for (const SectionNode& node : tree.root.children)
        rows.push_back({node.key, node.text, node.tag});
    return rows;
}

bool operator==(const FileRow& a, const FileRow& b) {
    return a.key == b.key && a.text == b.text && a.tag == b.tag;
}

std::ostream& operator<<(std::ostream& out, const FileRow& row) {
    return out << "{" << row.key << " | " << row.text << " | " << row.tag << "}";
}

const std::string kReport =
    "[FILE = \"/a/b.htm\"]\r\n\r\n[SCRIPT]\r\n<script>x</script>\r\n\r\n[LINK]\r\n../c.htm\r\n"
    "\r\n\r\n[FILE = \"x.htm\"]\r\n; Warning: File not found.\r\n\r\n\r\n\r\n";

TEST(BuildSectionsTree, FileNodes) {
    const long second = long(kReport.find("\"x.htm"));
    struct Row {
        const char* name;
        std::string text;
        std::vector<FileRow> files;
    } rows[] = {
        {"report with two blocks",
         kReport,
         {{"/a/b.htm_8", "b.htm", "/a/b.htm"},
          {"x.htm_" + std::to_string(second), "x.htm", "x.htm"}}},
        {"no header", "plain text\r\n\"quoted\"", {}},
        {"empty text", "", {}},
        {"lower-case header", "[file = \"/d/e.htm\"]", {{"/d/e.htm_8", "e.htm", "/d/e.htm"}}},
        {"header anywhere in a line",
         "see [FiLe \"/q.htm\" here",
         {{"/q.htm_10", "q.htm", "/q.htm"}}},
        {"quote two lines further down",
         "[FILE none\r\nline\r\nx \"/p/q.htm\" y \"z\"",
         {{"/p/q.htm_20", "q.htm", "/p/q.htm"}}},
        {"no quote after the header ends the build",
         "[FILE = \"/a.htm\"]\r\n[FILE no quote",
         {{"/a.htm_8", "a.htm", "/a.htm"}}},
        {"unclosed quote runs to the end",
         "[FILE = \"/a/open\r\nrest",
         {{"/a/open\r\nrest_8", "open\r\nrest", "/a/open\r\nrest"}}},
        {"same path twice gives two nodes",
         "[FILE = \"/s.htm\"]\r\n[FILE = \"/s.htm\"]",
         {{"/s.htm_8", "s.htm", "/s.htm"}, {"/s.htm_27", "s.htm", "/s.htm"}}},
        {"empty path", "[FILE = \"\"]", {{"_8", "", ""}}},
    };
    for (const Row& row : rows) {
        StringBuffer buffer(row.text);
        buffer.Select(3, 2);
        const SectionsTree tree = BuildSectionsTree(buffer, "", NoProgress());
        EXPECT_EQ(Files(tree), row.files) << row.name;
        EXPECT_FALSE(tree.stopped) << row.name;
        EXPECT_EQ(buffer.SelectionStart(), 0) << row.name;
        EXPECT_EQ(buffer.SelectionLength(), 0) << row.name;
    }
}

TEST(BuildSectionsTree, NodeShape) {
    StringBuffer buffer(kReport);
    const SectionsTree tree = BuildSectionsTree(buffer, "", NoProgress());
    EXPECT_EQ(tree.root.key, "root");
    EXPECT_EQ(tree.root.image, kImageDocument);
    ASSERT_EQ(tree.root.children.size(), 2u);
    for (const SectionNode& file : tree.root.children) {
        EXPECT_EQ(file.image, kImageFile);
        std::vector<std::string> kinds;
        for (const SectionNode& section : file.children) {
            EXPECT_EQ(section.image, kImageSection);
            EXPECT_TRUE(section.key.empty());
            kinds.push_back(section.text);
        }
        EXPECT_EQ(kinds, (std::vector<std::string>{"Script", "Style", "Link", "Image", "E-mail"}));
    }
}

TEST(BuildSectionsTree, SectionKindsOfAnExtractionOrALinkCheckBlock) {
    const std::vector<std::string> five = {"Script", "Style", "Link", "Image", "E-mail"};
    struct Row {
        const char* name;
        std::string text;
        std::vector<std::string> kinds;
    } rows[] = {
        {"check block lists what it holds",
         "[FILE = \"a\"]\r\n\r\n[MISSING]\r\nx\r\n\r\n[OUTSIDE]\r\n../y\r\n\r\n\r\n",
         {"Missing", "Outside"}},
        {"orphans block at the end of the text",
         "[FILE = \"s (orphans)\"]\r\n\r\n[ORPHANS]",
         {"Orphans"}},
        {"a later block's headers are not this block's",
         "[FILE = \"a\"]\r\n\r\n[CASE]\r\nX\r\n\r\n\r\n[FILE = \"b\"]\r\n\r\n[MISSING]\r\n",
         {"Case"}},
        {"header not alone on its line", "[FILE = \"a\"]\r\n\r\n[CASE] x\r\n", five},
        {"check header after an extraction header",
         "[FILE = \"a\"]\r\n\r\n[LINK]\r\nx\r\n[MISSING]\r\n", five},
        {"missing file of an extraction", "[FILE = \"a\"]\r\n; Warning: File not found.\r\n", five},
    };
    for (const Row& row : rows) {
        StringBuffer buffer(row.text);
        const SectionsTree tree = BuildSectionsTree(buffer, "", NoProgress());
        ASSERT_FALSE(tree.root.children.empty()) << row.name;
        std::vector<std::string> kinds;
        for (const SectionNode& section : tree.root.children[0].children)
            kinds.push_back(section.text);
        EXPECT_EQ(kinds, row.kinds) << row.name;
    }
}

TEST(BuildSectionsTree, RootText) {
    StringBuffer buffer(kReport);
    EXPECT_EQ(BuildSectionsTree(buffer, "", NoProgress()).root.text, "Untitled");
    EXPECT_EQ(BuildSectionsTree(buffer, "/home/u/docs/report.txt", NoProgress()).root.text,
              "report.txt");
}

TEST(BuildSectionsTree, StopKeepsTheNodesFound) {
    std::string text;
    for (int i = 0; i < 5; ++i)
        text += "[FILE = \"/f" + std::to_string(i) + ".htm\"]\r\n\r\n";
    StringBuffer buffer(text);
    StopAfter stop(3);
    const SectionsTree tree = BuildSectionsTree(buffer, "", stop);
    EXPECT_TRUE(tree.stopped);
    EXPECT_EQ(tree.root.children.size(), 3u);
    EXPECT_EQ(buffer.SelectionStart(), 0);
}

TEST(NavigateToNode, ByKind) {
    // A link list mentions /a/b.htm before its own block; the second block lacks [E-MAIL].
    const std::string text =
        "[FILE = \"/z.htm\"]\r\n\r\n[LINK]\r\n/a/b.htm\r\n\r\n\r\n"
        "[FILE = \"/a/b.htm\"]\r\n\r\n[E-MAIL]\r\nme@x\r\n\r\n\r\n"
        "[FILE = \"/c.htm\"]\r\n\r\n[SCRIPT]\r\nx\r\n\r\n\r\n"
        "[FILE = \"/d.htm\"]\r\n\r\n[E-MAIL]\r\n";
    const long zLink = long(text.find("[LINK]"));
    const long cHeader = long(text.find("[FILE = \"/c"));
    const long cScript = long(text.find("[SCRIPT]"));
    const long dEmail = long(text.rfind("[E-MAIL]"));
    struct Row {
        const char* name;
        NodeTarget node;
        long caretBefore;
        long selStart, selLength;
    } rows[] = {
        {"document node goes to the start", {kImageDocument, "Untitled", ""}, 50, 0, 0},
        {"file node selects [FILE", {kImageFile, "c.htm", "/c.htm"}, 0, cHeader, 5},
        {"earlier mention wins: from the [ before it up to a space",
         {kImageFile, "b.htm", "/a/b.htm"},
         0,
         zLink,
         long(text.find(' ', zLink)) - zLink},
        {"missing path leaves the caret at the end",
         {kImageFile, "q.htm", "/q.htm"},
         5,
         long(text.size()),
         0},
        {"section header of the block", {kImageSection, "Script", "/c.htm"}, 0, cScript, 8},
        {"missing section selects a later block's header",
         {kImageSection, "E-mail", "/c.htm"},
         0,
         dEmail,
         8},
        {"section of a missing path leaves the caret", {kImageSection, "Link", "/q.htm"}, 7, 7, 0},
        {"no later header: caret after the [ before the path",
         {kImageSection, "Style", "/d.htm"},
         0,
         long(text.find("[FILE = \"/d")) + 1,
         0},
        {"unknown kind does nothing", {9, "x", "/c.htm"}, 4, 4, 0},
    };
    for (const Row& row : rows) {
        StringBuffer buffer(text);
        buffer.SetCaret(row.caretBefore);
        NavigateToNode(buffer, row.node);
        EXPECT_EQ(buffer.SelectionStart(), row.selStart) << row.name;
        EXPECT_EQ(buffer.SelectionLength(), row.selLength) << row.name;
    }
}

TEST(NavigateToNode, FileNodeWithoutBracketBeforeThePath) {
    StringBuffer buffer("see /a.htm now");
    NavigateToNode(buffer, {kImageFile, "a.htm", "/a.htm"});
    EXPECT_EQ(buffer.SelectionStart(), 0);
    EXPECT_EQ(buffer.SelectedText(), "see");
}

}  // namespace
