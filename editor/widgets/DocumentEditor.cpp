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
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        if (block != doc->begin()) bytes_ += "\r\n";
        lineStarts_.push_back(long(bytes_.size()));
        const QString text = block.text();
        bool ascii = true;
        for (QChar ch : text) {
            if (ch.unicode() >= 0x80) {
                ascii = false;
                break;
            }
        }
        lineAscii_.push_back(ascii);
        if (ascii) {
            bytes_ += text.toLatin1().toStdString();
        } else {
            bytes_ += EncodeDocument(text.toStdString(), encoding_);
        }
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
