#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// A small reader of the RTF that word processors write: groups, control words, paragraphs,
// bold, italic, underline, font size, font face and colour from their tables, "\'hh" bytes
// (Windows-1252) and "\uN" characters. Everything else is dropped or read as plain text.
namespace morv {

struct RtfRun {
    std::string text;  // UTF-8, '\n' between paragraphs
    bool bold = false;
    bool italic = false;
    bool underline = false;
    int halfPoints = 0;  // font size in half points; 0 = the editor's own size
    int64_t rgb = -1;    // 0xRRGGBB; -1 = the editor's own colour
    std::string font;    // face name from the font table; empty = the editor's own font
};

// True when the bytes start (after blanks) with "{\rtf".
bool LooksLikeRtf(std::string_view bytes);

// The text of an RTF document as runs of equal formatting, in order.
std::vector<RtfRun> ReadRtf(std::string_view bytes);

// The plain text of the runs.
std::string RtfPlainText(const std::vector<RtfRun>& runs);

}  // namespace morv
