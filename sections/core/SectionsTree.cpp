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

SectionsScanner::SectionsScanner(TextBuffer& buffer)
    : buffer_(buffer), p_(buffer.Find("[FILE", 0, kEndOfText, kFindNoSelect)) {}

std::optional<SectionNode> SectionsScanner::Next() {
    if (p_ < 0) return std::nullopt;
    const long quote = buffer_.Find("\"", p_, kEndOfText, kFindNoSelect | kFindMatchCase);
    p_ = quote;
    if (quote < 0) return std::nullopt;
    // The path runs up to the next quote, or to the end of the text when there is none.
    buffer_.SetCaret(quote + 1);
    buffer_.ExtendSelectionOverNotIn("\"");
    std::string path = buffer_.SelectedText();
    // Searching on from the opening quote finds the next header, not this one.
    p_ = buffer_.Find("[FILE", quote, kEndOfText, kFindNoSelect);
    const long blockEnd = p_ < 0 ? kEndOfText : p_;
    if (CheckKindsOf(buffer_, quote, blockEnd, checkKinds_))
        return MakeFileNode(std::move(path), quote, checkKinds_);
    return MakeFileNode(std::move(path), quote, kSectionKinds);
}

SectionsTree BuildSectionsTree(TextBuffer& buffer, std::string_view documentFile,
                               ProgressObserver& progress) {
    SectionsTree tree;
    tree.root.key = "root";
    tree.root.text = documentFile.empty() ? std::string("Untitled") : GetFileName(documentFile);
    tree.root.image = kImageDocument;

    SectionsScanner scanner(buffer);
    while (scanner.HasMore()) {
        if (progress.ShouldStop()) {
            tree.stopped = true;
            break;
        }
        std::optional<SectionNode> file = scanner.Next();
        if (!file) break;
        tree.root.children.push_back(std::move(*file));
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
