#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "editor/core/TextBuffer.h"
#include "helpers/core/Progress.h"

namespace morv {

// The three kinds of node in the sections tree, told apart by their image index alone.
enum SectionImage : int {
    kImageDocument = 1,
    kImageFile = 2,
    kImageSection = 3,
};

// One node of the sections tree as the widget shows it. Keys and tags are the document's bytes.
struct SectionNode {
    std::string key;   // "root", path + "_" + offset of the opening quote, or empty
    std::string text;  // what the tree shows
    std::string tag;   // file nodes: the full path between the quotes
    int image = 0;     // SectionImage
    std::vector<SectionNode> children;
};

// The texts of the five section-kind children every file node of an extraction report gets, in
// this order.
inline constexpr std::string_view kSectionKinds[] = {"Script", "Style", "Link", "Image", "E-mail"};
// The sections of a link check report, in the order it writes them. A block whose first header
// line ("[" at the start of a line) is one of these gets a child for each of them it holds
// instead of the five above.
inline constexpr std::string_view kCheckSectionKinds[] = {"Missing", "Case", "Outside", "Orphans"};

struct SectionsTree {
    SectionNode root;      // the document node; its children are the file nodes
    bool stopped = false;  // the observer asked to stop; the nodes found so far are kept
};

// Finds the file nodes of a report one at a time, in text order: one per "[FILE" (any case)
// followed by a double-quoted path, with its section-kind children. A caller that does more per
// node (the tree widget) polls for a stop between nodes, so that a stop lands after the current
// file.
class SectionsScanner {
  public:
    explicit SectionsScanner(TextBuffer& buffer);
    // False once the last header has been passed.
    bool HasMore() const { return p_ > -1; }
    // The next file node; nothing when the header found has no quote after it, which ends the
    // scan.
    std::optional<SectionNode> Next();

  private:
    TextBuffer& buffer_;
    long p_;
    std::vector<std::string_view> checkKinds_;
};

// Indexes a report with SectionsScanner. The observer is asked once per file header whether to
// stop. The buffer's caret is left at offset 0. documentFile is the document's path, empty while
// untitled.
SectionsTree BuildSectionsTree(TextBuffer& buffer, std::string_view documentFile,
                               ProgressObserver& progress);

// What a click needs to know about a node: its image, its text, and the path it stands for (the
// node's own tag for a file node, its parent's tag for a section-kind node).
struct NodeTarget {
    int image = 0;
    std::string text;
    std::string path;
};

// Moves the caret or selection to the place a node stands for: the document node to the start,
// a file node onto the "[" before the first occurrence of its path (selecting up to the next
// space), a section-kind node onto the first "[KIND]" header at or after that occurrence.
void NavigateToNode(TextBuffer& buffer, const NodeTarget& node);

}  // namespace morv
