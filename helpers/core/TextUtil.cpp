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
    if (needle.empty()) return from <= hay.size() ? from : std::string_view::npos;
    if (hay.size() < needle.size() || from > hay.size() - needle.size()) {
        return std::string_view::npos;
    }
    const char lower = AsciiLower(needle[0]);
    const char upper = AsciiUpper(needle[0]);
    const char* data = hay.data();
    const size_t lastStart = hay.size() - needle.size();
    size_t pos = from;
    // The next occurrence of each case of the first byte, each looked up again only once the
    // search has passed it: the text is read once even when one case is rare or absent.
    const char* a = nullptr;
    const char* b = nullptr;
    bool aKnown = false;
    bool bKnown = lower == upper;
    while (pos <= lastStart) {
        // Next candidate: the nearer of the two cases of the first byte.
        const size_t span = lastStart - pos + 1;
        if (!aKnown || (a != nullptr && a < data + pos)) {
            a = static_cast<const char*>(std::memchr(data + pos, lower, span));
            aKnown = true;
        }
        if (!bKnown || (b != nullptr && b < data + pos)) {
            b = static_cast<const char*>(std::memchr(data + pos, upper, span));
            bKnown = true;
        }
        const char* hit = a == nullptr ? b : (b == nullptr ? a : (a < b ? a : b));
        if (hit == nullptr) return std::string_view::npos;
        pos = size_t(hit - data);
        size_t i = 1;
        while (i < needle.size() && AsciiLower(data[pos + i]) == AsciiLower(needle[i]))
            ++i;
        if (i == needle.size()) return pos;
        ++pos;
    }
    return std::string_view::npos;
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

}  // namespace morv
