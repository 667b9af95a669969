#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "helpers/core/Result.h"

// The help set as data: what the Qt Help project of the pages is made of (their titles, the
// contents page's outline, their links) and the query its full-text search is given. No file
// access here; the caller reads the pages.
namespace morv {

// The namespace and virtual folder of the help set: a topic "name.htm" is the page
// qthelp://org.morvane.morv/html/name.htm of the collection.
inline constexpr std::string_view kHelpNamespace = "org.morvane.morv";
inline constexpr std::string_view kHelpFolder = "html";

// One entry of the contents outline: a link of the contents page, nested by its list level.
struct ContentsEntry {
    int level = 0;         // 0 for the outer list, 1 for a list inside it, ...
    std::string title;     // the link's text
    std::string fileName;  // the link target without any "#fragment"
};

// One page of the help set.
struct HelpPage {
    std::string fileName;  // "actions_extract.htm"
    std::string html;
};

// The visible text of an HTML page: tags and comments removed, <script>/<style> content dropped,
// the common entities decoded, runs of white space folded into one blank.
std::string HtmlToText(std::string_view html);

// The text of the page's <title> element (entities decoded, blanks folded), or "".
std::string HtmlTitle(std::string_view html);

// The links of a contents page in document order, each with the depth of the <ul>/<ol> list it
// sits in (links outside any list get level 0 as well).
std::vector<ContentsEntry> ParseContents(std::string_view html);

// The words of a search query: letters, digits and the characters "_-." that belong to words in
// this help ("Save As", "morv.ini", "E-MAIL"), lower-cased; a part in double quotes is one
// phrase.
std::vector<std::string> SplitQuery(std::string_view query);

// The full-text query (SQLite FTS5, which Qt Help's search runs) for what the user typed: every
// word of SplitQuery, or phrase, as a quoted string that matches it as a word or the start of
// one, all of them required. Punctuation inside a word is read as the search index reads the
// pages ("morv.ini" is the word "morv" followed by "ini"); the query's own operators (AND, OR,
// NOT, "*", parentheses) are words like any other. "" when no word has a letter or digit.
std::string FullTextQuery(std::string_view query);

// The Qt Help project (.qhp) of the pages: the contents page as the root of the table of
// contents with its outline below it, each page's title as a keyword whose identifier is the
// page's file name (the topics the programs ask for by name), and every page as a file. Fails
// when the contents page is missing or a link of any page names a page that is not in the set.
Result<std::string> MakeHelpProject(const std::vector<HelpPage>& pages,
                                    std::string_view contentsPage);

}  // namespace morv
