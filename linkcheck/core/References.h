#pragma once

#include <string>
#include <string_view>
#include <vector>

// Where a link or image reference of a page leads inside the site, resolved the way a browser
// resolves it against the page's own address. Pure functions: no disk access. The site is a
// folder; its pages are named by their paths below it ("docs/a.htm"), and its root is addressed
// as "/" by root-relative references and by the site's own absolute addresses.
namespace morv {

// A reference split into its parts as RFC 3986 reads it. Every part is a view into the text
// that was parsed, so its offset in the reference is part.data() - reference.data(); with the
// reference's own place in the page (FoundReference) that gives the part's place in the page.
struct ReferenceParts {
    std::string_view scheme;     // without its ":"
    std::string_view authority;  // after "//", up to the path
    std::string_view path;
    std::string_view query;     // without its "?"
    std::string_view fragment;  // without its "#"
    bool hasScheme = false;
    bool hasAuthority = false;
    bool hasQuery = false;
    bool hasFragment = false;
};
ReferenceParts ParseReference(std::string_view reference);

// How a reference is written, which a rewrite keeps.
enum class ReferenceForm {
    Absolute,        // "http://host/a.htm", "mailto:x@y"
    SchemeRelative,  // "//host/a.htm"
    RootRelative,    // "/a.htm"
    Relative,        // "a.htm", "../a.htm", "#top", ""
};
ReferenceForm FormOf(const ReferenceParts& parts);

// Percent-escapes decoded. "%2F" and "%00" stay as written (no file name holds "/" or NUL), and
// so does a "%" that is not followed by two hexadecimal digits.
std::string PercentDecode(std::string_view text);
// "%" written as "%25", so that a file name reads back unchanged through PercentDecode.
std::string EscapePercent(std::string_view text);

// The site's own addresses, each split into what an absolute reference must start with: scheme
// and host (letter case ignored) and a path prefix (letter case kept, always ending with "/").
// An address typed without a scheme ("www.example.org") is taken as "http://".
struct SiteAddress {
    std::string scheme;     // lower case
    std::string authority;  // lower case
    std::string path;       // "/" or "/~user/"
};
std::vector<SiteAddress> MakeSiteAddresses(const std::vector<std::string>& addresses);

// The first of the site's addresses that an absolute or scheme-relative reference starts with,
// or nullptr; rest then receives the part of its path below that address ("" when the reference
// names the address's own folder without its final "/").
const SiteAddress* FindSiteAddress(const ReferenceParts& parts,
                                   const std::vector<SiteAddress>& site, std::string_view& rest);

// Where a reference leads.
enum class Resolution {
    Site,       // a file or folder of the site: target names it
    Outside,    // climbs above the site folder with ".."
    Elsewhere,  // another host, or a scheme of its own (mailto:, javascript:, ftp://other...)
};

// What the references of one page are resolved against: the page's address, or its
// <base href> resolved against that address.
struct PageBase {
    Resolution kind = Resolution::Site;
    std::string path;  // Site: the base's path from the site root, escaped, starting with "/"
};

// The base of the page at pagePath (below the site folder, "/"-separated, as on disk), with the
// value of its first <base href> when it has one (empty: none).
PageBase MakePageBase(std::string_view pagePath, std::string_view baseHref,
                      const std::vector<SiteAddress>& site);

// Resolves one reference as written in a page. Blanks and control characters around it are
// dropped, tabs and line breaks inside it removed, backslashes before its query read as "/";
// query and fragment are dropped; "." and ".." segments are applied (".." above the root gives
// Outside); a reference starting with one of the site's own addresses, or with "//" and the host
// of one, counts as root-relative; any other scheme or host gives Elsewhere. For Site, target
// receives the path below the site folder, percent-escapes decoded, without a leading "/": ""
// for the root, ending with "/" for a folder ("docs/"), otherwise a file name ("docs/a.htm").
// A reference with only a fragment or a query leads to the base itself. target's buffer is
// reused, so a caller resolving many references allocates next to nothing.
Resolution ResolveReference(const PageBase& base, std::string_view reference,
                            const std::vector<SiteAddress>& site, std::string& target);

}  // namespace morv
