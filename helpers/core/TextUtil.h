#pragma once

#include <string>
#include <string_view>
#include <vector>

// Small byte-string helpers shared by every core library. ASCII-only case folding: documents
// are bytes in any encoding, and only ASCII letters have a case that every encoding agrees on.
namespace morv {

std::string_view TrimBlanks(std::string_view text);  // spaces only
std::string_view TrimSpacesAndTabs(std::string_view text);
std::vector<std::string_view> Split(std::string_view text, char separator);

inline char AsciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}
inline char AsciiUpper(char c) {
    return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c;
}
std::string AsciiLowerCopy(std::string_view text);
std::string AsciiUpperCopy(std::string_view text);
bool EqualsIgnoreCase(std::string_view a, std::string_view b);
bool StartsWithIgnoreCase(std::string_view text, std::string_view prefix);
bool EndsWithIgnoreCase(std::string_view text, std::string_view suffix);

// Offset of the first case-insensitive occurrence of needle in hay at or after from, or npos.
// Scans with memchr for both cases of the needle's first byte.
size_t FindIgnoreCase(std::string_view hay, std::string_view needle, size_t from = 0);

// FindIgnoreCase for a series of searches of one needle in one text whose starts only move
// forwards (whole-word loops, replace-all): remembers where each case of the first byte occurs
// next, so the whole series reads the text once. The text and needle must outlive it.
class IgnoreCaseFinder {
  public:
    IgnoreCaseFinder(std::string_view hay, std::string_view needle);
    // Offset of the first occurrence at or after from, or npos; from must not go backwards.
    size_t Next(size_t from);

  private:
    std::string_view hay_;
    std::string_view needle_;
    char lower_ = 0, upper_ = 0;
    const char* nextLower_ = nullptr;  // valid once known; nullptr: none left
    const char* nextUpper_ = nullptr;
    bool lowerKnown_ = false, upperKnown_ = false;
};

// A field of a tab-separated line: a tab, CR, LF or backslash inside it written as \t, \r, \n or
// \\, so that every line holds its fields whole.
std::string EscapeTabField(std::string_view text);

// Parses a whole decimal integer the way the settings reader accepts one: optional blanks, an
// optional sign, digits, optional blanks. False when the text is anything else or out of range.
bool ParseInteger(std::string_view text, long long& value);

// Parses a number with an optional fraction ("1.0", "-2.5"); false when it is not one.
bool ParseNumber(std::string_view text, double& value);

// Appends a code point as UTF-8; one that is no Unicode scalar value (a surrogate, or above
// U+10FFFF) appends U+FFFD instead.
void AppendUtf8(std::string& out, char32_t codePoint);

}  // namespace morv
