#include "sections/core/SectionsTree.h"

#include "helpers/core/PathHelpers.h"
#include "helpers/core/TextUtil.h"

namespace morv {

namespace {

// The header lines of kCheckSectionKinds, in the same order.
constexpr std::string_view kCheckHeaders[] = {"[MISSING]", "[CASE]", "[OUTSIDE]", "[ORPHANS]"};
static_assert(std::size(kCheckHeaders) == std::size(kCheckSectionKinds));

// The text of the line at offset at, up to 11 characters: enough for any header and what
// follows it. Read through the selection, which the build resets.
std::string LineStartAt(TextBuffer& buffer, long at) {
    buffer.Select(at, 11);
    return buffer.SelectedText();
}

// Whether the line text begins with the header (any letter case) and holds nothing more.
bool IsHeaderLine(std::string_view text, std::string_view header) {
    return StartsWithIgnoreCase(text, header) &&
           (text.size() == header.size() || text[header.size()] == '\r');
}

// The section kinds of the block that runs from its header's quote to blockEnd: those of a link
// check report when its first header line is one of theirs (into kinds, true), else the five of
// an extraction (false).
bool CheckKindsOf(TextBuffer& buffer, long quote, long blockEnd,
                  std::vector<std::string_view>& kinds) {
    kinds.clear();
    const long firstHeader = buffer.Find("\r\n[", quote, blockEnd, kFindNoSelect);
    if (firstHeader < 0) return false;
    const std::string first = LineStartAt(buffer, firstHeader + 2);
    bool check = false;
    for (std::string_view header : kCheckHeaders)
        check = check || IsHeaderLine(first, header);
    if (!check) return false;
    for (size_t k = 0; k < std::size(kCheckHeaders); ++k) {
        std::string line = "\r\n";
        line += kCheckHeaders[k];
        for (long at = buffer.Find(line, firstHeader, blockEnd, kFindNoSelect); at >= 0;
             at = buffer.Find(line, at + 2, blockEnd, kFindNoSelect)) {
            if (IsHeaderLine(LineStartAt(buffer, at + 2), kCheckHeaders[k])) {
                kinds.push_back(kCheckSectionKinds[k]);
                break;
            }
        }
    }
    return true;
}

template <typename Kinds>
SectionNode MakeFileNode(std::string path, long quote, const Kinds& kinds) {
    SectionNode file;
    file.key.append(path).append("_").append(std::to_string(quote));
    file.text = GetFileName(path);
    file.tag = std::move(path);
    file.image = kImageFile;
    file.children.reserve(std::size(kinds));
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

    std::vector<std::string_view> checkKinds;
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
        if (CheckKindsOf(buffer, p, blockEnd, checkKinds))
            tree.root.children.push_back(MakeFileNode(std::move(path), p, checkKinds));
        else
            tree.root.children.push_back(MakeFileNode(std::move(path), p, kSectionKinds));
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
