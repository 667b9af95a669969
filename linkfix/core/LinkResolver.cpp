#include "linkfix/core/LinkResolver.h"

#include <algorithm>

#include "helpers/core/TextUtil.h"

namespace morv {

namespace {

std::string WithoutLineBreaks(std::string_view text) {
    std::string out(text);
    std::erase_if(out, [](char c) { return c == '\r' || c == '\n'; });
    return out;
}

bool IsAsciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

}  // namespace

std::string NormaliseSiteRoot(std::string_view root) {
    std::string out = WithoutLineBreaks(TrimBlanks(root));
    if (!StartsWithIgnoreCase(out, "http://") && !StartsWithIgnoreCase(out, "ftp://")) {
        out.insert(0, out.starts_with('/') ? "http:/" : "http://");
    }
    if (!out.ends_with('/')) out += '/';
    return out;
}

std::vector<std::string> SplitCurrentPath(std::string_view path) {
    std::string text = WithoutLineBreaks(TrimBlanks(path));
    std::string_view view = text;
    if (view.starts_with('/')) view.remove_prefix(1);
    if (view.ends_with('/')) view.remove_suffix(1);
    std::vector<std::string> segments;
    if (view.empty()) return segments;
    for (std::string_view part : Split(view, '/'))
        segments.emplace_back(part);
    return segments;
}

LinkBase MakeLinkBase(std::string_view root, std::string_view path) {
    return LinkBase{NormaliseSiteRoot(root), SplitCurrentPath(path)};
}

std::string ResolveRelativeLink(const LinkBase& base, std::string_view link) {
    if (link.starts_with("./")) link.remove_prefix(2);
    if (link.starts_with('/')) link.remove_prefix(1);
    std::string text(link);
    std::replace(text.begin(), text.end(), '\\', '/');

    // Each "../" climbs one segment; only what follows the last one is kept.
    size_t climbs = 0;
    size_t tailAt = 0;
    for (size_t at = text.find("../"); at != std::string::npos; at = text.find("../", at + 3)) {
        ++climbs;
        tailAt = at + 3;
    }

    std::string out = base.siteRoot;
    const size_t keep = climbs < base.segments.size() ? base.segments.size() - climbs : 0;
    for (size_t i = 0; i < keep; ++i) {
        out += base.segments[i];
        out += '/';
    }
    out.append(text, tailAt);
    return out;
}

bool BeginsWithScheme(std::string_view text) {
    text = TrimBlanks(text);
    if (text.empty() || !IsAsciiLetter(text[0])) return false;
    for (size_t i = 1; i < text.size(); ++i) {
        const char c = text[i];
        if (c == ':') return true;
        if (!IsAsciiLetter(c) && !(c >= '0' && c <= '9') && c != '+' && c != '-' && c != '.') {
            return false;
        }
    }
    return false;
}

bool IsFixCandidate(std::string_view line) {
    return line.size() >= 2 && line.find(';') == std::string_view::npos &&
           line.find("//") == std::string_view::npos && line[0] != '#' && !BeginsWithScheme(line);
}

}  // namespace morv
