#include <gtest/gtest.h>

#include "editor/core/CommandLine.h"
#include "editor/core/DocumentText.h"
#include "editor/core/RtfReader.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

using namespace morv;
using namespace std::string_literals;

namespace {

TEST(DocumentText, DecodeChoosesEncodingAndNormalisesBreaks) {
    struct Row {
        const char* name;
        std::string bytes;
        std::string utf8;
        TextEncoding encoding;
    } rows[] = {
        {"ascii with CR LF", "a\r\nb", "a\r\nb", TextEncoding::Utf8},
        {"lone LF and lone CR", "a\nb\rc\r\n", "a\r\nb\r\nc\r\n", TextEncoding::Utf8},
        {"CR LF across a lone CR", "\r\r\n\n", "\r\n\r\n\r\n", TextEncoding::Utf8},
        {"valid UTF-8", "caf\xc3\xa9", "caf\xc3\xa9", TextEncoding::Utf8},
        {"Latin-1 byte", "caf\xe9", "caf\xc3\xa9", TextEncoding::Windows1252},
        {"euro sign of the code page", "\x80", "\xe2\x82\xac", TextEncoding::Windows1252},
        {"unassigned byte kept as control", "\x81\x8d", "\xc2\x81\xc2\x8d",
         TextEncoding::Windows1252},
        {"overlong UTF-8 is not UTF-8", "\xc0\xaf", "\xc3\x80\xc2\xaf", TextEncoding::Windows1252},
        {"truncated sequence", "ab\xe2\x82", "ab\xc3\xa2\xe2\x80\x9a", TextEncoding::Windows1252},
        {"NUL bytes survive", "a\0b"s, "a\0b"s, TextEncoding::Utf8},
    };
    for (const Row& row : rows) {
        DecodedText decoded = DecodeDocument(row.bytes);
        EXPECT_EQ(decoded.utf8, row.utf8) << row.name;
        EXPECT_EQ(decoded.encoding, row.encoding) << row.name;
        EXPECT_EQ(DecodedLength(row.bytes, row.encoding), row.utf8.size()) << row.name;
        EXPECT_EQ(IsEditorText(row.bytes, row.encoding), row.bytes == row.utf8) << row.name;
        // The editor loads large documents a piece at a time: the pieces add up to the same text.
        std::string pieces;
        bool piecesValid = true;
        for (size_t at = 0; at < row.bytes.size(); at = PieceEnd(row.bytes, at, 1)) {
            const std::string_view piece =
                std::string_view(row.bytes).substr(at, PieceEnd(row.bytes, at, 1) - at);
            AppendDecoded(piece, row.encoding, pieces);
            piecesValid = piecesValid && IsValidUtf8(piece);
        }
        EXPECT_EQ(pieces, row.utf8) << row.name;
        EXPECT_EQ(piecesValid, row.encoding == TextEncoding::Utf8) << row.name;
    }
}

TEST(DocumentText, EveryByteRoundTripsThroughTheSingleByteCodePage) {
    std::string all;
    for (int b = 0; b < 256; ++b) {
        if (b != '\r' && b != '\n') all += char(b);
    }
    all += "\r\nend\r\n";
    DecodedText decoded = DecodeDocument(all);
    ASSERT_EQ(decoded.encoding, TextEncoding::Windows1252);
    bool lossless = false;
    EXPECT_EQ(EncodeDocument(decoded.utf8, decoded.encoding, &lossless), all);
    EXPECT_TRUE(lossless);
}

TEST(DocumentText, EncodeReportsCharactersTheCodePageLacks) {
    bool lossless = true;
    EXPECT_EQ(EncodeDocument("a\xe4\xb8\xad\r\nb", TextEncoding::Windows1252, &lossless),
              "a?\r\nb");
    EXPECT_FALSE(lossless);
    EXPECT_EQ(EncodeDocument("a\xe4\xb8\xad\r\nb", TextEncoding::Utf8, &lossless),
              "a\xe4\xb8\xad\r\nb");
    EXPECT_TRUE(lossless);
}

TEST(DocumentText, NormalizeLineBreaks) {
    EXPECT_EQ(NormalizeLineBreaks("a\nb\rc\r\nd\n\r"), "a\r\nb\r\nc\r\nd\r\n\r\n");
    EXPECT_EQ(NormalizeLineBreaks(""), "");
}

TEST(RtfReader, TextAndFormatting) {
    const std::string rtf =
        "{\\rtf1\\ansi\\deff1{\\fonttbl{\\f0 Courier;}{\\f1{\\*\\panose 0202}Times New Roman;}}"
        "{\\colortbl ;\\red255\\green0\\blue0;}"
        "\\f0 plain {\\b bold} \\i italic\\i0  \\cf1 red\\cf0\\par "
        "caf\\'e9 \\u8364?x\\~y \\{\\}\\\\ {\\*\\unknown skipped}\\fs40 big\\par}";
    ASSERT_TRUE(LooksLikeRtf("  " + rtf));
    EXPECT_FALSE(LooksLikeRtf("<html>{\\rtf"));
    std::vector<RtfRun> runs = ReadRtf(rtf);
    EXPECT_EQ(RtfPlainText(runs),
              "plain bold italic red\ncaf\xc3\xa9 \xe2\x82\xacx\xc2\xa0y {}\\ big");
    auto runWith = [&](const std::string& text) -> const RtfRun* {
        for (const RtfRun& run : runs) {
            if (run.text.find(text) != std::string::npos) return &run;
        }
        return nullptr;
    };
    ASSERT_NE(runWith("bold"), nullptr);
    EXPECT_TRUE(runWith("bold")->bold);
    EXPECT_FALSE(runWith("plain")->bold);
    EXPECT_TRUE(runWith("italic")->italic);
    EXPECT_EQ(runWith("red")->rgb, 0xFF0000);
    EXPECT_EQ(runWith("big")->halfPoints, 40);
    EXPECT_EQ(runWith("plain")->font, "Courier");
    EXPECT_EQ(runWith("big")->font, "Courier");
    EXPECT_EQ(ReadRtf("{\\rtf1\\deff1{\\fonttbl{\\f1{\\*\\panose 02}Arial;}}x\\f9 y}")[0].font,
              "Arial")
        << "the default font; an unknown number is the editor's font";
    EXPECT_EQ(ReadRtf("{\\rtf1\\deff1{\\fonttbl{\\f1{\\*\\panose 02}Arial;}}x\\f9 y}")[1].font, "");
}

TEST(RtfReader, BrokenInputDoesNotCrash) {
    const std::string inputs[] = {"{\\rtf1",     "{\\rtf1 }}}}}",       "{\\rtf1 \\'",
                                  "{\\rtf1 \\u", "{\\rtf1 \\u-1 \\'zz", std::string(10000, '{')};
    for (const std::string& input : inputs)
        ReadRtf(input);
}

TEST(CommandLine, ResolvePath) {
    namespace fs = std::filesystem;
    fs::path base = fs::temp_directory_path() / ("morv-cmd-" + std::to_string(getpid()));
    fs::create_directories(base / "My Files");
    std::ofstream(base / "My Files" / "a.htm") << "x";
    const std::string folder = base.string();
    const std::string expected = (base / "My Files" / "a.htm").string();
    struct Row {
        const char* name;
        std::string text;
        std::string result;
    } rows[] = {
        {"quoted", "\"My Files/a.htm\"", expected},
        {"unquoted with blank", "My Files/a.htm", expected},
        {"absolute", expected, expected},
        {"blanks around", "  My Files/a.htm  ", expected},
        {"dot segments", "./My Files/../My Files/a.htm", expected},
        {"missing file", "My Files/none.htm", ""},
        {"empty", "", ""},
        {"only quotes", "\"\"", ""},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(ResolveCommandLinePath(row.text, folder), row.result) << row.name;
    }
    EXPECT_EQ(JoinArguments({"My", "Files/a.htm"}), "My Files/a.htm");
    EXPECT_FALSE(IsReadOnlyFile(expected));
    chmod(expected.c_str(), 0444);
    EXPECT_TRUE(IsReadOnlyFile(expected));
    fs::remove_all(base);
}

}  // namespace
