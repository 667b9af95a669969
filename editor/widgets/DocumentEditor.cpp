#include "editor/widgets/DocumentEditor.h"

#include <QKeyEvent>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>

namespace morv {

DocumentEditor::DocumentEditor(QWidget* parent) : QPlainTextEdit(parent) {
    setObjectName("Rich1");
    setAccessibleName(tr("Document"));
    setLineWrapMode(QPlainTextEdit::NoWrap);
    connect(document(), &QTextDocument::contentsChange, this,
            [this](int, int, int) { Invalidate(); });
}

void DocumentEditor::SetEncoding(TextEncoding encoding) {
    encoding_ = encoding;
    Invalidate();
}

void DocumentEditor::Invalidate() {
    valid_ = false;
}

void DocumentEditor::LoadBytes(std::string_view bytes) {
    DecodedText decoded = DecodeDocument(bytes);
    encoding_ = decoded.encoding;
    setPlainText(QString::fromStdString(decoded.utf8));
    Invalidate();
}

void DocumentEditor::LoadRuns(const std::vector<RtfRun>& runs) {
    clear();
    encoding_ = TextEncoding::Utf8;
    QTextCursor cursor(document());
    cursor.beginEditBlock();
    const QTextCharFormat plain = cursor.charFormat();
    for (const RtfRun& run : runs) {
        QTextCharFormat format = plain;
        if (run.bold) format.setFontWeight(QFont::Bold);
        format.setFontItalic(run.italic);
        format.setFontUnderline(run.underline);
        if (run.halfPoints > 0) format.setFontPointSize(run.halfPoints / 2.0);
        if (run.rgb >= 0) format.setForeground(QColor(QRgb(run.rgb)));
        cursor.insertText(QString::fromStdString(run.text), format);
    }
    cursor.endEditBlock();
    document()->clearUndoRedoStacks();
    moveCursor(QTextCursor::Start);
    Invalidate();
}

void DocumentEditor::Rebuild() const {
    bytes_.clear();
    lineStarts_.clear();
    lineAscii_.clear();
    const QTextDocument* doc = document();
    lineStarts_.reserve(size_t(doc->blockCount()));
    lineAscii_.reserve(size_t(doc->blockCount()));
    // The whole text at once, blocks separated by U+2029 (E2 80 A9 in UTF-8): one conversion
    // instead of one string per block, which is what makes this fast on a large document.
    const QByteArray utf8 = doc->toRawText().toUtf8();
    const std::string_view text(utf8.constData(), size_t(utf8.size()));
    bytes_.reserve(text.size() + size_t(doc->blockCount()));
    size_t start = 0;
    while (true) {
        size_t end = text.find("\xE2\x80\xA9", start);
        const bool last = end == std::string_view::npos;
        if (last) end = text.size();
        const std::string_view line = text.substr(start, end - start);
        lineStarts_.push_back(long(bytes_.size()));
        const bool ascii =
            std::all_of(line.begin(), line.end(), [](char c) { return (unsigned char)c < 0x80; });
        lineAscii_.push_back(ascii);
        if (ascii || encoding_ == TextEncoding::Utf8) {
            bytes_ += line;
        } else {
            bytes_ += EncodeDocument(line, encoding_);
        }
        if (last) break;
        bytes_ += "\r\n";
        start = end + 3;
    }
    valid_ = true;
}

const std::string& DocumentEditor::Bytes() const {
    if (!valid_) Rebuild();
    return bytes_;
}

const std::vector<long>& DocumentEditor::LineByteStarts() const {
    if (!valid_) Rebuild();
    return lineStarts_;
}

long DocumentEditor::ByteOffsetOf(int position) const {
    if (!valid_) Rebuild();
    const QTextBlock block = document()->findBlock(position);
    if (!block.isValid()) return long(bytes_.size());
    const size_t line = size_t(block.blockNumber());
    const int column = std::clamp(position - block.position(), 0, block.length() - 1);
    long offset = lineStarts_[line];
    if (lineAscii_[line]) return offset + column;
    const QString text = block.text();
    for (int i = 0; i < column && i < text.size(); ++i) {
        offset += EncodedLength(text[i].unicode(), encoding_);
    }
    return offset;
}

int DocumentEditor::PositionOf(long byteOffset) const {
    if (!valid_) Rebuild();
    byteOffset = std::clamp(byteOffset, 0L, long(bytes_.size()));
    auto it = std::upper_bound(lineStarts_.begin(), lineStarts_.end(), byteOffset);
    const size_t line = size_t(it - lineStarts_.begin()) - 1;
    const QTextBlock block = document()->findBlockByNumber(int(line));
    const long lineBytes =
        (line + 1 < lineStarts_.size() ? lineStarts_[line + 1] - 2 : long(bytes_.size())) -
        lineStarts_[line];
    // An offset between the CR and the LF of a break stands for the end of the line.
    const long inLine = std::min(byteOffset - lineStarts_[line], lineBytes);
    if (lineAscii_[line]) return block.position() + int(inLine);
    const QString text = block.text();
    long consumed = 0;
    int column = 0;
    while (column < text.size() && consumed < inLine) {
        consumed += EncodedLength(text[column].unicode(), encoding_);
        ++column;
    }
    return block.position() + column;
}

QString DocumentEditor::DecodePiece(std::string_view bytes) const {
    return QString::fromStdString(DecodeAs(bytes, encoding_));
}

void DocumentEditor::keyPressEvent(QKeyEvent* event) {
    // Shift+Enter would insert a line separator inside a line; every break is a real line here.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        (event->modifiers() & Qt::ShiftModifier)) {
        QKeyEvent plain(QEvent::KeyPress, event->key(), event->modifiers() & ~Qt::ShiftModifier,
                        event->text());
        QPlainTextEdit::keyPressEvent(&plain);
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

}  // namespace morv
