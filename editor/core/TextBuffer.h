#pragma once

#include <string>
#include <string_view>

namespace morv {

// The editor operations that the report logic (sections, clean-up, link fixing, search) uses to
// read and change a document. Offsets are 0-based positions in the document's text with CR LF
// line breaks, a break counting as two; -1 means "not found"; kEndOfText stands for the end of
// the text and is clamped. Lines are separated by CR LF and numbered from 0.
//
// StringBuffer implements it over bytes in memory; EditorBuffer over the editor widget, where an
// offset is a byte offset of the document as it would be saved (its encoding, CR LF breaks).
inline constexpr long kEndOfText = 2000000000;

enum FindFlags : int {
    kFindWholeWord = 2,
    kFindMatchCase = 4,
    kFindNoSelect = 8,
};

class TextBuffer {
  public:
    virtual ~TextBuffer() = default;

    virtual long Length() const = 0;

    // Offset of the first occurrence of what in [start, end) (end -1 or kEndOfText: the end of
    // the text), letter case ignored unless kFindMatchCase. Without kFindNoSelect the match
    // becomes the selection. Returns -1 when there is none (also when start lies past end).
    virtual long Find(std::string_view what, long start, long end, int flags) = 0;

    // Selection: start and length, clamped to the text. The caret is the selection's start.
    virtual void Select(long start, long length) = 0;
    void SetCaret(long offset) { Select(offset, 0); }
    virtual long SelectionStart() const = 0;
    virtual long SelectionLength() const = 0;
    virtual std::string SelectedText() const = 0;

    // Replaces the selection (or inserts at the caret); the caret ends after the new text.
    virtual void ReplaceSelection(std::string_view text) = 0;
    // Replaces [start, end) as ReplaceSelection would after Select, without showing that range
    // selected on the way (a selection of a whole large document is not free in the editor).
    virtual void Replace(long start, long end, std::string_view text) {
        Select(start, end - start);
        ReplaceSelection(text);
    }

    // Extends the selection forwards from its end over every character not in stopChars.
    virtual void ExtendSelectionOverNotIn(std::string_view stopChars) = 0;

    // Moves the caret backwards to just after the nearest character of chars before it, or to
    // offset 0 when there is none; the selection collapses.
    virtual void MoveCaretBackToAny(std::string_view chars) = 0;

    virtual long LineCount() const = 0;
    virtual long LineFromOffset(long offset) const = 0;
    // Start offset of a line, or -1 when there is no such line.
    virtual long LineStart(long line) const = 0;
    // Length of a line without its line break; 0 when there is no such line.
    virtual long LineLength(long line) const = 0;

    virtual std::string Text() const = 0;
    virtual void SetText(std::string_view text) = 0;
};

// Is c a word character for whole-word search: a letter, a digit, the underscore, or any byte of
// a non-ASCII character (which every encoding we read treats as part of a word).
bool IsWordByte(unsigned char c);

// The search behind every Find: offset of what in text[start, end) or -1.
long FindInText(std::string_view text, std::string_view what, long start, long end, int flags);

}  // namespace morv
