#pragma once

#include <string>
#include <string_view>

#include "editor/core/ChangedRange.h"
#include "editor/core/TextBuffer.h"

namespace morv {

class DocumentEditor;

// The editor operations over the document editor. Offsets are the editor's own positions, byte
// offsets of its text (UTF-8, CR LF breaks); reads look at the text in place, without a copy.
// Each write is one undoable edit, so a command that makes many changes should instead run on a
// StringBuffer copy and hand the result back with ReplaceBufferText.
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
    void Replace(long start, long end, std::string_view text) override;
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

// The editor's text, read in place; valid until the next change.
std::string_view BufferText(DocumentEditor* editor);

// The document's bytes as they would be saved (its encoding).
std::string DocumentBytes(DocumentEditor* editor);

// Makes the editor's text newText in one undoable edit that replaces only the range that
// differs. The caret ends at the end of the replaced range.
void ReplaceBufferText(DocumentEditor* editor, std::string_view newText);

}  // namespace morv
