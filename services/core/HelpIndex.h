#pragma once

#include <string>
#include <string_view>
#include <vector>

// The help set as data: topics read from HTML files, the contents page's outline and a
// full-text search over the topics' words. No file access here; the caller reads the files.
namespace morv {

struct HelpTopic {
    std::string fileName;  // "actions_extract.htm"
    std::string title;     // the page's <title>, or the file name when it has none
    std::string text;      // the visible text, tags removed, entities decoded, blanks folded
};

// One entry of the contents outline: a link of the contents page, nested by its list level.
struct ContentsEntry {
    int level = 0;         // 0 for the outer list, 1 for a list inside it, ...
    std::string title;     // the link's text
    std::string fileName;  // the link target without any "#fragment"
};

struct SearchHit {
    std::string fileName;
    std::string title;
    int score = 0;  // higher is better
};

// The visible text of an HTML page: tags and comments removed, <script>/<style> content dropped,
// the common entities decoded, runs of white space folded into one blank.
std::string HtmlToText(std::string_view html);

// The text of the page's <title> element (entities decoded, blanks folded), or "".
std::string HtmlTitle(std::string_view html);

HelpTopic MakeHelpTopic(std::string fileName, std::string_view html);

// The links of a contents page in document order, each with the depth of the <ul>/<ol> list it
// sits in (links outside any list get level 0 as well).
std::vector<ContentsEntry> ParseContents(std::string_view html);

// The words of a search query: letters, digits and the characters "_-." that belong to words in
// this help ("Save As", "morv.ini", "E-MAIL"), lower-cased; a part in double quotes is one
// phrase.
std::vector<std::string> SplitQuery(std::string_view query);

// The topics that contain every word of the query (letter case ignored), best first: a word in
// the title counts more than one in the text; equal scores keep the order of the topics.
std::vector<SearchHit> SearchTopics(const std::vector<HelpTopic>& topics, std::string_view query);

}  // namespace morv
