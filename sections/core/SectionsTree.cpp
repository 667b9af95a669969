#include "sections/core/SectionsTree.h"

#include "helpers/core/PathHelpers.h"
#include "helpers/core/TextUtil.h"

namespace morv {

namespace {

// "[KIND]", after a line break when asked for.
std::string HeaderOf(std::string_view kind, bool afterBreak = false) {
    std::string header = afterBreak ? "\r\n[" : "[";
    header.append(AsciiUpperCopy(kind)).append("]");
    return header;
}

// Whether "[KIND]" stands at offset at on a line of its own (up to a line break or the end).
bool HeaderAt(TextBuffer& buffer, long at, std::string_view kind) {
    const std::string header = HeaderOf(kind);
    const long end = at + long(header.size());
    return buffer.Find(header, at, end, kFindNoSelect) == at &&
           (end >= buffer.Length() || buffer.Find("\r", end, end + 1, kFindNoSelect) == end);
}

// The section kinds of the block that runs from its header's quote to blockEnd: those of a link
// check report when its first header line is one of theirs, else the five of an extraction.
std::vector<std::string_view> SectionKindsOf(TextBuffer& buffer, long quote, long blockEnd) {
    const long firstHeader = buffer.Find("\r\n[", quote, blockEnd, kFindNoSelect);
    bool check = false;
    for (std::string_view kind : kCheckSectionKinds)
        check = check || (firstHeader >= 0 && HeaderAt(buffer, firstHeader + 2, kind));
    if (!check) return {std::begin(kSectionKinds), std::end(kSectionKinds)};
    std::vector<std::string_view> kinds;
    for (std::string_view kind : kCheckSectionKinds) {
        const std::string line = HeaderOf(kind, true);
        for (long at = buffer.Find(line, firstHeader, blockEnd, kFindNoSelect); at >= 0;
             at = buffer.Find(line, at + 2, blockEnd, kFindNoSelect)) {
            if (HeaderAt(buffer, at + 2, kind)) {
                kinds.push_back(kind);
                break;
            }
        }
    }
    return kinds;
}

SectionNode MakeFileNode(std::string path, long quote, const std::vector<std::string_view>& kinds) {
    SectionNode file;
    file.key.append(path).append("_").append(std::to_string(quote));
    file.text = GetFileName(path);
    file.tag = std::move(path);
    file.image = kImageFile;
    file.children.reserve(kinds.size());
    for (std::string_view kind : kinds)
        file.children.push_back(SectionNode{"", std::string(kind), "", kImageSection, {}});
    return file;
}

}  // namespace

SectionsTree BuildSectionsTree(TextBuffer& buffer, std::string_view documentFile,
                               ProgressObserver& progress) {
    SectionsTree tree;
    tree.root.key = "root";
    tree.root.text = documentFile.empty() ? std::string("Untitled") : GetFileName(documentFile);
    tree.root.image = kImageDocument;

    long p = buffer.Find("[FILE", 0, kEndOfText, kFindNoSelect);
    while (p > -1) {
        if (progress.ShouldStop()) {
            tree.stopped = true;
            break;
        }
        p = buffer.Find("\"", p, kEndOfText, kFindNoSelect | kFindMatchCase);
        if (p < 0) break;
        // The path runs up to the next quote, or to the end of the text when there is none.
        buffer.SetCaret(p + 1);
        buffer.ExtendSelectionOverNotIn("\"");
        std::string path = buffer.SelectedText();
        // Searching on from the opening quote finds the next header, not this one.
        const long next = buffer.Find("[FILE", p, kEndOfText, kFindNoSelect);
        const long blockEnd = next < 0 ? kEndOfText : next;
        tree.root.children.push_back(
            MakeFileNode(std::move(path), p, SectionKindsOf(buffer, p, blockEnd)));
        p = next;
    }
    buffer.SetCaret(0);
    return tree;
}

void NavigateToNode(TextBuffer& buffer, const NodeTarget& node) {
    switch (node.image) {
        case kImageDocument:
            buffer.SetCaret(0);
            break;
        case kImageFile: {
            buffer.SetCaret(kEndOfText);
            const long q = buffer.Find(node.path, 0, kEndOfText, kFindNoSelect);
            if (q < 0) break;
            buffer.SetCaret(q);
            buffer.MoveCaretBackToAny("[");
            buffer.SetCaret(buffer.SelectionStart() - 1);  // onto the "[" itself
            buffer.ExtendSelectionOverNotIn(" ");
            break;
        }
        case kImageSection: {
            const long q = buffer.Find(node.path, 0, kEndOfText, kFindNoSelect);
            if (q < 0) break;
            buffer.SetCaret(q);
            buffer.MoveCaretBackToAny("[");
            std::string header = "[";
            header.append(AsciiUpperCopy(node.text)).append("]");
            buffer.Find(header, q, kEndOfText, 0);
            break;
        }
        default:
            break;
    }
}

}  // namespace morv
