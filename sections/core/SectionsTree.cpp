#include "sections/core/SectionsTree.h"

#include "helpers/core/PathHelpers.h"
#include "helpers/core/TextUtil.h"

namespace morv {

namespace {

SectionNode MakeFileNode(std::string path, long quote) {
    SectionNode file;
    file.key.append(path).append("_").append(std::to_string(quote));
    file.text = GetFileName(path);
    file.tag = std::move(path);
    file.image = kImageFile;
    file.children.reserve(std::size(kSectionKinds));
    for (std::string_view kind : kSectionKinds)
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
    SectionNode file = MakeFileNode(buffer_.SelectedText(), quote);
    // Searching on from the opening quote finds the next header, not this one.
    p_ = buffer_.Find("[FILE", quote, kEndOfText, kFindNoSelect);
    return file;
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
