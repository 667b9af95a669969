#include "editor/widgets/EditCommands.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFontDialog>
#include <QKeyEvent>
#include <QMimeData>
#include <QPointer>
#include <QTextBlock>
#include <QTextDocument>
#include <QTimer>

#include <cmath>

#include "editor/widgets/DocumentCommands.h"
#include "editor/widgets/DocumentEditor.h"
#include "editor/widgets/DocumentLoad.h"
#include "editor/widgets/MainWindow.h"
#include "helpers/widgets/Hooks.h"
#include "helpers/widgets/Prompter.h"
#include "helpers/widgets/WaitCursor.h"

namespace morv {

namespace {

constexpr int kMaxFaceNameLength = 31;

// The state of the edit commands of one main window, and the watcher of its editor's keys.
class EditCommandState : public QObject {
  public:
    explicit EditCommandState(frmMain& window) : QObject(&window), editor_(window.Rich1()) {
        setObjectName(QStringLiteral("EditCommandState"));
        editor_->installEventFilter(this);
    }
    bool keyHandled = false;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        // Only the editor's key presses; the window may be half destroyed for other events.
        if (event->type() != QEvent::KeyPress || watched != editor_)
            return QObject::eventFilter(watched, event);
        auto* key = static_cast<QKeyEvent*>(event);
        const Qt::KeyboardModifiers mods =
            key->modifiers() &
            (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
        if (mods == Qt::ControlModifier) {
            keyHandled = key->key() == Qt::Key_Z || key->key() == Qt::Key_V;
            if (keyHandled) {
                // The flag belongs to this key press only: a later click is carried out.
                QTimer::singleShot(0, this, [this] { keyHandled = false; });
            }
        }
        if (key->matches(QKeySequence::Paste) && !editor_->isReadOnly()) {
            // The editor's own paste, with the formatting of the clipboard's text kept.
            PasteClipboard(editor_);
            return true;
        }
        return QObject::eventFilter(watched, event);
    }

  private:
    DocumentEditor* editor_;
};

EditCommandState& StateOf(frmMain& window) {
    auto* state = window.findChild<EditCommandState*>(QStringLiteral("EditCommandState"),
                                                      Qt::FindDirectChildrenOnly);
    if (state == nullptr) state = new EditCommandState(window);
    return *state;
}

// The look of pasted text in the editor: weight, slant, underline and colours; neither its font
// nor its size, since the editor's font is the font of the whole text.
CharFormat EditorFormat(const QTextCharFormat& format) {
    CharFormat look;
    look.bold = format.fontWeight() > QFont::Medium;
    look.italic = format.fontItalic();
    look.underline = format.fontUnderline();
    if (format.hasProperty(QTextFormat::ForegroundBrush) &&
        format.foreground().style() != Qt::NoBrush)
        look.rgb = format.foreground().color().rgb() & 0xFFFFFF;
    if (format.hasProperty(QTextFormat::BackgroundBrush) &&
        format.background().style() != Qt::NoBrush)
        look.background = format.background().color().rgb() & 0xFFFFFF;
    return look;
}

// Formatted HTML as runs of text with their looks; paragraphs, list items and table cells
// become lines, and links, images and other objects are left out.
std::vector<FormattedRun> FormattedRuns(const QString& html) {
    QTextDocument source;
    source.setHtml(html);
    // The empty block a document keeps after a closing table or list is not text.
    QTextBlock last = source.lastBlock();
    while (last.isValid() && last.length() <= 1 && last != source.begin())
        last = last.previous();
    std::vector<FormattedRun> runs;
    for (QTextBlock block = source.begin(); block.isValid(); block = block.next()) {
        if (last.isValid() && block.blockNumber() > last.blockNumber()) break;
        if (block != source.begin()) runs.push_back({"\r\n", {}});
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.isValid()) continue;
            QString text = fragment.text();
            text.remove(QChar::ObjectReplacementCharacter);
            text.replace(QChar::LineSeparator, QLatin1Char('\n'));
            text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
            text.replace(QChar::Nbsp, QLatin1Char(' '));
            if (!text.isEmpty())
                runs.push_back({DocumentEditor::TextOf(text), EditorFormat(fragment.charFormat())});
        }
    }
    return runs;
}

}  // namespace

bool& EditorKeyHandled(frmMain& window) {
    return StateOf(window).keyHandled;
}

void PasteClipboard(DocumentEditor* editor) {
    const QMimeData* mime = QApplication::clipboard()->mimeData();
    if (mime == nullptr) return;
    if (mime->hasHtml() && !mime->html().isEmpty()) {
        editor->ReplaceSelectionFormatted(FormattedRuns(mime->html()));
    } else if (mime->hasText() && !mime->text().isEmpty()) {
        editor->ReplaceRange(editor->SelectionStart(), editor->SelectionEnd(),
                             DocumentEditor::TextOf(mime->text()));
    } else {
        return;
    }
    editor->EnsureCaretVisible();
}

void EditUndo(frmMain& window) {
    bool& handled = EditorKeyHandled(window);
    if (!handled) window.Rich1()->undo();
    handled = false;
}

void EditCut(frmMain& window) {
    window.Rich1()->cut();
}

void EditCopy(frmMain& window) {
    window.Rich1()->copy();
}

void EditPaste(frmMain& window) {
    bool& handled = EditorKeyHandled(window);
    if (!handled) PasteClipboard(window.Rich1());
    handled = false;
}

void EditDelete(frmMain& window) {
    DocumentEditor* editor = window.Rich1();
    if (editor->HasSelection())
        editor->ReplaceRange(editor->SelectionStart(), editor->SelectionEnd(), {});
}

void EditClear(frmMain& window) {
    WaitCursor wait;
    ClearSectionsTree(window);
    window.setUpdatesEnabled(false);
    // An ordinary edit: Undo brings the text back.
    window.Rich1()->ReplaceRange(0, window.Rich1()->Length(), {});
    window.setUpdatesEnabled(true);
}

void EditSelectAll(frmMain& window) {
    window.Rich1()->selectAll();
}

void FormatWordWrap(frmMain& window) {
    // The menu item toggles its own tick when it is chosen; the tick is the wrap state.
    QAction* item = window.MenuAction("mnuFormatWordWrap");
    const bool wrap = item != nullptr && item->isChecked();
    QString why;
    if (wrap && !CanWrapDocument(window, &why)) {
        item->setChecked(false);
        ShowMessage(&window, why, PromptIcon::Information, kAppTitle);
        return;
    }
    window.SetWordWrapMode(wrap ? 1 : 0);
    window.Rich1()->viewport()->update();
}

int RoundPointSize(int tenths) {
    const int whole = tenths / 10;
    const int rest = tenths % 10;
    if (rest > 5 || (rest == 5 && whole % 2 != 0)) return whole + 1;
    return whole;
}

bool ShowFontDialog(QWidget* owner, QString& name, int& size) {
    QFont preset(name.left(kMaxFaceNameLength));
    if (size > 0) preset.setPointSize(size);
    QFont chosen;
    bool ok = false;
    if (Hooks().chooseFont) {
        ok = Hooks().chooseFont(owner, preset, chosen);
    } else {
        chosen = QFontDialog::getFont(&ok, preset, owner, QStringLiteral("Font"),
                                      QFontDialog::DontUseNativeDialog);
    }
    if (!ok) return false;
    name = chosen.family();
    size = RoundPointSize(int(std::lround(chosen.pointSizeF() * 10)));
    return true;
}

void FormatFont(frmMain& window) {
    DocumentEditor* editor = window.Rich1();
    QFont font = editor->font();
    QString name = font.family();
    int size = RoundPointSize(int(std::lround(font.pointSizeF() * 10)));
    if (!ShowFontDialog(&window, name, size)) return;
    if (name.isEmpty() || size <= 0) {
        ShowMessage(&window, QStringLiteral("The chosen font cannot be used."),
                    PromptIcon::Exclamation, kAppTitle);
        return;
    }
    font.setFamily(name);
    font.setPointSize(size);
    editor->setFont(font);
}

void InstallEditCommands(frmMain& window) {
    StateOf(window);
    MainCommands& c = window.Commands();
    frmMain* w = &window;
    c.undo = [w] { EditUndo(*w); };
    c.cut = [w] { EditCut(*w); };
    c.copy = [w] { EditCopy(*w); };
    c.paste = [w] { EditPaste(*w); };
    c.del = [w] { EditDelete(*w); };
    c.clear = [w] { EditClear(*w); };
    c.selectAll = [w] { EditSelectAll(*w); };
    c.wordWrap = [w] { FormatWordWrap(*w); };
    c.font = [w] { FormatFont(*w); };
    window.RefreshCommandStates();
}

}  // namespace morv
