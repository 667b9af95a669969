#include "editor/widgets/DocumentAccessible.h"

#include <QAccessibleWidget>
#include <QFontMetrics>
#include <QString>

#include <algorithm>

#include "editor/widgets/DocumentEditor.h"

namespace morv {

namespace {

using Sci = QsciScintillaBase;

class DocumentAccessible : public QAccessibleWidget,
                           public QAccessibleTextInterface,
                           public QAccessibleEditableTextInterface {
  public:
    explicit DocumentAccessible(DocumentEditor* editor)
        : QAccessibleWidget(editor, QAccessible::EditableText), editor_(editor) {}

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
        if (type == QAccessible::EditableTextInterface)
            return static_cast<QAccessibleEditableTextInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.editable = !editor_->isReadOnly();
        state.readOnly = editor_->isReadOnly();
        state.multiLine = true;
        state.selectableText = true;
        return state;
    }

    // --- Text ---------------------------------------------------------------------------------
    void selection(int index, int* startOffset, int* endOffset) const override {
        *startOffset = *endOffset = 0;
        if (index != 0 || !editor_->HasSelection()) return;
        *startOffset = OffsetOf(editor_->SelectionStart());
        *endOffset = OffsetOf(editor_->SelectionEnd());
    }
    int selectionCount() const override { return editor_->HasSelection() ? 1 : 0; }
    void addSelection(int startOffset, int endOffset) override {
        setSelection(0, startOffset, endOffset);
    }
    void removeSelection(int index) override {
        if (index == 0) editor_->SetSelection(editor_->Caret(), editor_->Caret());
    }
    void setSelection(int index, int startOffset, int endOffset) override {
        if (index == 0) editor_->SetSelection(PositionOf(startOffset), PositionOf(endOffset));
    }
    int cursorPosition() const override { return OffsetOf(editor_->Caret()); }
    void setCursorPosition(int offset) override {
        const long at = PositionOf(offset);
        editor_->SetSelection(at, at);
    }
    QString text(int startOffset, int endOffset) const override {
        return TextOf(PositionOf(startOffset), PositionOf(endOffset));
    }
    QString textBeforeOffset(int offset, QAccessible::TextBoundaryType type, int* startOffset,
                             int* endOffset) const override {
        long start = 0, end = 0;
        *startOffset = *endOffset = -1;
        if (!Boundaries(PositionOf(offset), type, &start, &end) || start == 0 ||
            !Boundaries(start - 1, type, &start, &end))
            return {};
        return Piece(start, end, startOffset, endOffset);
    }
    QString textAfterOffset(int offset, QAccessible::TextBoundaryType type, int* startOffset,
                            int* endOffset) const override {
        long start = 0, end = 0;
        *startOffset = *endOffset = -1;
        if (!Boundaries(PositionOf(offset), type, &start, &end) || end >= editor_->Length() ||
            !Boundaries(end, type, &start, &end))
            return {};
        return Piece(start, end, startOffset, endOffset);
    }
    QString textAtOffset(int offset, QAccessible::TextBoundaryType type, int* startOffset,
                         int* endOffset) const override {
        long start = 0, end = 0;
        *startOffset = *endOffset = -1;
        if (!Boundaries(PositionOf(offset), type, &start, &end)) return {};
        return Piece(start, end, startOffset, endOffset);
    }
    QRect characterRect(int offset) const override {
        const long at = PositionOf(offset);
        const int x = int(editor_->SendScintilla(Sci::SCI_POINTXFROMPOSITION, 0UL, at));
        const int y = int(editor_->SendScintilla(Sci::SCI_POINTYFROMPOSITION, 0UL, at));
        const int height = int(editor_->SendScintilla(Sci::SCI_TEXTHEIGHT, 0UL, 0L));
        const int width = QFontMetrics(editor_->font()).horizontalAdvance(TextOf(at, at + 1));
        return QRect(editor_->viewport()->mapToGlobal(QPoint(x, y)), QSize(width, height));
    }
    int offsetAtPoint(const QPoint& point) const override {
        const QPoint local = editor_->viewport()->mapFromGlobal(point);
        const long at = editor_->SendScintilla(Sci::SCI_POSITIONFROMPOINTCLOSE,
                                               static_cast<unsigned long>(local.x()), local.y());
        return at < 0 ? -1 : OffsetOf(at);
    }
    int characterCount() const override { return OffsetOf(editor_->Length()); }
    void scrollToSubstring(int startIndex, int endIndex) override {
        editor_->SendScintilla(Sci::SCI_SCROLLRANGE,
                               static_cast<unsigned long>(PositionOf(endIndex)),
                               PositionOf(startIndex));
    }
    QString attributes(int offset, int* startOffset, int* endOffset) const override {
        *startOffset = *endOffset = offset;
        return {};
    }

    // --- Editable text --------------------------------------------------------------------------
    void deleteText(int startOffset, int endOffset) override {
        editor_->ReplaceRange(PositionOf(startOffset), PositionOf(endOffset), {});
    }
    void insertText(int offset, const QString& text) override {
        const long at = PositionOf(offset);
        editor_->ReplaceRange(at, at, DocumentEditor::TextOf(text));
    }
    void replaceText(int startOffset, int endOffset, const QString& text) override {
        editor_->ReplaceRange(PositionOf(startOffset), PositionOf(endOffset),
                              DocumentEditor::TextOf(text));
    }

  private:
    // A position in the text <-> an offset in characters: the line's first character from the
    // component's index, then the characters within the line.
    int OffsetOf(long position) const {
        editor_->KeepCharacterIndex();
        position = std::clamp(position, 0L, editor_->Length());
        const long line =
            editor_->SendScintilla(Sci::SCI_LINEFROMPOSITION, static_cast<unsigned long>(position));
        const long lineStart =
            editor_->SendScintilla(Sci::SCI_POSITIONFROMLINE, static_cast<unsigned long>(line));
        const long lineOffset =
            editor_->SendScintilla(Sci::SCI_INDEXPOSITIONFROMLINE, static_cast<unsigned long>(line),
                                   long(Sci::SC_LINECHARACTERINDEX_UTF16));
        return int(lineOffset + editor_->SendScintilla(Sci::SCI_COUNTCODEUNITS,
                                                       static_cast<unsigned long>(lineStart),
                                                       position));
    }
    long PositionOf(int offset) const {
        editor_->KeepCharacterIndex();
        if (offset < 0) return editor_->Length();  // -1: the end
        const long line = editor_->SendScintilla(Sci::SCI_LINEFROMINDEXPOSITION,
                                                 static_cast<unsigned long>(offset),
                                                 long(Sci::SC_LINECHARACTERINDEX_UTF16));
        const long lineStart =
            editor_->SendScintilla(Sci::SCI_POSITIONFROMLINE, static_cast<unsigned long>(line));
        const long lineOffset =
            editor_->SendScintilla(Sci::SCI_INDEXPOSITIONFROMLINE, static_cast<unsigned long>(line),
                                   long(Sci::SC_LINECHARACTERINDEX_UTF16));
        return editor_->SendScintilla(Sci::SCI_POSITIONRELATIVECODEUNITS,
                                      static_cast<unsigned long>(lineStart), offset - lineOffset);
    }
    QString TextOf(long start, long end) const {
        if (end <= start) return {};
        return DocumentEditor::DecodePiece(editor_->Range(start, end - start));
    }
    QString Piece(long start, long end, int* startOffset, int* endOffset) const {
        *startOffset = OffsetOf(start);
        *endOffset = OffsetOf(end);
        return TextOf(start, end);
    }
    bool Boundaries(long at, QAccessible::TextBoundaryType type, long* start, long* end) const {
        const auto position = static_cast<unsigned long>(at);
        switch (type) {
            case QAccessible::CharBoundary:
                *start = at;
                *end = editor_->SendScintilla(Sci::SCI_POSITIONAFTER, position);
                return *end > *start;
            case QAccessible::WordBoundary:
                *start = editor_->SendScintilla(Sci::SCI_WORDSTARTPOSITION, position, 1L);
                *end = editor_->SendScintilla(Sci::SCI_WORDENDPOSITION, position, 1L);
                return *end > *start;
            case QAccessible::LineBoundary: {
                const long line = editor_->SendScintilla(Sci::SCI_LINEFROMPOSITION, position);
                *start = editor_->SendScintilla(Sci::SCI_POSITIONFROMLINE,
                                                static_cast<unsigned long>(line));
                const long next = editor_->SendScintilla(Sci::SCI_POSITIONFROMLINE,
                                                         static_cast<unsigned long>(line + 1));
                *end = next < 0 ? editor_->Length() : next;
                return *end > *start;
            }
            case QAccessible::NoBoundary:
                *start = 0;
                *end = editor_->Length();
                return true;
            default:
                return false;
        }
    }

    DocumentEditor* editor_;
};

QAccessibleInterface* Factory(const QString& className, QObject* object) {
    if (className == QLatin1String(DocumentEditor::staticMetaObject.className()) &&
        object != nullptr && object->isWidgetType())
        return new DocumentAccessible(static_cast<DocumentEditor*>(object));
    return nullptr;
}

DocumentAccessible* AccessibleOf(DocumentEditor* editor) {
    if (!QAccessible::isActive()) return nullptr;
    return dynamic_cast<DocumentAccessible*>(QAccessible::queryAccessibleInterface(editor));
}

}  // namespace

void InstallDocumentAccessibility() {
    static bool installed = false;
    if (installed) return;
    // Asked before the component's own factory, which would count every character up to the
    // caret at each caret move.
    QAccessible::installFactory(Factory);
    installed = true;
}

void NotifyCaretMoved(DocumentEditor* editor) {
    DocumentAccessible* accessible = AccessibleOf(editor);
    if (accessible == nullptr) return;
    QAccessibleTextCursorEvent event(editor, accessible->cursorPosition());
    QAccessible::updateAccessibility(&event);
}

void NotifyCharacterTyped(DocumentEditor* editor) {
    DocumentAccessible* accessible = AccessibleOf(editor);
    if (accessible == nullptr) return;
    const int caret = accessible->cursorPosition();
    if (caret <= 0) return;
    QAccessibleTextInsertEvent event(editor, caret - 1, accessible->text(caret - 1, caret));
    QAccessible::updateAccessibility(&event);
}

}  // namespace morv
