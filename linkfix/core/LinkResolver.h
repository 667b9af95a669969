#pragma once

#include <string>
#include <string_view>
#include <vector>

// Turning the relative link and image lines of a report into absolute addresses against a site
// root and a current path inside the site.
namespace morv {

// What every relative link is resolved against.
struct LinkBase {
    std::string siteRoot;               // normalised: has a scheme, ends with "/"
    std::vector<std::string> segments;  // the current path, split at "/"
};

// The root as typed, trimmed of spaces. Without an "http://" or "ftp://" scheme (any letter
// case) it gains "http://" in front, or "http:/" when it starts with "/"; it always ends with
// "/". Line breaks are dropped: an address cannot hold one.
std::string NormaliseSiteRoot(std::string_view root);

// The current path as typed, trimmed of spaces, without one leading and one trailing "/",
// split at "/". An empty path has no segments. Backslashes are not separators here.
std::vector<std::string> SplitCurrentPath(std::string_view path);

LinkBase MakeLinkBase(std::string_view root, std::string_view path);

// Resolves one trimmed link: a leading "./" and then a leading "/" are removed once, every "\"
// becomes "/", each "../" climbs one segment of the current path (the text between two of them
// is dropped; climbing above the root stays at the root), and the rest follows the root and the
// remaining segments.
std::string ResolveRelativeLink(const LinkBase& base, std::string_view link);

// Whether a section line, exactly as read, is one to rewrite: at least two characters, no ";"
// (comment lines), no "//" (addresses with a host), not an in-page anchor ("#..."), and not an
// address with a scheme of its own ("mailto:", "javascript:", "C:\...").
bool IsFixCandidate(std::string_view line);

// Whether text, after leading spaces, begins with a URI scheme and its ":".
bool BeginsWithScheme(std::string_view text);

}  // namespace morv
