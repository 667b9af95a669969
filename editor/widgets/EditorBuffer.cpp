#include "editor/widgets/EditorBuffer.h"

#include <algorithm>

#include "editor/widgets/DocumentEditor.h"

namespace morv {

long EditorBuffer::Length() const {
    return editor_->Length();
}

long EditorBuffer::Find(std::string_view what, long start, long end, int flags) {
    const long at = FindInText(editor_->Text(), what, start, end, flags);
    if (at >= 0 && (flags & kFindNoSelect) == 0) Select(at, long(what.size()));
    return at;
}

void EditorBuffer::Select(long start, long length) {
    const long size = Length();
    start = std::clamp(start, 0L, size);
    const long end = length > 0 ? std::min(size, start + std::min(length, kEndOfText)) : start;
    editor_->SetSelection(start, end);
}

long EditorBuffer::SelectionStart() const {
    return editor_->SelectionStart();
}

long EditorBuffer::SelectionLength() const {
    return editor_->SelectionEnd() - editor_->SelectionStart();
}

std::string EditorBuffer::SelectedText() const {
    return std::string(editor_->Range(SelectionStart(), SelectionLength()));
}

void EditorBuffer::ReplaceSelection(std::string_view text) {
    editor_->ReplaceRange(editor_->SelectionStart(), editor_->SelectionEnd(), text);
}

void EditorBuffer::Replace(long start, long end, std::string_view text) {
    editor_->ReplaceRange(start, end, text);
}

void EditorBuffer::ExtendSelectionOverNotIn(std::string_view stopChars) {
    const std::string_view text = editor_->Text();
    const long start = SelectionStart();
    size_t stop = text.find_first_of(stopChars, size_t(start + SelectionLength()));
    if (stop == std::string_view::npos) stop = text.size();
    Select(start, long(stop) - start);
}

void EditorBuffer::MoveCaretBackToAny(std::string_view chars) {
    const long caret = SelectionStart();
    const std::string_view before = editor_->Range(0, caret);
    const size_t at = before.find_last_of(chars);
    SetCaret(at == std::string_view::npos ? 0 : long(at) + 1);
}

long EditorBuffer::LineCount() const {
    return editor_->SendScintilla(QsciScintillaBase::SCI_GETLINECOUNT);
}

long EditorBuffer::LineFromOffset(long offset) const {
    offset = std::clamp(offset, 0L, Length());
    return editor_->SendScintilla(QsciScintillaBase::SCI_LINEFROMPOSITION,
                                  static_cast<unsigned long>(offset));
}

long EditorBuffer::LineStart(long line) const {
    if (line < 0 || line >= LineCount()) return -1;
    return editor_->SendScintilla(QsciScintillaBase::SCI_POSITIONFROMLINE,
                                  static_cast<unsigned long>(line));
}

long EditorBuffer::LineLength(long line) const {
    if (line < 0 || line >= LineCount()) return 0;
    const auto at = static_cast<unsigned long>(line);
    return editor_->SendScintilla(QsciScintillaBase::SCI_GETLINEENDPOSITION, at) -
           editor_->SendScintilla(QsciScintillaBase::SCI_POSITIONFROMLINE, at);
}

std::string EditorBuffer::Text() const {
    return std::string(editor_->Text());
}

void EditorBuffer::SetText(std::string_view text) {
    ReplaceBufferText(editor_, text);
}

std::string_view BufferText(DocumentEditor* editor) {
    return editor->Text();
}

std::string DocumentBytes(DocumentEditor* editor) {
    return editor->Bytes();
}

void ReplaceBufferText(DocumentEditor* editor, std::string_view newText) {
    const ChangedRange range = FindChangedRange(editor->Text(), newText);
    if (range.Empty()) return;  // nothing changed
    editor->ReplaceRange(long(range.start), long(range.oldEnd),
                         newText.substr(range.start, range.newEnd - range.start));
}

}  // namespace morv
