#include "services/core/HelpIndex.h"

#include <algorithm>
#include <cctype>

#include "helpers/core/TextUtil.h"

namespace morv {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f';
}

// Decodes the entity that starts at text[i] == '&' into out; returns the length consumed, or 0
// when it is not one we know (the '&' is then kept as it stands).
size_t DecodeEntity(std::string_view text, size_t i, std::string& out) {
    const size_t semi = text.find(';', i);
    if (semi == std::string_view::npos || semi - i > 10) return 0;
    const std::string_view name = text.substr(i + 1, semi - i - 1);
    if (name.empty()) return 0;
    if (name[0] == '#') {
        unsigned long cp = 0;
        const bool hex = name.size() > 1 && (name[1] == 'x' || name[1] == 'X');
        const std::string_view digits = name.substr(hex ? 2 : 1);
        if (digits.empty()) return 0;
        for (char c : digits) {
            int d = -1;
            if (c >= '0' && c <= '9')
                d = c - '0';
            else if (hex && c >= 'a' && c <= 'f')
                d = c - 'a' + 10;
            else if (hex && c >= 'A' && c <= 'F')
                d = c - 'A' + 10;
            if (d < 0) return 0;
            cp = cp * (hex ? 16 : 10) + unsigned(d);
            if (cp > 0x10FFFF) return 0;
        }
        AppendUtf8(out, cp == 0 ? char32_t(0xFFFD) : char32_t(cp));
        return semi - i + 1;
    }
    static constexpr struct {
        const char* name;
        const char* text;
    } kNamed[] = {{"amp", "&"},
                  {"lt", "<"},
                  {"gt", ">"},
                  {"quot", "\""},
                  {"apos", "'"},
                  {"nbsp", " "},
                  {"copy", "\xC2\xA9"},
                  {"hellip", "\xE2\x80\xA6"},
                  {"rarr", "\xE2\x86\x92"},
                  {"mdash", "\xE2\x80\x94"},
                  {"ndash", "\xE2\x80\x93"}};
    for (const auto& e : kNamed) {
        if (name == e.name) {
            out += e.text;
            return semi - i + 1;
        }
    }
    return 0;
}

// Appends text with entities decoded and white space folded; lastBlank carries the fold state.
void AppendText(std::string_view text, std::string& out, bool& lastBlank) {
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (IsBlank(c)) {
            if (!lastBlank && !out.empty()) out += ' ';
            lastBlank = true;
            continue;
        }
        if (c == '&') {
            const size_t used = DecodeEntity(text, i, out);
            if (used > 0) {
                i += used - 1;
                lastBlank = false;
                continue;
            }
        }
        out += c;
        lastBlank = false;
    }
}

// The lower-case name of the tag that starts at html[lt] == '<' ("/p" for an end tag), and the
// offset just past its '>' (html.size() when it is not closed).
std::string TagName(std::string_view html, size_t lt, size_t& end) {
    size_t j = lt + 1;
    std::string name;
    if (j < html.size() && html[j] == '/') name += '/', ++j;
    while (j < html.size() && (std::isalnum(static_cast<unsigned char>(html[j])) != 0))
        name += AsciiLower(html[j++]);
    // Skip to the closing '>', passing over quoted attribute values.
    char quote = 0;
    for (; j < html.size(); ++j) {
        if (quote != 0) {
            if (html[j] == quote) quote = 0;
        } else if (html[j] == '"' || html[j] == '\'') {
            quote = html[j];
        } else if (html[j] == '>') {
            break;
        }
    }
    end = j < html.size() ? j + 1 : html.size();
    return name;
}

// Tags after which the text breaks, so that words of neighbouring blocks do not run together.
bool IsBlockTag(std::string_view name) {
    if (!name.empty() && name[0] == '/') name.remove_prefix(1);
    static constexpr const char* kBlocks[] = {
        "p",  "br", "div", "li", "ul", "ol", "dl", "dt",    "dd",  "h1",         "h2",
        "h3", "h4", "h5",  "h6", "tr", "td", "th", "table", "pre", "blockquote", "title"};
    return std::any_of(std::begin(kBlocks), std::end(kBlocks),
                       [&](const char* b) { return name == b; });
}

// The value of attribute attr in the tag html[lt, end), or "".
std::string AttributeValue(std::string_view tag, std::string_view attr) {
    size_t pos = 0;
    while ((pos = FindIgnoreCase(tag, attr, pos)) != std::string_view::npos) {
        const bool startOk = pos > 0 && IsBlank(tag[pos - 1]);
        size_t j = pos + attr.size();
        pos = j;
        if (!startOk) continue;
        while (j < tag.size() && IsBlank(tag[j]))
            ++j;
        if (j >= tag.size() || tag[j] != '=') continue;
        ++j;
        while (j < tag.size() && IsBlank(tag[j]))
            ++j;
        if (j >= tag.size()) return {};
        if (tag[j] == '"' || tag[j] == '\'') {
            const size_t close = tag.find(tag[j], j + 1);
            if (close == std::string_view::npos) return std::string(tag.substr(j + 1));
            return std::string(tag.substr(j + 1, close - j - 1));
        }
        size_t k = j;
        while (k < tag.size() && !IsBlank(tag[k]) && tag[k] != '>')
            ++k;
        return std::string(tag.substr(j, k - j));
    }
    return {};
}

void TrimTrailingBlank(std::string& s) {
    if (!s.empty() && s.back() == ' ') s.pop_back();
}

size_t CountOccurrences(std::string_view hay, std::string_view needle) {
    size_t n = 0;
    for (size_t pos = hay.find(needle); pos != std::string_view::npos;
         pos = hay.find(needle, pos + needle.size()))
        ++n;
    return n;
}

}  // namespace

std::string HtmlToText(std::string_view html) {
    std::string out;
    bool lastBlank = true;
    size_t i = 0;
    while (i < html.size()) {
        const size_t lt = html.find('<', i);
        AppendText(html.substr(i, lt == std::string_view::npos ? std::string_view::npos : lt - i),
                   out, lastBlank);
        if (lt == std::string_view::npos) break;
        if (html.substr(lt, 4) == "<!--") {
            const size_t close = html.find("-->", lt + 4);
            i = close == std::string_view::npos ? html.size() : close + 3;
            continue;
        }
        size_t end = 0;
        const std::string name = TagName(html, lt, end);
        if (name == "script" || name == "style" || name == "title") {
            // Their content is not part of the page's visible text.
            const size_t close = FindIgnoreCase(html, "</" + name, end);
            if (close == std::string_view::npos) break;
            TagName(html, close, end);
        } else if (IsBlockTag(name) && !lastBlank && !out.empty()) {
            out += ' ';
            lastBlank = true;
        }
        i = end;
    }
    TrimTrailingBlank(out);
    return out;
}

std::string HtmlTitle(std::string_view html) {
    const size_t open = FindIgnoreCase(html, "<title");
    if (open == std::string_view::npos) return {};
    size_t end = 0;
    TagName(html, open, end);
    const size_t close = FindIgnoreCase(html, "</title", end);
    std::string out;
    bool lastBlank = true;
    AppendText(
        html.substr(end, close == std::string_view::npos ? std::string_view::npos : close - end),
        out, lastBlank);
    TrimTrailingBlank(out);
    return out;
}

HelpTopic MakeHelpTopic(std::string fileName, std::string_view html) {
    HelpTopic topic;
    topic.title = HtmlTitle(html);
    if (topic.title.empty()) topic.title = fileName;
    topic.fileName = std::move(fileName);
    topic.text = HtmlToText(html);
    return topic;
}

std::vector<ContentsEntry> ParseContents(std::string_view html) {
    std::vector<ContentsEntry> entries;
    int depth = 0;
    size_t i = 0;
    while ((i = html.find('<', i)) != std::string_view::npos) {
        if (html.substr(i, 4) == "<!--") {
            const size_t close = html.find("-->", i + 4);
            if (close == std::string_view::npos) break;
            i = close + 3;
            continue;
        }
        size_t end = 0;
        const std::string name = TagName(html, i, end);
        if (name == "ul" || name == "ol") {
            ++depth;
        } else if (name == "/ul" || name == "/ol") {
            depth = std::max(0, depth - 1);
        } else if (name == "a") {
            std::string href = AttributeValue(html.substr(i, end - i), "href");
            const size_t close = FindIgnoreCase(html, "</a", end);
            const std::string_view inner = html.substr(
                end, close == std::string_view::npos ? std::string_view::npos : close - end);
            if (const size_t hash = href.find('#'); hash != std::string::npos) href.resize(hash);
            if (!href.empty() && href.find(':') == std::string::npos) {
                entries.push_back({std::max(0, depth - 1), HtmlToText(inner), std::move(href)});
            }
            if (close == std::string_view::npos) break;
            TagName(html, close, end);
        }
        i = end;
    }
    return entries;
}

std::vector<std::string> SplitQuery(std::string_view query) {
    std::vector<std::string> words;
    std::string current;
    bool inPhrase = false;
    auto flush = [&] {
        std::string_view w = TrimBlanks(current);
        // A word never ends in '.' or '-' ("links." at the end of a sentence is "links").
        while (!inPhrase && !w.empty() && (w.back() == '.' || w.back() == '-'))
            w.remove_suffix(1);
        if (!w.empty()) words.push_back(AsciiLowerCopy(w));
        current.clear();
    };
    for (char c : query) {
        if (c == '"') {
            flush();
            inPhrase = !inPhrase;
            continue;
        }
        const auto u = static_cast<unsigned char>(c);
        const bool wordChar = std::isalnum(u) != 0 || u >= 0x80 || c == '_' || c == '-' ||
                              c == '.' || c == '[' || c == ']';
        if (wordChar || (inPhrase && c == ' ')) {
            current += c;
        } else {
            flush();
        }
    }
    flush();
    return words;
}

std::vector<SearchHit> SearchTopics(const std::vector<HelpTopic>& topics, std::string_view query) {
    const std::vector<std::string> words = SplitQuery(query);
    std::vector<SearchHit> hits;
    if (words.empty()) return hits;
    for (const HelpTopic& topic : topics) {
        const std::string text = AsciiLowerCopy(topic.text);
        const std::string title = AsciiLowerCopy(topic.title);
        int score = 0;
        bool all = true;
        for (const std::string& w : words) {
            const size_t inText = CountOccurrences(text, w);
            const size_t inTitle = CountOccurrences(title, w);
            if (inText + inTitle == 0) {
                all = false;
                break;
            }
            score += int(std::min<size_t>(inText, 1000)) + 20 * int(std::min<size_t>(inTitle, 10));
        }
        if (all) hits.push_back({topic.fileName, topic.title, score});
    }
    std::stable_sort(hits.begin(), hits.end(),
                     [](const SearchHit& a, const SearchHit& b) { return a.score > b.score; });
    return hits;
}

}  // namespace morv
