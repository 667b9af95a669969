#pragma once

#include <string>
#include <string_view>

#include "editor/core/TextBuffer.h"

namespace morv {

class DocumentEditor;

// The editor operations over the document editor. Offsets are byte offsets of the document as
// it would be saved (DocumentEditor::Bytes()); reads come from that cached snapshot, writes go
// through the widget's cursor. Each write invalidates the snapshot, so a loop of many small
// writes should instead run on a StringBuffer snapshot and hand the result back with
// ReplaceDocumentBytes.
class EditorBuffer : public TextBuffer {
  public:
    explicit EditorBuffer(DocumentEditor* editor) : editor_(editor) {}

    long Length() const override;
    long Find(std::string_view what, long start, long end, int flags) override;
    void Select(long start, long length) override;
    long SelectionStart() const override;
    long SelectionLength() const override;
    std::string SelectedText() const override;
    void ReplaceSelection(std::string_view text) override;
    void ExtendSelectionOverNotIn(std::string_view stopChars) override;
    void MoveCaretBackToAny(std::string_view chars) override;
    long LineCount() const override;
    long LineFromOffset(long offset) const override;
    long LineStart(long line) const override;
    long LineLength(long line) const override;
    std::string Text() const override;
    void SetText(std::string_view text) override;

  private:
    DocumentEditor* editor_;
};

// The document's bytes as they would be saved.
std::string DocumentBytes(DocumentEditor* editor);

// Makes the document's bytes newText in one undoable edit that replaces only the range that
// differs. The caret ends at the end of the replaced range.
void ReplaceDocumentBytes(DocumentEditor* editor, std::string_view newText);

}  // namespace morv
