#pragma once

#include <QPlainTextEdit>

#include <string>
#include <string_view>
#include <vector>

#include "editor/core/DocumentText.h"
#include "editor/core/RtfReader.h"

namespace morv {

// The document editor: a plain-text editor that can also show character formatting (RTF loaded
// through the reader, formatted paste). It remembers the encoding its text was read in and maps
// between its own positions and byte offsets of the document as it would be saved (that
// encoding, CR LF line breaks), which is how the report logic addresses it.
class DocumentEditor : public QPlainTextEdit {
    Q_OBJECT
  public:
    explicit DocumentEditor(QWidget* parent = nullptr);

    TextEncoding Encoding() const { return encoding_; }
    void SetEncoding(TextEncoding encoding);

    // Replaces the whole text with a document's bytes, decoded as UTF-8 when valid, otherwise as
    // single-byte text; the encoding is remembered for saving. Not an undoable edit.
    void LoadBytes(std::string_view bytes);
    // Replaces the whole text with formatted runs (the RTF reader's result).
    void LoadRuns(const std::vector<RtfRun>& runs);
    // The document's bytes as they would be saved. Cached until the next change.
    const std::string& Bytes() const;

    // Position in the widget <-> byte offset in Bytes().
    long ByteOffsetOf(int position) const;
    int PositionOf(long byteOffset) const;
    // Byte offset at which each line (block) starts.
    const std::vector<long>& LineByteStarts() const;

    // Leaves a blank margin of this many pixels left of the text.
    void SetLeftMargin(int pixels) { setViewportMargins(pixels, 0, 0, 0); }

    // Decodes bytes of this document's encoding (CR LF or any break) for insertion.
    QString DecodePiece(std::string_view bytes) const;

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void Invalidate();
    void Rebuild() const;

    TextEncoding encoding_ = TextEncoding::Utf8;
    mutable bool valid_ = false;
    mutable std::string bytes_;
    mutable std::vector<long> lineStarts_;
    mutable std::vector<bool> lineAscii_;  // lines whose positions and bytes correspond 1:1
};

}  // namespace morv
