#include "linkcheck/core/References.h"

#include "helpers/core/TextUtil.h"

namespace morv {

namespace {

constexpr size_t npos = std::string_view::npos;

bool IsAsciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsSchemeChar(char c) {
    return IsAsciiLetter(c) || (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// A path segment that means "this folder" or "the folder above", also when its dots are
// written as "%2e", as browsers read them.
bool IsDot(std::string_view segment) {
    return segment == "." || EqualsIgnoreCase(segment, "%2e");
}

bool IsDotDot(std::string_view segment) {
    return segment == ".." || EqualsIgnoreCase(segment, ".%2e") ||
           EqualsIgnoreCase(segment, "%2e.") || EqualsIgnoreCase(segment, "%2e%2e");
}

// The reference as a browser takes it from the attribute: blanks and control characters around
// it dropped, tabs and line breaks inside it removed, backslashes before its query read as "/".
// Returns a view of the reference itself when nothing had to change, else of clean.
std::string_view CleanReference(std::string_view reference, std::string& clean) {
    while (!reference.empty() && static_cast<unsigned char>(reference.front()) <= ' ')
        reference.remove_prefix(1);
    while (!reference.empty() && static_cast<unsigned char>(reference.back()) <= ' ')
        reference.remove_suffix(1);
    // One pass over the characters: most references need no change at all.
    bool change = false;
    for (char c : reference)
        change = change || c == '\t' || c == '\r' || c == '\n' || c == '\\';
    if (!change) return reference;
    clean.clear();
    bool inPath = true;
    for (char c : reference) {
        if (c == '\t' || c == '\r' || c == '\n') continue;
        if (c == '?' || c == '#') inPath = false;
        clean += (inPath && c == '\\') ? '/' : c;
    }
    return clean;
}

// Applies the "." and ".." segments of a path that starts with "/" and drops empty segments
// between two "/". False when a ".." would climb above the root.
bool RemoveDotSegments(std::string_view in, std::string& out) {
    out.clear();
    out += '/';
    size_t i = 1;
    while (true) {
        size_t j = in.find('/', i);
        const bool last = j == npos;
        if (last) j = in.size();
        const std::string_view segment = in.substr(i, j - i);
        if (IsDotDot(segment)) {
            if (out.size() == 1) return false;
            out.resize(out.rfind('/', out.size() - 2) + 1);
        } else if (!IsDot(segment) && !(segment.empty() && !last)) {
            out.append(segment);
            if (!last) out += '/';
        }
        if (last) return true;
        i = j + 1;
    }
}

// Appends text with its percent-escapes decoded (see PercentDecode).
void AppendDecoded(std::string_view text, std::string& out) {
    if (text.find('%') == npos) {
        out.append(text);
        return;
    }
    out.reserve(out.size() + text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const int high = text[i] == '%' && i + 2 < text.size() ? HexValue(text[i + 1]) : -1;
        const int low = high >= 0 ? HexValue(text[i + 2]) : -1;
        const int byte = high * 16 + low;
        if (low < 0 || byte == '/' || byte == 0) {
            out += text[i];
            continue;
        }
        out += char(byte);
        i += 2;
    }
}

// ResolveReference up to the escaped path from the site root, starting with "/".
Resolution ResolveToPath(const PageBase& base, std::string_view reference,
                         const std::vector<SiteAddress>& site, std::string& path) {
    thread_local std::string clean, merged;
    const ReferenceParts parts = ParseReference(CleanReference(reference, clean));
    merged.clear();
    if (parts.hasScheme || parts.hasAuthority) {
        std::string_view rest;
        if (FindSiteAddress(parts, site, rest) == nullptr) return Resolution::Elsewhere;
        merged.append("/").append(rest);
    } else if (base.kind == Resolution::Elsewhere) {
        return Resolution::Elsewhere;
    } else if (parts.path.starts_with('/')) {
        merged.append(parts.path);
    } else if (base.kind == Resolution::Outside) {
        return Resolution::Outside;
    } else if (parts.path.empty()) {
        merged.append(base.path);
    } else {
        merged.append(base.path, 0, base.path.rfind('/') + 1).append(parts.path);
    }
    return RemoveDotSegments(merged, path) ? Resolution::Site : Resolution::Outside;
}

}  // namespace

ReferenceParts ParseReference(std::string_view reference) {
    ReferenceParts parts;
    std::string_view rest = reference;
    if (!rest.empty() && IsAsciiLetter(rest[0])) {
        size_t i = 1;
        while (i < rest.size() && IsSchemeChar(rest[i]))
            ++i;
        if (i < rest.size() && rest[i] == ':') {
            parts.scheme = rest.substr(0, i);
            parts.hasScheme = true;
            rest.remove_prefix(i + 1);
        }
    }
    if (rest.starts_with("//")) {
        size_t end = 2;
        while (end < rest.size() && rest[end] != '/' && rest[end] != '?' && rest[end] != '#')
            ++end;
        parts.authority = rest.substr(2, end - 2);
        parts.hasAuthority = true;
        rest.remove_prefix(2 + parts.authority.size());
    }
    const size_t hash = rest.find('#');
    if (hash != npos) {
        parts.fragment = rest.substr(hash + 1);
        parts.hasFragment = true;
        rest = rest.substr(0, hash);
    }
    const size_t question = rest.find('?');
    if (question != npos) {
        parts.query = rest.substr(question + 1);
        parts.hasQuery = true;
        rest = rest.substr(0, question);
    }
    parts.path = rest;
    return parts;
}

const SiteAddress* FindSiteAddress(const ReferenceParts& parts,
                                   const std::vector<SiteAddress>& site, std::string_view& rest) {
    if (!parts.hasAuthority) return nullptr;  // "http:a.htm" names no host
    const std::string_view path = parts.path.empty() ? std::string_view("/") : parts.path;
    for (const SiteAddress& address : site) {
        if (parts.hasScheme && !EqualsIgnoreCase(parts.scheme, address.scheme)) continue;
        if (!EqualsIgnoreCase(parts.authority, address.authority)) continue;
        if (path.starts_with(address.path)) {
            rest = path.substr(address.path.size());
            return &address;
        }
        // The address's own folder written without its final "/".
        if (path.size() + 1 == address.path.size() && address.path.starts_with(path)) {
            rest = {};
            return &address;
        }
    }
    return nullptr;
}

ReferenceForm FormOf(const ReferenceParts& parts) {
    if (parts.hasScheme) return ReferenceForm::Absolute;
    if (parts.hasAuthority) return ReferenceForm::SchemeRelative;
    if (parts.path.starts_with('/')) return ReferenceForm::RootRelative;
    return ReferenceForm::Relative;
}

std::string PercentDecode(std::string_view text) {
    std::string out;
    AppendDecoded(text, out);
    return out;
}

std::string EscapePercent(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c == '%')
            out.append("%25");
        else
            out += c;
    }
    return out;
}

std::vector<SiteAddress> MakeSiteAddresses(const std::vector<std::string>& addresses) {
    std::vector<SiteAddress> site;
    for (const std::string& typed : addresses) {
        const std::string_view trimmed = TrimSpacesAndTabs(typed);
        if (trimmed.empty()) continue;
        std::string text;
        if (trimmed.find("//") == std::string_view::npos) text = "http://";
        text.append(trimmed);
        const ReferenceParts parts = ParseReference(text);
        if (!parts.hasAuthority || parts.authority.empty()) continue;
        SiteAddress address;
        address.scheme = AsciiLowerCopy(parts.hasScheme ? parts.scheme : "http");
        address.authority = AsciiLowerCopy(parts.authority);
        address.path = parts.path.starts_with('/') ? std::string(parts.path) : "/";
        if (!address.path.ends_with('/')) address.path += '/';
        site.push_back(std::move(address));
    }
    return site;
}

PageBase MakePageBase(std::string_view pagePath, std::string_view baseHref,
                      const std::vector<SiteAddress>& site) {
    PageBase page{Resolution::Site, "/"};
    page.path.append(EscapePercent(pagePath));
    if (TrimSpacesAndTabs(baseHref).empty()) return page;
    PageBase base;
    base.kind = ResolveToPath(page, baseHref, site, base.path);
    return base;
}

Resolution ResolveReference(const PageBase& base, std::string_view reference,
                            const std::vector<SiteAddress>& site, std::string& target) {
    thread_local std::string path;
    const Resolution kind = ResolveToPath(base, reference, site, path);
    target.clear();
    if (kind == Resolution::Site) AppendDecoded(std::string_view(path).substr(1), target);
    return kind;
}

}  // namespace morv
