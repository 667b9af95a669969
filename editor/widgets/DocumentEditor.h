#pragma once

#include <Qsci/qsciscintillabase.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "editor/core/DocumentText.h"
#include "editor/core/RtfReader.h"

namespace morv {

class ProgressObserver;

// How a run of text looks when it has formatting of its own (RTF, formatted paste). What is not
// set follows the editor's font and colours.
struct CharFormat {
    bool bold = false;
    bool italic = false;
    bool underline = false;
    int halfPoints = 0;       // font size in half points; 0: the editor's size
    int64_t rgb = -1;         // text colour 0xRRGGBB; -1: the editor's
    int64_t background = -1;  // 0xRRGGBB; -1: the editor's
    std::string font;         // face name; empty: the editor's
    bool operator==(const CharFormat&) const = default;
};

// A piece of formatted text: UTF-8 with CR LF line breaks.
struct FormattedRun {
    std::string text;
    CharFormat format;
};

// The document editor, on the Scintilla editing component. Its buffer holds the document as
// UTF-8 with CR LF line breaks, so a position in the editor is a byte offset of that text, which
// is how the report logic addresses it (EditorBuffer). A document read as UTF-8 is its own bytes;
// one read as Windows-1252 is decoded for the buffer and encoded again for saving (Encoding()).
//
// Character formatting lives in the component's styles, set by the editor itself (the container
// lexer): style 0 is plain text in the editor's font, each further style one CharFormat. A large
// plain document gets no style storage at all; formatted text pasted into it comes in plain.
class DocumentEditor : public QsciScintillaBase {
    Q_OBJECT
  public:
    explicit DocumentEditor(QWidget* parent = nullptr);
    ~DocumentEditor() override;

    // --- The text -------------------------------------------------------------------------------
    // The whole text, read in place; valid until the next change.
    std::string_view Text() const;
    // Part of the text, read in place (the rest of the buffer is not moved); clamped.
    std::string_view Range(long start, long length) const;
    long Length() const;

    // The encoding the document is saved in.
    TextEncoding Encoding() const { return encoding_; }
    void SetEncoding(TextEncoding encoding) { encoding_ = encoding; }
    // The document as it would be saved: the text in the document's encoding.
    std::string Bytes() const;
    // Typed text in the editor's terms (UTF-8, CR LF). *storable is false when the document's
    // encoding cannot hold every character of it; those characters then read '?'.
    std::string ToEditorText(const QString& text, bool* storable = nullptr) const;
    // Text of the editor (a piece of Text()) for display elsewhere.
    static QString DecodePiece(std::string_view text);
    // Text from elsewhere (the clipboard, assistive technology) in the editor's terms: UTF-8 with
    // every line break CR LF.
    static std::string TextOf(const QString& text);

    // --- Whole-document loads (not undoable; the undo history starts again) ---------------------
    enum class LoadOutcome { Loaded, Stopped, TooLarge, OutOfMemory };
    // Replaces the text with a document's bytes, decoded as UTF-8 when valid, otherwise as
    // Windows-1252 (remembered for saving). The text is filled into a document of its own in
    // pieces, reporting progress and asking progress whether to stop between them; the editor
    // shows it only once it is complete. Any outcome but Loaded leaves the editor's document as
    // it was; TooLarge: the text would be longer than the document limits' maximum.
    LoadOutcome Load(std::string bytes, ProgressObserver& progress);
    void LoadBytes(std::string_view bytes);
    // Replaces the text with formatted runs (the RTF reader's result).
    void LoadRuns(const std::vector<RtfRun>& runs);
    // An empty untitled document.
    void NewDocument();
    // Whether the document keeps character formatting.
    bool HasStyleStorage() const;

    // --- Edits ----------------------------------------------------------------------------------
    // Replaces [start, end) with text as one undoable edit; the caret ends after the new text.
    void ReplaceRange(long start, long end, std::string_view text);
    // Replaces the selection with formatted runs as one undoable edit.
    void ReplaceSelectionFormatted(const std::vector<FormattedRun>& runs);
    // The look of the character at position.
    CharFormat FormatAt(long position) const;
    // Forgets the undo history (tests and benchmarks).
    void EmptyUndoBuffer();
    bool CanUndo() const;

    // --- Selection and caret --------------------------------------------------------------------
    long SelectionStart() const;
    long SelectionEnd() const;
    bool HasSelection() const { return SelectionEnd() > SelectionStart(); }
    // The anchor stays at anchor, the caret goes to caret; the caret is scrolled into view.
    void SetSelection(long anchor, long caret);
    long Caret() const;
    void EnsureCaretVisible();

    // --- View -----------------------------------------------------------------------------------
    void SetWrapped(bool on);
    bool IsWrapped() const;
    // The length of the longest line, without its break.
    long LongestLine() const;
    // A blinking caret, or one that holds still.
    void SetCaretBlinking(bool blinking);
    bool IsCaretBlinking() const;
    // Leaves a blank margin of this many pixels left of the text.
    void SetLeftMargin(int pixels);
    bool isReadOnly() const;
    void setReadOnly(bool readOnly);
    bool overwriteMode() const;
    void setOverwriteMode(bool overwrite);
    // Keeps the component's index of where each line starts in characters, from now on, for
    // assistive technology, which counts in characters.
    void KeepCharacterIndex() const;

  public slots:
    void undo();
    void cut();
    void copy();
    // The component's own paste: the clipboard's plain text.
    void paste();
    void selectAll();

  signals:
    // The text changed: an edit, a load or a new document.
    void TextChanged();

  protected:
    bool event(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    // Selected or copied text for the clipboard, made into characters only when something asks
    // for it: every selection of the text is offered as the X selection.
    QMimeData* toMimeData(const QByteArray& text, bool rectangular) const override;

  private:
    long Call(unsigned int message, uintptr_t wParam = 0, intptr_t lParam = 0) const;
    long CallText(unsigned int message, uintptr_t wParam, const char* text) const;
    void SetUpView();
    void ApplyStyles();
    void ApplyFormat(int style, const CharFormat& format);
    int StyleFor(const CharFormat& format);
    void TakeDocument(QsciScintillaBase& loader, TextEncoding encoding);
    void InsertUrls(const QUrl& url);

    TextEncoding encoding_ = TextEncoding::Utf8;
    mutable bool characterIndex_ = false;
    long caretPeriod_ = 0;  // the component's blink period, in milliseconds
    // The format of each style in use, in the order the styles were handed out.
    std::vector<CharFormat> formats_;
};

}  // namespace morv
