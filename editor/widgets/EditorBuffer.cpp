#include "editor/widgets/EditorBuffer.h"

#include <QTextCursor>

#include <algorithm>

#include "editor/widgets/DocumentEditor.h"

namespace morv {

namespace {

// Moves a split point back so that it falls neither inside a UTF-8 sequence nor between the CR
// and the LF of a line break.
size_t SafeSplit(std::string_view text, size_t at, TextEncoding encoding) {
    if (encoding == TextEncoding::Utf8) {
        while (at > 0 && at < text.size() && ((unsigned char)text[at] & 0xC0) == 0x80)
            --at;
    }
    if (at > 0 && at < text.size() && text[at - 1] == '\r' && text[at] == '\n') --at;
    return at;
}

}  // namespace

long EditorBuffer::Length() const {
    return long(editor_->Bytes().size());
}

long EditorBuffer::Find(std::string_view what, long start, long end, int flags) {
    long at = FindInText(editor_->Bytes(), what, start, end, flags);
    if (at >= 0 && (flags & kFindNoSelect) == 0) Select(at, long(what.size()));
    return at;
}

void EditorBuffer::Select(long start, long length) {
    const long size = Length();
    start = std::clamp(start, 0L, size);
    const long end = length > 0 ? std::min(size, start + std::min(length, kEndOfText)) : start;
    QTextCursor cursor = editor_->textCursor();
    cursor.setPosition(editor_->PositionOf(start));
    cursor.setPosition(editor_->PositionOf(end), QTextCursor::KeepAnchor);
    editor_->setTextCursor(cursor);
}

long EditorBuffer::SelectionStart() const {
    return editor_->ByteOffsetOf(editor_->textCursor().selectionStart());
}

long EditorBuffer::SelectionLength() const {
    const QTextCursor cursor = editor_->textCursor();
    return editor_->ByteOffsetOf(cursor.selectionEnd()) -
           editor_->ByteOffsetOf(cursor.selectionStart());
}

std::string EditorBuffer::SelectedText() const {
    return editor_->Bytes().substr(size_t(SelectionStart()), size_t(SelectionLength()));
}

void EditorBuffer::ReplaceSelection(std::string_view text) {
    QTextCursor cursor = editor_->textCursor();
    cursor.insertText(editor_->DecodePiece(text));
    editor_->setTextCursor(cursor);
}

void EditorBuffer::ExtendSelectionOverNotIn(std::string_view stopChars) {
    const std::string& bytes = editor_->Bytes();
    const long start = SelectionStart();
    size_t stop = bytes.find_first_of(stopChars, size_t(start + SelectionLength()));
    if (stop == std::string::npos) stop = bytes.size();
    Select(start, long(stop) - start);
}

void EditorBuffer::MoveCaretBackToAny(std::string_view chars) {
    const std::string& bytes = editor_->Bytes();
    const long caret = SelectionStart();
    size_t at = caret == 0 ? std::string::npos : bytes.find_last_of(chars, size_t(caret - 1));
    SetCaret(at == std::string::npos ? 0 : long(at) + 1);
}

long EditorBuffer::LineCount() const {
    return long(editor_->LineByteStarts().size());
}

long EditorBuffer::LineFromOffset(long offset) const {
    const std::vector<long>& starts = editor_->LineByteStarts();
    offset = std::clamp(offset, 0L, Length());
    return long(std::upper_bound(starts.begin(), starts.end(), offset) - starts.begin()) - 1;
}

long EditorBuffer::LineStart(long line) const {
    const std::vector<long>& starts = editor_->LineByteStarts();
    if (line < 0 || line >= long(starts.size())) return -1;
    return starts[size_t(line)];
}

long EditorBuffer::LineLength(long line) const {
    const std::vector<long>& starts = editor_->LineByteStarts();
    if (line < 0 || line >= long(starts.size())) return 0;
    const long next = line + 1 < long(starts.size()) ? starts[size_t(line + 1)] - 2 : Length();
    return next - starts[size_t(line)];
}

std::string EditorBuffer::Text() const {
    return editor_->Bytes();
}

void EditorBuffer::SetText(std::string_view text) {
    ReplaceDocumentBytes(editor_, text);
}

std::string DocumentBytes(DocumentEditor* editor) {
    return editor->Bytes();
}

void ReplaceDocumentBytes(DocumentEditor* editor, std::string_view newText) {
    const std::string& old = editor->Bytes();
    const size_t common = std::min(old.size(), newText.size());
    size_t prefix = 0;
    while (prefix < common && old[prefix] == newText[prefix])
        ++prefix;
    size_t suffix = 0;
    while (suffix < common - prefix &&
           old[old.size() - 1 - suffix] == newText[newText.size() - 1 - suffix]) {
        ++suffix;
    }
    if (prefix == old.size() && prefix == newText.size()) return;  // nothing changed
    const TextEncoding encoding = editor->Encoding();
    prefix = SafeSplit(old, prefix, encoding);
    prefix = std::min(prefix, SafeSplit(newText, prefix, encoding));
    size_t oldEnd = old.size() - suffix;
    size_t newEnd = newText.size() - suffix;
    // Move the end split forwards past a partial character or a half break, on both sides alike.
    while ((oldEnd < old.size() && oldEnd > prefix &&
            ((encoding == TextEncoding::Utf8 && ((unsigned char)old[oldEnd] & 0xC0) == 0x80) ||
             (old[oldEnd] == '\n' && old[oldEnd - 1] == '\r'))) ||
           (newEnd < newText.size() && newEnd > prefix &&
            ((encoding == TextEncoding::Utf8 && ((unsigned char)newText[newEnd] & 0xC0) == 0x80) ||
             (newText[newEnd] == '\n' && newText[newEnd - 1] == '\r')))) {
        ++oldEnd;
        ++newEnd;
    }
    const int from = editor->PositionOf(long(prefix));
    const int to = editor->PositionOf(long(oldEnd));
    const QString replacement = editor->DecodePiece(newText.substr(prefix, newEnd - prefix));
    QTextCursor cursor(editor->document());
    cursor.beginEditBlock();
    cursor.setPosition(from);
    cursor.setPosition(to, QTextCursor::KeepAnchor);
    cursor.insertText(replacement);
    cursor.endEditBlock();
    editor->setTextCursor(cursor);
}

}  // namespace morv
