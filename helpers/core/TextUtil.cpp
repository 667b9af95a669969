#include "helpers/core/TextUtil.h"

#include <charconv>
#include <cstring>

namespace morv {

std::string_view TrimBlanks(std::string_view text) {
    size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    size_t last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

std::string_view TrimSpacesAndTabs(std::string_view text) {
    size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

std::vector<std::string_view> Split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    size_t start = 0;
    while (true) {
        size_t at = text.find(separator, start);
        if (at == std::string_view::npos) {
            parts.push_back(text.substr(start));
            return parts;
        }
        parts.push_back(text.substr(start, at - start));
        start = at + 1;
    }
}

std::string AsciiLowerCopy(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = AsciiLower(c);
    return out;
}

std::string AsciiUpperCopy(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = AsciiUpper(c);
    return out;
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
    }
    return true;
}

bool StartsWithIgnoreCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && EqualsIgnoreCase(text.substr(0, prefix.size()), prefix);
}

bool EndsWithIgnoreCase(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() &&
           EqualsIgnoreCase(text.substr(text.size() - suffix.size()), suffix);
}

size_t FindIgnoreCase(std::string_view hay, std::string_view needle, size_t from) {
    return IgnoreCaseFinder(hay, needle).Next(from);
}

IgnoreCaseFinder::IgnoreCaseFinder(std::string_view hay, std::string_view needle)
    : hay_(hay), needle_(needle) {
    if (!needle_.empty()) {
        lower_ = AsciiLower(needle_[0]);
        upper_ = AsciiUpper(needle_[0]);
    }
    upperKnown_ = lower_ == upper_;  // one byte to look for
}

size_t IgnoreCaseFinder::Next(size_t from) {
    if (needle_.empty()) return from <= hay_.size() ? from : std::string_view::npos;
    if (hay_.size() < needle_.size() || from > hay_.size() - needle_.size()) {
        return std::string_view::npos;
    }
    const char* data = hay_.data();
    const size_t lastStart = hay_.size() - needle_.size();
    size_t pos = from;
    while (pos <= lastStart) {
        // Next candidate: the nearer of the two cases of the first byte. Each case is looked up
        // again only once the search has passed its last known place, so the text is read once
        // even when one case is rare or absent.
        const size_t span = lastStart - pos + 1;
        if (!lowerKnown_ || (nextLower_ != nullptr && nextLower_ < data + pos)) {
            nextLower_ = static_cast<const char*>(std::memchr(data + pos, lower_, span));
            lowerKnown_ = true;
        }
        if (!upperKnown_ || (nextUpper_ != nullptr && nextUpper_ < data + pos)) {
            nextUpper_ = static_cast<const char*>(std::memchr(data + pos, upper_, span));
            upperKnown_ = true;
        }
        const char* a = nextLower_;
        const char* b = nextUpper_;
        const char* hit = a == nullptr ? b : (b == nullptr ? a : (a < b ? a : b));
        if (hit == nullptr) return std::string_view::npos;
        pos = size_t(hit - data);
        size_t i = 1;
        while (i < needle_.size() && AsciiLower(data[pos + i]) == AsciiLower(needle_[i]))
            ++i;
        if (i == needle_.size()) return pos;
        ++pos;
    }
    return std::string_view::npos;
}

std::string EscapeTabField(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '\t':
                out += "\\t";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\\':
                out += "\\\\";
                break;
            default:
                out += c;
        }
    }
    return out;
}

bool ParseInteger(std::string_view text, long long& value) {
    text = TrimSpacesAndTabs(text);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    if (text.empty()) return false;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size();
}

bool ParseNumber(std::string_view text, double& value) {
    text = TrimSpacesAndTabs(text);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    if (text.empty()) return false;
    auto [end, ec] =
        std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed);
    return ec == std::errc() && end == text.data() + text.size();
}

void AppendUtf8(std::string& out, char32_t cp) {
    if ((cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) cp = 0xFFFD;
    if (cp < 0x80) {
        out += char(cp);
    } else if (cp < 0x800) {
        out += char(0xC0 | (cp >> 6));
        out += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += char(0xE0 | (cp >> 12));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    } else {
        out += char(0xF0 | (cp >> 18));
        out += char(0x80 | ((cp >> 12) & 0x3F));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    }
}

}  // namespace morv
