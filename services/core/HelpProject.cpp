#include "services/core/HelpProject.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <memory>

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

// Text for an XML attribute or element.
std::string XmlEscaped(std::string_view text) {
    std::string out;
    for (char c : text) {
        const char* entity = c == '&'   ? "&amp;"
                             : c == '<' ? "&lt;"
                             : c == '>' ? "&gt;"
                             : c == '"' ? "&quot;"
                                        : nullptr;
        if (entity != nullptr)
            out += entity;
        else
            out += c;
    }
    return out;
}

// The table of contents as a tree: the contents page with its outline below it.
struct TocNode {
    std::string title;
    std::string fileName;
    std::vector<std::unique_ptr<TocNode>> children;
};

void WriteSection(const TocNode& node, int depth, std::string& out) {
    out.append(size_t(depth) * 2, ' ');
    out += "<section title=\"" + XmlEscaped(node.title) + "\" ref=\"" + XmlEscaped(node.fileName) +
           "\"";
    if (node.children.empty()) {
        out += "/>\n";
        return;
    }
    out += ">\n";
    for (const auto& child : node.children)
        WriteSection(*child, depth + 1, out);
    out.append(size_t(depth) * 2, ' ');
    out += "</section>\n";
}

bool HasWordCharacter(std::string_view word) {
    return std::any_of(word.begin(), word.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return std::isalnum(u) != 0 || u >= 0x80;
    });
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

std::string FullTextQuery(std::string_view query) {
    std::string out;
    for (const std::string& word : SplitQuery(query)) {
        if (!HasWordCharacter(word)) continue;
        if (!out.empty()) out += ' ';
        out += '"' + word + "\"*";  // SplitQuery leaves no '"' inside a word
    }
    return out;
}

Result<std::string> MakeHelpProject(const std::vector<HelpPage>& pages,
                                    std::string_view contentsPage) {
    std::map<std::string, const HelpPage*, std::less<>> byName;
    for (const HelpPage& page : pages)
        byName[page.fileName] = &page;
    const auto contents = byName.find(contentsPage);
    if (contents == byName.end())
        return Error{0, "MakeHelpProject",
                     "The contents page \"" + std::string(contentsPage) + "\" is missing"};
    for (const HelpPage& page : pages) {
        for (const ContentsEntry& link : ParseContents(page.html)) {
            if (byName.count(link.fileName) == 0)
                return Error{0, "MakeHelpProject",
                             "\"" + page.fileName + "\" links to \"" + link.fileName +
                                 "\", which is not a page of the help set"};
        }
    }

    auto titleOf = [](const HelpPage& page) {
        std::string title = HtmlTitle(page.html);
        return title.empty() ? page.fileName : title;
    };
    TocNode root{titleOf(*contents->second), contents->first, {}};
    std::vector<TocNode*> parents{&root};  // the last node of each level
    for (ContentsEntry& entry : ParseContents(contents->second->html)) {
        const size_t level = std::min(size_t(std::max(entry.level, 0)), parents.size() - 1);
        parents.resize(level + 1);
        auto node = std::make_unique<TocNode>(
            TocNode{std::move(entry.title), std::move(entry.fileName), {}});
        parents.push_back(node.get());
        parents[level]->children.push_back(std::move(node));
    }

    std::string out =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<QtHelpProject version=\"1.0\">\n";
    out += "<namespace>" + std::string(kHelpNamespace) + "</namespace>\n";
    out += "<virtualFolder>" + std::string(kHelpFolder) + "</virtualFolder>\n";
    out += "<filterSection>\n<toc>\n";
    WriteSection(root, 1, out);
    out += "</toc>\n<keywords>\n";
    for (const auto& [name, page] : byName) {
        const std::string file = XmlEscaped(name);
        out += "  <keyword name=\"" + XmlEscaped(titleOf(*page)) + "\" id=\"" + file + "\" ref=\"" +
               file + "\"/>\n";
    }
    out += "</keywords>\n<files>\n";
    for (const auto& [name, page] : byName)
        out += "  <file>" + XmlEscaped(name) + "</file>\n";
    out += "</files>\n</filterSection>\n</QtHelpProject>\n";
    return out;
}

}  // namespace morv
