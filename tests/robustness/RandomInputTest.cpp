// Every reader of outside text meets random input built from the tokens that matter to it (and
// stray bytes: NUL, high bytes, lone CR and LF). Beyond "no crash, no sanitizer report", each
// case checks a property that must hold for any input. The inputs are the same on every run.
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "editor/core/DocumentText.h"
#include "editor/core/RtfReader.h"
#include "editor/core/StringBuffer.h"
#include "extract/core/ListFile.h"
#include "extract/core/ReportWriter.h"
#include "extract/core/Scanners.h"
#include "helpers/core/IniFile.h"
#include "helpers/core/Progress.h"
#include "helpers/core/TextUtil.h"
#include "linkcheck/core/LinkUpdate.h"
#include "linkcheck/core/References.h"
#include "linkfix/core/FixLinks.h"
#include "renamer/core/NameTemplate.h"
#include "search/core/FindReplace.h"
#include "sections/core/SectionCleanup.h"
#include "sections/core/SectionsTree.h"

using namespace morv;
using morv::renamer::BuildNewName;
using morv::renamer::ReadStartValue;

namespace {

constexpr int kRounds = 400;

// Texts of up to maxPieces pieces, each a token of the list or a random byte.
class RandomText {
  public:
    RandomText(std::vector<std::string> tokens, unsigned seed)
        : tokens_(std::move(tokens)), rng_(seed) {}

    std::string Next(int maxPieces = 60) {
        std::string text;
        const int pieces = int(rng_() % unsigned(maxPieces + 1));
        for (int i = 0; i < pieces; ++i) {
            if (rng_() % 5 == 0)
                text += char(rng_() % 256);
            else
                text += tokens_[rng_() % tokens_.size()];
        }
        return text;
    }
    unsigned Number(unsigned below) { return rng_() % below; }

  private:
    std::vector<std::string> tokens_;
    std::mt19937 rng_;
};

const std::vector<std::string> kReportTokens = {
    "[FILE = \"",
    "/srv/www/a.htm",
    "\"]",
    "[SCRIPT]",
    "[STYLE]",
    "[LINK]",
    "[IMAGE]",
    "[E-MAIL]",
    "[MISSING]",
    "[ORPHANS]",
    "[file",
    "[link]",
    "[",
    "]",
    "\r\n",
    "\r",
    "\n",
    "\r\n\r\n",
    " ",
    "  ",
    "index.htm",
    "../",
    "./",
    "/",
    "\\",
    "..\\",
    "#top",
    ";",
    "; Warning: File not found.",
    "http://example.org/",
    "mailto:a@b.org",
    "a",
    "x/../y.htm",
    "\t",
    "\"",
};

const std::vector<std::string> kHtmlTokens = {
    "<script", "</script>", "/script>", "<style",    "/style>", "href", "HREF",
    "=",       " = ",       "\"",       "<img",      "<IMG",    "src",  "SRC",
    "mailto:", "http:",     "ftp:",     "index.htm", "<a ",     ">",    "<",
    "\r\n",    "\n",        "\r",       " ",         "x",       "'",    "../a.htm",
};

const std::vector<std::string> kRtfTokens = {
    "{\\rtf1",
    "{",
    "}",
    "\\par ",
    "\\b ",
    "\\b0 ",
    "\\i",
    "\\ul",
    "\\fs24 ",
    "\\cf1 ",
    "{\\colortbl;\\red255\\green0\\blue0;}",
    "\\'e9",
    "\\'",
    "\\u8364?",
    "\\u-10179?",
    "\\u55357?",
    "\\*\\generator x;",
    "\\\\",
    "\\{",
    "\\}",
    "text",
    " ",
    "\r\n",
    "\\",
    "\\fonttbl",
    "{\\f0 Arial;}",
    "\\uc1",
    "\\uc0",
    "\\bin4 ",
};

TEST(RandomInput, ScannersNeverFailOnAnyBytes) {
    RandomText random(kHtmlTokens, 1);
    for (int round = 0; round < kRounds; ++round) {
        const std::string text = random.Next(200);
        StartMarkers starts;
        FindStartMarkers(text, starts);
        for (int kind = 0; kind < kTagKindCount; ++kind) {
            // The scan through the start markers and the scan on its own write the same.
            std::ostringstream withMarkers, alone;
            {
                ReportWriter a(withMarkers), b(alone);
                RunScanner(TagKind(kind), text, round % 2 == 0, a, NoProgress(), &starts);
                RunScanner(TagKind(kind), text, round % 2 == 0, b, NoProgress(), nullptr);
                ASSERT_TRUE(a.Flush());
                ASSERT_TRUE(b.Flush());
            }
            ASSERT_EQ(withMarkers.str(), alone.str()) << "kind " << kind << " of " << text;
        }
    }
}

TEST(RandomInput, SectionCleanUpIsIdempotentAndLeavesNoEmptyLine) {
    RandomText random(kReportTokens, 2);
    for (int round = 0; round < kRounds; ++round) {
        const std::string text = random.Next();
        const std::string noEmpty = RemoveEmptyLines(text);
        EXPECT_EQ(RemoveEmptyLines(noEmpty), noEmpty) << text;
        EXPECT_FALSE(noEmpty.starts_with("\r\n")) << text;
        EXPECT_EQ(noEmpty.find("\r\n\r\n"), std::string::npos) << text;
        const std::string noHeaders = RemoveSectionAttributes(text);
        EXPECT_EQ(RemoveSectionAttributes(noHeaders), noHeaders) << text;
    }
}

TEST(RandomInput, SectionsTreeNodesPointIntoTheText) {
    RandomText random(kReportTokens, 3);
    for (int round = 0; round < kRounds; ++round) {
        StringBuffer buffer(random.Next());
        const SectionsTree tree = BuildSectionsTree(buffer, "", NoProgress());
        // The five kinds of an extraction, or some of a link check's in their order.
        for (const SectionNode& file : tree.root.children) {
            std::vector<std::string_view> kinds;
            for (const SectionNode& kind : file.children)
                kinds.push_back(kind.text);
            const std::vector<std::string_view> all(std::begin(kCheckSectionKinds),
                                                    std::end(kCheckSectionKinds));
            if (kinds.size() == 5u && kinds[0] == "Script") continue;
            EXPECT_FALSE(kinds.empty());
            EXPECT_TRUE(std::includes(all.begin(), all.end(), kinds.begin(), kinds.end(),
                                      [&all](std::string_view a, std::string_view b) {
                                          return std::find(all.begin(), all.end(), a) <
                                                 std::find(all.begin(), all.end(), b);
                                      }));
        }
        EXPECT_EQ(buffer.SelectionStart(), 0);
    }
}

TEST(RandomInput, ResolvedTargetsStayInsideTheSiteFolder) {
    RandomText random({"../",
                       "./",
                       "..",
                       ".",
                       "/",
                       "//",
                       "\\",
                       "%2e",
                       "%2E%2e",
                       ".%2E",
                       "%2F",
                       "%00",
                       "%",
                       "%41",
                       "?",
                       "#",
                       "a",
                       "b.htm",
                       "http://www.example.org/",
                       "//www.example.org",
                       "HTTP://www.EXAMPLE.org",
                       "mailto:",
                       ":",
                       " ",
                       "\t",
                       "\r\n"},
                      8);
    const std::vector<SiteAddress> site = MakeSiteAddresses({"http://www.example.org/"});
    std::string target;
    for (int round = 0; round < kRounds * 4; ++round) {
        const std::string base = round % 3 == 0 ? random.Next(6) : "";
        const std::string reference = random.Next(12);
        const Resolution kind =
            ResolveReference(MakePageBase("sub/p.htm", base, site), reference, site, target);
        if (kind != Resolution::Site) {
            EXPECT_TRUE(target.empty());
            continue;
        }
        // What is looked up on disk never climbs out of the folder or leaves it by "/".
        EXPECT_FALSE(target.starts_with('/')) << reference;
        for (std::string_view segment : Split(target, '/'))
            EXPECT_TRUE(segment != ".." && segment != ".") << reference << " -> " << target;
    }
}

TEST(RandomInput, FixingLinksTwiceChangesNothingTheSecondTime) {
    RandomText random(kReportTokens, 4);
    for (int round = 0; round < kRounds; ++round) {
        const std::string text = random.Next();
        FixLinksOptions options;
        options.root = "www.example.org";
        options.path = "products/software";
        StringBuffer once(text);
        const FixLinksResult first = FixLinksInDocument(once, options, NoProgress());
        ASSERT_NE(first.outcome, FixOutcome::Failed) << first.message;
        // A fixed line holds "//", so it is never a candidate again.
        StringBuffer twice(once.Text());
        const FixLinksResult second = FixLinksInDocument(twice, options, NoProgress());
        EXPECT_EQ(second.linesFixed, 0) << text;
        EXPECT_EQ(twice.Text(), once.Text()) << text;
    }
}

TEST(RandomInput, ReplacingATextByItselfKeepsTheDocument) {
    RandomText random(kReportTokens, 5);
    for (int round = 0; round < kRounds; ++round) {
        const std::string text = random.Next();
        const std::string what = random.Next(3);
        if (what.empty()) continue;
        const int flags = int(random.Number(4)) * 2;  // whole word and match case, in any mix
        const ReplaceAllResult same = ReplaceAllMatches(text, what, what, flags);
        // Without "match case" a match may differ in letter case from what replaces it.
        if (flags & kFindMatchCase) {
            EXPECT_EQ(same.text, text) << what << " in " << text;
        } else {
            EXPECT_TRUE(EqualsIgnoreCase(same.text, text)) << what << " in " << text;
        }
        const ReplaceAllResult gone = ReplaceAllMatches(text, what, "", flags);
        EXPECT_EQ(gone.count, same.count) << what << " in " << text;
        EXPECT_EQ(gone.text.size() + size_t(gone.count) * what.size(), text.size());
    }
}

TEST(RandomInput, DocumentsDecodeToUtf8AndSaveBackUnchanged) {
    RandomText random(kRtfTokens, 6);
    for (int round = 0; round < kRounds; ++round) {
        std::string bytes = random.Next();
        const DecodedText decoded = DecodeDocument(bytes);
        ASSERT_TRUE(IsValidUtf8(decoded.utf8)) << bytes;
        // The editor loads in pieces: they add up to the same text and the same encoding.
        std::string pieces;
        bool piecesValid = true;
        for (size_t at = 0, end; at < bytes.size(); at = end) {
            end = PieceEnd(bytes, at, size_t(round % 7 + 1));
            piecesValid = piecesValid && IsValidUtf8(std::string_view(bytes).substr(at, end - at));
            AppendDecoded(std::string_view(bytes).substr(at, end - at), decoded.encoding, pieces);
        }
        EXPECT_EQ(pieces, decoded.utf8) << bytes;
        EXPECT_EQ(piecesValid, decoded.encoding == TextEncoding::Utf8) << bytes;
        // A file whose line breaks are all CR LF saves back to the same bytes.
        if (NormalizeLineBreaks(bytes) == bytes) {
            bool lossless = false;
            EXPECT_EQ(EncodeDocument(decoded.utf8, decoded.encoding, &lossless), bytes);
            EXPECT_TRUE(lossless);
        }
    }
}

TEST(RandomInput, RtfReaderGivesUtf8Text) {
    RandomText random(kRtfTokens, 7);
    for (int round = 0; round < kRounds; ++round) {
        const std::string bytes = random.Next();
        EXPECT_TRUE(IsValidUtf8(RtfPlainText(ReadRtf(bytes)))) << bytes;
        EXPECT_TRUE(IsValidUtf8(RtfPlainText(ReadRtf("{\\rtf1 " + bytes)))) << bytes;
    }
}

TEST(RandomInput, SettingsFilesOfAnyBytesReadAndWriteBack) {
    RandomText random({"[General]", "[general]", "[", "]", "Key", "key", "=", " ", "\"", "'", ";",
                       "\r\n", "\r", "\n", "Template", "File [###] (*)"},
                      8);
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("morv-random-ini-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    cINI ini;
    ini.FileName = (folder / "random.ini").string();
    ini.AppName = "General";
    for (int round = 0; round < kRounds / 4; ++round) {
        std::ofstream(ini.FileName, std::ios::binary) << random.Next();
        (void)ini.GetINI("Key", "default");
        // A plain value written is read back as written.
        const std::string value = "v" + std::to_string(round) + " x";
        ASSERT_NE(ini.SetINI("Key", value), 0);
        EXPECT_EQ(ini.GetINI("Key"), value);
    }
    std::filesystem::remove_all(folder);
}

TEST(RandomInput, ListFilesKeepEveryPathThatHoldsNoLineBreak) {
    RandomText random({"/srv/www/", "a b.htm", "ä.htm", " ", "\t", "x"}, 9);
    const std::string list = (std::filesystem::temp_directory_path() /
                              ("morv-random-list-" + std::to_string(getpid()) + ".mrk"))
                                 .string();
    for (int round = 0; round < kRounds / 4; ++round) {
        std::vector<std::string> paths;
        for (int i = 0; i < 5; ++i) {
            std::string path = random.Next(6);
            std::erase(path, '\r');
            std::erase(path, '\n');
            if (!path.empty()) paths.push_back(path);
        }
        ASSERT_TRUE(WriteListFile(list, paths));
        Result<std::vector<std::string>> read = ReadListFile(list);
        ASSERT_TRUE(read);
        EXPECT_EQ(read.value(), paths);
    }
    unlink(list.c_str());
}

TEST(RandomInput, NewNamesNeverHoldASlash) {
    RandomText random({"#", "##", "*", "File ", "[", "]", "(", ")", ".", " ", "x"}, 10);
    for (int round = 0; round < kRounds; ++round) {
        const std::string nameTemplate = random.Next(10);
        const int64_t counter = int64_t(random.Number(2000000)) - 1000000;
        const std::string name =
            BuildNewName(nameTemplate, counter, "photo", round % 3 ? "JPG" : "", {});
        if (nameTemplate.find('/') == std::string::npos) {
            EXPECT_EQ(name.find('/'), std::string::npos) << nameTemplate;
        }
        (void)ReadStartValue(random.Next(4));
    }
}

// A page full of references to a file that moves to another folder, in a page that moves too:
// every rewritten reference leads where the old one led, seen from the page's new place.
TEST(RandomInput, RewrittenReferencesLeadToTheMovedFiles) {
    RandomText random({"<a href=\"",
                       "<img src=",
                       "<p style=\"background:url(",
                       "srcset=\"",
                       "<script>",
                       "</script>",
                       "\"",
                       "'",
                       ")",
                       ">",
                       " ",
                       ", ",
                       "\n",
                       "\\",
                       "a b.htm",
                       "a%20b.htm",
                       "../sub/",
                       "/sub/",
                       "./",
                       "http://www.example.org/sub/",
                       "../img/x.gif",
                       "p.htm",
                       "#f",
                       "?q=1",
                       "&amp;",
                       "%"},
                      11);
    const std::string root = (std::filesystem::temp_directory_path() / "morvrandomXXXXXX").string();
    std::string folder = root;
    ASSERT_NE(mkdtemp(folder.data()), nullptr);
    std::filesystem::create_directories(folder + "/sub");
    std::filesystem::create_directories(folder + "/img");
    std::ofstream(folder + "/sub/a b.htm") << "<p>";
    std::ofstream(folder + "/img/x.gif") << "GIF89a";
    LinkUpdateRequest request;
    request.folder = folder;
    request.addresses = {"http://www.example.org/"};
    request.moves = {{folder + "/sub/a b.htm", folder + "/new/A b%41.htm"},
                     {folder + "/sub/p.htm", folder + "/deep/er/p.htm"}};
    const std::vector<SiteAddress> site = MakeSiteAddresses(request.addresses);
    const PageBase before = MakePageBase("sub/p.htm", "", site);
    const PageBase after = MakePageBase("deep/er/p.htm", "", site);
    auto moved = [](const std::string& target) -> std::string {
        if (target == "sub/a b.htm") return "new/A b%41.htm";
        return target == "sub/p.htm" ? "deep/er/p.htm" : target;
    };
    std::string oldTarget, newTarget;
    for (int round = 0; round < kRounds / 2; ++round) {
        const std::string page = random.Next(40);
        std::ofstream(folder + "/sub/p.htm", std::ios::binary) << page;
        Result<LinkUpdatePlan> plan = PlanLinkUpdate(request);
        ASSERT_TRUE(plan) << page;
        for (const PageEdits& edits : plan.value().pages) {
            ASSERT_TRUE(ApplyLinkEdits(page, edits.edits)) << page;
            for (const LinkEdit& edit : edits.edits) {
                ASSERT_EQ(ResolveReference(before, edit.oldText, site, oldTarget),
                          Resolution::Site);
                ASSERT_EQ(ResolveReference(after, edit.newText, site, newTarget), Resolution::Site)
                    << edit.oldText << " -> " << edit.newText;
                EXPECT_EQ(newTarget, moved(oldTarget)) << edit.oldText << " -> " << edit.newText;
            }
        }
    }
    std::filesystem::remove_all(folder);
}

}  // namespace
