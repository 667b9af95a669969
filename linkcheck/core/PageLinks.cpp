#include "linkcheck/core/PageLinks.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

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
    if (name.size() > 2 && AsciiLower(name[0]) == 'o' && AsciiLower(name[1]) == 'n')
        return AttributeKind::Handler;
    // Most names are none of the others: their last letter tells at once.
    switch (AsciiLower(name.back())) {
        case 'f':  // href, xlink:href, data-href
        case 'c':  // src, lowsrc, dynsrc, data-src, longdesc
        case 'e':  // cite, style
        case 't':  // srcset
        case 'n':  // action
        case 'r':  // poster
        case 'd':  // background
            break;
        default:
            return AttributeKind::None;
    }
    // The name's last ten bytes in lower case: enough for every name and every ending below.
    char buffer[10];
    const size_t size = std::min(name.size(), sizeof buffer);
    for (size_t k = 0; k < size; ++k)
        buffer[k] = AsciiLower(name[name.size() - size + k]);
    const std::string_view tail(buffer, size);
    switch (name.size()) {
        case 3:
            return tail == "src" ? AttributeKind::Reference : AttributeKind::None;
        case 4:
            return tail == "href" || tail == "cite" ? AttributeKind::Reference
                                                    : AttributeKind::None;
        case 5:
            return tail == "style" ? AttributeKind::Style : AttributeKind::None;
        case 6:
            if (tail == "srcset") return AttributeKind::Srcset;
            if (tail == "action" || tail == "poster" || tail == "lowsrc" || tail == "dynsrc")
                return AttributeKind::Reference;
            break;
        case 8:
            if (tail == "longdesc") return AttributeKind::Reference;
            break;
        case 10:
            if (tail == "background") return AttributeKind::Reference;
            break;
        default:
            break;
    }
    // data-src, data-href, xlink:href and the like.
    if (tail.ends_with("-src") || tail.ends_with("-href") || tail.ends_with(":href"))
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

// The bytes that end an attribute's name, read backwards from its "=".
bool IsNameEnd(char c) {
    return IsSpace(c) || c == '"' || c == '\'' || c == '<' || c == '>' || c == '=' || c == '/';
}

// Whether the "=" at e follows one of the names that make up most of a page's attributes and
// never hold a reference: class, id, name. Telling them in the sweep saves a look at each.
inline bool FollowsCommonName(const char* d, size_t e) {
    // The four bytes before the "=", letters folded to lower case (and a few other bytes with
    // them, which the byte before a name then rules out).
    if (e < 5) return false;
    uint32_t word = 0;
    std::memcpy(&word, d + e - 4, 4);
    word |= 0x20202020u;
    auto bytes = [](const char(&text)[5]) {
        uint32_t value = 0;
        std::memcpy(&value, text, 4);
        return value;
    };
    if (word == bytes("lass"))
        return AsciiLower(d[e - 5]) == 'c' && (e == 5 || IsNameEnd(d[e - 6]));
    if (word == bytes("name")) return IsNameEnd(d[e - 5]);
    return (word >> 16) == (bytes("\0\0id") >> 16) && IsNameEnd(d[e - 3]);
}

// Records where text has a "=" (but after class, id or name) and where a "<?" or "<%" starts
// server code.
void SweepScalar(std::string_view text, size_t from, std::vector<size_t>& equals,
                 std::vector<size_t>& servers) {
    for (size_t i = from; i < text.size(); ++i) {
        if (text[i] == '=' && i > 0 && !FollowsCommonName(text.data(), i)) equals.push_back(i);
        if (text[i] == '<' && i + 1 < text.size() && (text[i + 1] == '?' || text[i + 1] == '%'))
            servers.push_back(i);
    }
}

#if defined(__x86_64__)
// SweepEqualsAndServerCode 32 bytes at a time; returns where whole blocks end.
__attribute__((target("avx2"))) size_t SweepAvx2(const char* d, size_t n,
                                                 std::vector<size_t>& equals,
                                                 std::vector<size_t>& servers) {
    const __m256i eq = _mm256_set1_epi8('='), lt = _mm256_set1_epi8('<');
    const __m256i question = _mm256_set1_epi8('?'), percent = _mm256_set1_epi8('%');
    size_t i = 0;
    while (i + 33 <= n) {
        const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(d + i));
        const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(d + i + 1));
        unsigned equal = unsigned(_mm256_movemask_epi8(_mm256_cmpeq_epi8(a, eq)));
        unsigned server = unsigned(_mm256_movemask_epi8(_mm256_and_si256(
            _mm256_cmpeq_epi8(a, lt),
            _mm256_or_si256(_mm256_cmpeq_epi8(b, question), _mm256_cmpeq_epi8(b, percent)))));
        for (; equal != 0; equal &= equal - 1) {
            const size_t e = i + size_t(__builtin_ctz(equal));
            if (e > 0 && !FollowsCommonName(d, e)) equals.push_back(e);
        }
        for (; server != 0; server &= server - 1)
            servers.push_back(i + size_t(__builtin_ctz(server)));
        i += 32;
    }
    return i;
}

const bool kHaveAvx2 = __builtin_cpu_supports("avx2");
#endif

void SweepEqualsAndServerCode(std::string_view text, std::vector<size_t>& equals,
                              std::vector<size_t>& servers) {
    equals.clear();
    servers.clear();
    size_t i = 0;
#if defined(__x86_64__)
    if (kHaveAvx2) i = SweepAvx2(text.data(), text.size(), equals, servers);
#endif
    SweepScalar(text, i, equals, servers);
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
    FindStartMarkers(text, starts_);
    SweepEqualsAndServerCode(text, equals_, serverStarts_);
    ElementContents(text, links);

    // Every "=" names the attribute in front of it; only those of a few names, standing in a
    // tag and not in a script, style element or server code, need the tag read.
    const char* d = text.data();
    size_t skipped = 0;   // in skipped_: the first range not wholly before the "="
    size_t valueEnd = 0;  // the end of the last attribute value taken: nothing inside is a tag
    for (size_t e : equals_) {
        while (skipped < skipped_.size() && skipped_[skipped].second <= e)
            ++skipped;
        if (e < valueEnd || (skipped < skipped_.size() && skipped_[skipped].first <= e)) continue;
        size_t nameEnd = e;
        while (nameEnd > 0 && IsSpace(d[nameEnd - 1]))
            --nameEnd;
        size_t nameAt = nameEnd;
        while (nameAt > 0 && !IsNameEnd(d[nameAt - 1]))
            --nameAt;
        const std::string_view name = text.substr(nameAt, nameEnd - nameAt);
        if (name.empty() || Classify(name) == AttributeKind::None) continue;
        std::string_view tag;
        if (!StartsAttribute(text, nameAt, tag)) continue;
        size_t k = e + 1;
        while (k < text.size() && IsSpace(d[k]))
            ++k;
        if (k < text.size() && (d[k] == '"' || d[k] == '\'')) {
            const size_t close = text.find(d[k], k + 1);
            valueEnd = close == npos ? text.size() : close;
            Attribute(text, tag, name, k + 1, valueEnd, d[k], links);
        } else {
            const size_t begin = k;
            while (k < text.size() && !IsSpace(d[k]) && d[k] != '>')
                ++k;
            valueEnd = k;
            Attribute(text, tag, name, begin, k, 0, links);
        }
    }
    AddScannerValues(text, links, progress);

    // In text order; where a word of code and a scanner's value start at one place, the value.
    std::sort(links.begin(), links.end(), [](const PageLink& a, const PageLink& b) {
        return a.begin != b.begin ? a.begin < b.begin : !a.code && b.code;
    });
    links.erase(
        std::unique(links.begin(), links.end(),
                    [](const PageLink& a, const PageLink& b) { return a.begin == b.begin; }),
        links.end());
}

void PageLinkFinder::FindInStyleSheet(std::string_view text, std::vector<PageLink>& links) {
    links.clear();
    AddStyleLinks(text, 0, text.size(), 0, links);
    std::sort(links.begin(), links.end(),
              [](const PageLink& a, const PageLink& b) { return a.begin < b.begin; });
}

// The contents of <script> and <style> elements and of server code: their words of code and
// style sheet references, and the ranges where attributes are not looked for.
void PageLinkFinder::ElementContents(std::string_view text, std::vector<PageLink>& links) {
    skipped_.clear();
    for (size_t p : serverStarts_) {
        if (!servers_.empty() && p < servers_.back().second) continue;
        const char close[2] = {text[p + 1], '>'};
        const size_t e = text.find(std::string_view(close, 2), p + 2);
        servers_.emplace_back(p + 2, e == npos ? text.size() : e);
        AddCodeWords(text, p + 2, servers_.back().second, LinkPlace::Server, links);
    }
    for (TagKind kind : {TagKind::Script, TagKind::Style}) {
        const bool script = kind == TagKind::Script;
        size_t after = 0;
        for (size_t p : starts_.at[int(kind)]) {
            if (p < after || (!script && Within(scripts_, p))) continue;
            // "<scripts" or "<style2" is another tag.
            const size_t nameEnd = p + (script ? 7 : 6);
            if (nameEnd < text.size() && !IsSpace(text[nameEnd]) && text[nameEnd] != '>' &&
                text[nameEnd] != '/')
                continue;
            const size_t gt = text.find('>', nameEnd);
            if (gt == npos) break;
            after = gt + 1;
            if (text[gt - 1] == '/') continue;  // <script ... />
            const size_t e = FindIgnoreCase(text, script ? "</script" : "</style", gt + 1);
            after = e == npos ? text.size() : e;
            skipped_.emplace_back(gt + 1, after);
            if (script) {
                scripts_.emplace_back(gt + 1, after);
                AddCodeWords(text, gt + 1, after, LinkPlace::Script, links);
            } else {
                AddStyleLinks(text, gt + 1, after, 0, links);
            }
        }
    }
    skipped_.insert(skipped_.end(), servers_.begin(), servers_.end());
    // One sorted list of ranges that do not overlap, so that one pass can skip them.
    std::sort(skipped_.begin(), skipped_.end());
    size_t kept = 0;
    for (const Range& range : skipped_) {
        if (kept > 0 && range.first <= skipped_[kept - 1].second) {
            skipped_[kept - 1].second = std::max(skipped_[kept - 1].second, range.second);
            continue;
        }
        skipped_[kept++] = range;
    }
    skipped_.resize(kept);
}

// Whether an attribute's name starts at nameAt inside a tag: the tag that the last "<" before
// it opens is read up to there, and the name must start exactly there (not in another
// attribute's value, nor after the tag's ">"). tag receives the tag's name.
bool PageLinkFinder::StartsAttribute(std::string_view text, size_t nameAt,
                                     std::string_view& tag) const {
    const char* d = text.data();
    const void* open = memrchr(d, '<', nameAt);
    if (open == nullptr) return false;
    size_t k = size_t(static_cast<const char*>(open) - d) + 1;
    if (!IsAsciiLetter(d[k])) return false;
    const size_t tagAt = k;
    while (k < nameAt && !IsSpace(d[k]) && d[k] != '>' && d[k] != '/' && d[k] != '<')
        ++k;
    tag = text.substr(tagAt, k - tagAt);
    while (k < nameAt) {
        while (k < nameAt && (IsSpace(d[k]) || d[k] == '/'))
            ++k;
        if (k >= nameAt || d[k] == '>' || d[k] == '<') break;
        ++k;  // a name may start with any byte, even "="
        while (k < nameAt && !IsSpace(d[k]) && d[k] != '=' && d[k] != '>' && d[k] != '/' &&
               d[k] != '<')
            ++k;
        if (k == nameAt) return false;  // inside a longer name
        size_t s = k;
        while (s < nameAt && IsSpace(d[s]))
            ++s;
        if (s >= nameAt || d[s] != '=') {
            k = s;
            continue;
        }
        k = s + 1;
        while (k < nameAt && IsSpace(d[k]))
            ++k;
        if (k < nameAt && (d[k] == '"' || d[k] == '\'')) {
            const void* close = std::memchr(d + k + 1, d[k], nameAt - k - 1);
            if (close == nullptr) return false;  // nameAt is inside this value
            k = size_t(static_cast<const char*>(close) - d) + 1;
        } else {
            while (k < nameAt && !IsSpace(d[k]) && d[k] != '>')
                ++k;
            if (k == nameAt) return false;  // inside this unquoted value
        }
    }
    return k == nameAt;
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
    const ReferenceVisitor visit = [&](const FoundReference& found) {
        PageLink kind;
        kind.place = PlaceOf(found.begin);
        kind.quote = '"';
        Add(links, text, found.begin, found.end, kind);
    };
    // The attribute values the walk took, in text order, are passed over.
    ScanLinks(text, visit, progress, &starts_, &attributeValues_);
    ScanImages(text, visit, progress, &starts_, &attributeValues_);
}

LinkPlace PageLinkFinder::PlaceOf(size_t at) const {
    if (Within(scripts_, at)) return LinkPlace::Script;
    if (Within(handlers_, at)) return LinkPlace::Handler;
    if (Within(servers_, at)) return LinkPlace::Server;
    return LinkPlace::Text;
}

}  // namespace morv
