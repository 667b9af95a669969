#include "linkcheck/core/PageLinks.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "helpers/core/TextUtil.h"

namespace morv {

namespace {

constexpr size_t npos = std::string_view::npos;

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

bool IsAsciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// What an attribute's value is to a rewrite.
enum class AttributeKind { None, Reference, Srcset, Style, Handler };

AttributeKind Classify(std::string_view name) {
    switch (name.size()) {
        case 3:
            if (EqualsIgnoreCase(name, "src")) return AttributeKind::Reference;
            break;
        case 4:
            if (EqualsIgnoreCase(name, "href") || EqualsIgnoreCase(name, "cite"))
                return AttributeKind::Reference;
            break;
        case 5:
            if (EqualsIgnoreCase(name, "style")) return AttributeKind::Style;
            break;
        case 6:
            if (EqualsIgnoreCase(name, "srcset")) return AttributeKind::Srcset;
            if (EqualsIgnoreCase(name, "action") || EqualsIgnoreCase(name, "poster") ||
                EqualsIgnoreCase(name, "lowsrc") || EqualsIgnoreCase(name, "dynsrc"))
                return AttributeKind::Reference;
            break;
        case 8:
            if (EqualsIgnoreCase(name, "longdesc")) return AttributeKind::Reference;
            break;
        case 10:
            if (EqualsIgnoreCase(name, "background")) return AttributeKind::Reference;
            break;
        default:
            break;
    }
    if (name.size() > 2 && StartsWithIgnoreCase(name, "on")) return AttributeKind::Handler;
    // data-src, data-href, xlink:href and the like.
    if (EndsWithIgnoreCase(name, "-src") || EndsWithIgnoreCase(name, "-href") ||
        EndsWithIgnoreCase(name, ":href"))
        return AttributeKind::Reference;
    return AttributeKind::None;
}

// The bytes that end a word of code: blanks, quotes, and the operators and brackets that stand
// between an address and the code around it.
constexpr std::array<bool, 256> MakeCodeDelimiters() {
    std::array<bool, 256> table{};
    for (int c = 0; c <= ' '; ++c)
        table[size_t(c)] = true;
    for (char c : std::string_view("\"'`<>=(),;+{}[]\\|!*"))
        table[static_cast<unsigned char>(c)] = true;
    return table;
}
constexpr std::array<bool, 256> kCodeDelimiters = MakeCodeDelimiters();

// Adds text[begin, end) without the blanks and control characters around it, unless nothing is
// left.
void Add(std::vector<PageLink>& links, std::string_view text, size_t begin, size_t end,
         const PageLink& kind) {
    while (begin < end && static_cast<unsigned char>(text[begin]) <= ' ')
        ++begin;
    while (end > begin && static_cast<unsigned char>(text[end - 1]) <= ' ')
        --end;
    if (begin == end) return;
    PageLink link = kind;
    link.begin = begin;
    link.end = end;
    links.push_back(link);
}

// The words of text[begin, end) that hold a "." or a "/", as code written there may use them as
// addresses.
void AddCodeWords(std::string_view text, size_t begin, size_t end, LinkPlace place,
                  std::vector<PageLink>& links) {
    PageLink kind;
    kind.place = place;
    kind.code = true;
    size_t k = begin;
    while (k < end) {
        while (k < end && kCodeDelimiters[static_cast<unsigned char>(text[k])])
            ++k;
        const size_t word = k;
        bool addressLike = false;
        while (k < end && !kCodeDelimiters[static_cast<unsigned char>(text[k])]) {
            addressLike = addressLike || text[k] == '.' || text[k] == '/';
            ++k;
        }
        if (addressLike) Add(links, text, word, k, kind);
    }
}

// The url(...) and @import "..." references of style sheet text in text[begin, end).
void AddStyleLinks(std::string_view text, size_t begin, size_t end, char outerQuote,
                   std::vector<PageLink>& links) {
    const std::string_view css = text.substr(begin, end - begin);
    PageLink kind;
    kind.place = LinkPlace::Style;
    kind.css = true;
    kind.outerQuote = outerQuote;
    // A quoted string from at (its opening quote) to its closing quote on the same line.
    auto addString = [&](size_t at) {
        kind.quote = css[at];
        size_t close = at + 1;
        while (close < css.size() && css[close] != kind.quote && css[close] != '\n')
            ++close;
        Add(links, text, begin + at + 1, begin + close, kind);
    };
    auto skipSpaces = [&](size_t k) {
        while (k < css.size() && IsSpace(css[k]))
            ++k;
        return k;
    };
    IgnoreCaseFinder urls(css, "url(");
    for (size_t p = urls.Next(0); p != npos; p = urls.Next(p + 4)) {
        const size_t k = skipSpaces(p + 4);
        if (k < css.size() && (css[k] == '"' || css[k] == '\'')) {
            addString(k);
            continue;
        }
        size_t e = k;
        while (e < css.size() && css[e] != ')' && !IsSpace(css[e]))
            ++e;
        kind.quote = 0;
        Add(links, text, begin + k, begin + e, kind);
    }
    IgnoreCaseFinder imports(css, "@import");
    for (size_t p = imports.Next(0); p != npos; p = imports.Next(p + 7)) {
        const size_t k = skipSpaces(p + 7);
        if (k < css.size() && (css[k] == '"' || css[k] == '\'')) addString(k);
    }
}

// The addresses of a srcset list in text[begin, end): "a.jpg 1x, b.jpg 2x".
void AddSrcsetLinks(std::string_view text, size_t begin, size_t end, char quote,
                    std::vector<PageLink>& links) {
    PageLink kind;
    kind.place = LinkPlace::Srcset;
    kind.quote = quote;
    size_t k = begin;
    while (k < end) {
        while (k < end && (IsSpace(text[k]) || text[k] == ','))
            ++k;
        const size_t address = k;
        while (k < end && !IsSpace(text[k]))
            ++k;
        size_t addressEnd = k;
        while (addressEnd > address && text[addressEnd - 1] == ',')
            --addressEnd;
        Add(links, text, address, addressEnd, kind);
        if (addressEnd < k) continue;  // "a.jpg," has no descriptor
        while (k < end && text[k] != ',')
            ++k;
    }
}

bool Within(const std::vector<std::pair<size_t, size_t>>& ranges, size_t at) {
    auto after =
        std::upper_bound(ranges.begin(), ranges.end(), at,
                         [](size_t value, const auto& range) { return value < range.first; });
    return after != ranges.begin() && at < std::prev(after)->second;
}

}  // namespace

void PageLinkFinder::FindInPage(std::string_view text, std::vector<PageLink>& links,
                                ProgressObserver& progress) {
    links.clear();
    attributeValues_.clear();
    scripts_.clear();
    handlers_.clear();
    servers_.clear();
    haveBase_ = false;
    const char* d = text.data();
    const size_t n = text.size();
    size_t i = 0;
    while (i < n) {
        const void* hit = std::memchr(d + i, '<', n - i);
        if (hit == nullptr) break;
        const size_t p = size_t(static_cast<const char*>(hit) - d);
        if (p + 1 >= n) break;
        const char c = d[p + 1];
        if (c == '?' || c == '%') {
            const char close[2] = {c, '>'};
            const size_t e = text.find(std::string_view(close, 2), p + 2);
            const size_t stop = e == npos ? n : e;
            servers_.emplace_back(p + 2, stop);
            AddCodeWords(text, p + 2, stop, LinkPlace::Server, links);
            i = e == npos ? n : e + 2;
            continue;
        }
        i = p + 1;
        // End tags, comments and declarations carry no references of their own; the inside of
        // a comment is walked like the page.
        if (!IsAsciiLetter(c)) continue;
        bool script = false, style = false;
        Tag(text, i, links, script, style);
        if (script || style) {
            const size_t e = FindIgnoreCase(text, script ? "</script" : "</style", i);
            const size_t stop = e == npos ? n : e;
            if (script) {
                scripts_.emplace_back(i, stop);
                AddCodeWords(text, i, stop, LinkPlace::Script, links);
            } else {
                AddStyleLinks(text, i, stop, 0, links);
            }
            i = stop;
        }
    }
    AddScannerValues(text, links, progress);

    // In text order; where a word of code and a scanner's value start at one place, the value.
    std::stable_sort(links.begin(), links.end(),
                     [](const PageLink& a, const PageLink& b) { return a.begin < b.begin; });
    size_t kept = 0;
    for (size_t k = 0; k < links.size(); ++k) {
        if (kept > 0 && links[kept - 1].begin == links[k].begin) {
            if (links[kept - 1].code && !links[k].code) links[kept - 1] = links[k];
            continue;
        }
        links[kept++] = links[k];
    }
    links.resize(kept);
}

void PageLinkFinder::FindInStyleSheet(std::string_view text, std::vector<PageLink>& links) {
    links.clear();
    AddStyleLinks(text, 0, text.size(), 0, links);
    std::sort(links.begin(), links.end(),
              [](const PageLink& a, const PageLink& b) { return a.begin < b.begin; });
}

// Reads the tag whose name starts at at, up to and after its ">"; script or style tells whether
// it opens an element whose content is code or style sheet text.
void PageLinkFinder::Tag(std::string_view text, size_t& at, std::vector<PageLink>& links,
                         bool& script, bool& style) {
    const char* d = text.data();
    const size_t n = text.size();
    size_t k = at;
    while (k < n && !IsSpace(d[k]) && d[k] != '>' && d[k] != '/' && d[k] != '<')
        ++k;
    const std::string_view tag = text.substr(at, k - at);
    bool selfClosing = false;
    while (k < n) {
        while (k < n && (IsSpace(d[k]) || d[k] == '/')) {
            selfClosing = d[k] == '/';
            ++k;
        }
        if (k >= n || d[k] == '<') break;  // a tag left open: the next one starts here
        if (d[k] == '>') {
            ++k;
            break;
        }
        selfClosing = false;
        const size_t nameAt = k++;  // a name may start with any byte, even "="
        while (k < n && !IsSpace(d[k]) && d[k] != '=' && d[k] != '>' && d[k] != '/' && d[k] != '<')
            ++k;
        const std::string_view name = text.substr(nameAt, k - nameAt);
        size_t s = k;
        while (s < n && IsSpace(d[s]))
            ++s;
        if (s >= n || d[s] != '=') {
            k = s;  // no value
            continue;
        }
        k = s + 1;
        while (k < n && IsSpace(d[k]))
            ++k;
        if (k < n && (d[k] == '"' || d[k] == '\'')) {
            const char quote = d[k];
            const void* close = std::memchr(d + k + 1, quote, n - k - 1);
            const size_t e = close == nullptr ? n : size_t(static_cast<const char*>(close) - d);
            Attribute(text, tag, name, k + 1, e, quote, links);
            k = close == nullptr ? n : e + 1;
        } else {
            const size_t b = k;
            while (k < n && !IsSpace(d[k]) && d[k] != '>')
                ++k;
            Attribute(text, tag, name, b, k, 0, links);
        }
    }
    at = k;
    script = !selfClosing && EqualsIgnoreCase(tag, "script");
    style = !selfClosing && EqualsIgnoreCase(tag, "style");
}

void PageLinkFinder::Attribute(std::string_view text, std::string_view tag, std::string_view name,
                               size_t begin, size_t end, char quote, std::vector<PageLink>& links) {
    switch (Classify(name)) {
        case AttributeKind::None:
            return;
        case AttributeKind::Reference: {
            attributeValues_.push_back(begin);
            PageLink kind;
            kind.quote = quote;
            kind.base =
                !haveBase_ && EqualsIgnoreCase(tag, "base") && EqualsIgnoreCase(name, "href");
            haveBase_ = haveBase_ || kind.base;
            Add(links, text, begin, end, kind);
            return;
        }
        case AttributeKind::Srcset:
            attributeValues_.push_back(begin);
            AddSrcsetLinks(text, begin, end, quote, links);
            return;
        case AttributeKind::Style:
            AddStyleLinks(text, begin, end, quote, links);
            return;
        case AttributeKind::Handler:
            handlers_.emplace_back(begin, end);
            AddCodeWords(text, begin, end, LinkPlace::Handler, links);
            return;
    }
}

// The values Check Links reads that the walk did not take as attribute values: they are listed
// when they would need a rewrite, so that nothing Check Links sees changes unnoticed.
void PageLinkFinder::AddScannerValues(std::string_view text, std::vector<PageLink>& links,
                                      ProgressObserver& progress) {
    FindStartMarkers(text, starts_);
    const ReferenceVisitor visit = [&](const FoundReference& found) {
        if (std::binary_search(attributeValues_.begin(), attributeValues_.end(), found.begin))
            return;
        PageLink kind;
        kind.place = PlaceOf(found.begin);
        kind.quote = '"';
        Add(links, text, found.begin, found.end, kind);
    };
    ScanLinks(text, visit, progress, &starts_);
    ScanImages(text, visit, progress, &starts_);
}

LinkPlace PageLinkFinder::PlaceOf(size_t at) const {
    if (Within(scripts_, at)) return LinkPlace::Script;
    if (Within(handlers_, at)) return LinkPlace::Handler;
    if (Within(servers_, at)) return LinkPlace::Server;
    return LinkPlace::Text;
}

}  // namespace morv
