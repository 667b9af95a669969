#pragma once

#include <string_view>
#include <utility>
#include <vector>

#include "extract/core/Scanners.h"
#include "helpers/core/Progress.h"

// The references of one page, or of one style sheet, with the places of their bytes, so that a
// reference can be rewritten in place without touching any other byte of the file. Not a full
// HTML parser: every "=" of the page is found in one sweep, the name in front of it tells whether
// it may hold a reference, and only then is its tag read from its "<" to tell an attribute from
// text or another attribute's value (a tag written inside the value of a reference attribute is
// none). The contents of <script> and <style> elements and server
// code (<? ?>, <% %>) are told apart; comments are read like the rest of the page, since the link
// scanners read inside them too.
namespace morv {

// Where a reference stands, which decides whether it can be rewritten.
enum class LinkPlace {
    Attribute,  // the value of a reference attribute: href, src, background, ... (rewritable)
    Srcset,     // one address of a srcset list (rewritable)
    Style,      // url(...) or @import "..." of style sheet text: a .css file, a <style>
                // element or a style="" attribute (rewritable)
    Script,     // inside a <script> element: code builds it
    Handler,    // inside an on...="" attribute: code builds it
    Server,     // inside server code between <? and ?>, or <% and %>
    Text,       // a value the link scanners take that is no reference attribute's value
};

inline bool IsRewritable(LinkPlace place) {
    return place == LinkPlace::Attribute || place == LinkPlace::Srcset || place == LinkPlace::Style;
}

struct PageLink {
    size_t begin = 0;  // the reference's bytes: text[begin, end), without the blanks and control
    size_t end = 0;    // characters around it that a browser drops
    LinkPlace place = LinkPlace::Attribute;
    char quote = 0;       // the quote the value stands in ('"' or '\''), 0 when unquoted
    char outerQuote = 0;  // in a style="" attribute: the attribute's quote (the value's own
                          // quote is a style sheet quote then)
    bool css = false;     // written in style sheet syntax (url(...), @import)
    bool base = false;    // the page's first <base href>
    // A word of code that only looks like an address: it counts only when it names a file
    // that is renamed, since nothing tells whether code uses it as an address.
    bool code = false;
};

// Finds the references of pages one after another, reusing its buffers.
class PageLinkFinder {
  public:
    // Every reference of an HTML page in text order: reference attributes of tags, srcset lists,
    // style sheet text; words of code inside scripts, event handlers and server code; and every
    // value the link and image scanners take (what Check Links checks) that is not one of those
    // attribute values, placed by where it stands. ShouldStop is polled by the scanners.
    void FindInPage(std::string_view text, std::vector<PageLink>& links,
                    ProgressObserver& progress);
    // The url(...) and @import references of a style sheet file.
    void FindInStyleSheet(std::string_view text, std::vector<PageLink>& links);

  private:
    using Range = std::pair<size_t, size_t>;

    void ElementContents(std::string_view text, std::vector<PageLink>& links);
    bool StartsAttribute(std::string_view text, size_t nameAt, std::string_view& tag) const;
    void Attribute(std::string_view text, std::string_view tag, std::string_view name, size_t begin,
                   size_t end, char quote, std::vector<PageLink>& links);
    void AddScannerValues(std::string_view text, std::vector<PageLink>& links,
                          ProgressObserver& progress);
    LinkPlace PlaceOf(size_t at) const;

    StartMarkers starts_;
    std::vector<size_t> equals_;           // every "=" but those after class, id and name
    std::vector<size_t> serverStarts_;     // every "<?" and "<%"
    std::vector<size_t> attributeValues_;  // where the values of reference attributes begin
    std::vector<Range> scripts_, handlers_, servers_;
    std::vector<Range> skipped_;  // scripts, style elements and server code, merged
    bool haveBase_ = false;
};

}  // namespace morv
