#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include "editor/widgets/DocumentCommands.h"
#include "editor/widgets/DocumentEditor.h"
#include "editor/widgets/EditCommands.h"
#include "editor/widgets/MainWindow.h"
#include "helpers/widgets/Prompter.h"
#include "tests/support/WidgetFakes.h"

using namespace morv;

namespace {

class EditCommandsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(folder_.isValid());
        window_ = std::make_unique<frmMain>(folder_.path(), folder_.path());
        InstallDocumentCommands(*window_);
        window_->show();
        Editor()->setFocus();
        QApplication::clipboard()->clear();
    }
    void TearDown() override {
        window_->State().DocumentModified = false;
        window_.reset();
    }
    DocumentEditor* Editor() { return window_->Rich1(); }
    // The editor's text with its CR LF breaks shown as '\n'.
    QString Text() {
        return DocumentEditor::DecodePiece(Editor()->Text())
            .replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    }
    void SetText(const QString& text) {
        Editor()->LoadBytes(Editor()->ToEditorText(text));
        Editor()->SetSelection(Editor()->Length(), Editor()->Length());
    }
    void Select(int from, int to) { Editor()->SetSelection(from, to); }
    void Trigger(const char* action) { window_->MenuAction(action)->trigger(); }
    // A key typed into the editor, then the events a real key press is followed by.
    void TypeKey(Qt::Key key, Qt::KeyboardModifiers modifiers) {
        QTest::keyClick(Editor(), key, modifiers);
        QApplication::processEvents();
    }

    QTemporaryDir folder_;
    std::unique_ptr<frmMain> window_;
    ScriptedPrompter prompter_;
    ScopedPrompter scoped_{&prompter_};
};

TEST_F(EditCommandsTest, TypedCtrlVPastesOnceAndAMenuPasteAgain) {
    QApplication::clipboard()->setText(QStringLiteral("xy"));
    TypeKey(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(Text(), QStringLiteral("xy"));
    Trigger("mnuEditPaste");
    EXPECT_EQ(Text(), QStringLiteral("xyxy"));
    window_->Toolbar1ButtonClick(QStringLiteral("paste"));
    EXPECT_EQ(Text(), QStringLiteral("xyxyxy"));
}

TEST_F(EditCommandsTest, TypedCtrlZUndoesOnceAndAMenuUndoOnceMore) {
    // Three edits: typing, a deletion, typing again.
    QTest::keyClicks(Editor(), QStringLiteral("a c"));
    QTest::keyClick(Editor(), Qt::Key_Backspace);
    QTest::keyClicks(Editor(), QStringLiteral("b"));
    ASSERT_EQ(Text(), QStringLiteral("a b"));
    TypeKey(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Text(), QStringLiteral("a "));
    Trigger("mnuEditUndo");
    EXPECT_EQ(Text(), QStringLiteral("a c")) << "the menu undoes one more step";
}

TEST_F(EditCommandsTest, OnlyExactlyCtrlWithZOrVMarksTheKeyAsHandled) {
    struct Row {
        const char* name;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        bool before;
        bool after;
    };
    const Row rows[] = {
        {"Ctrl+V", Qt::Key_V, Qt::ControlModifier, false, true},
        {"Ctrl+Z", Qt::Key_Z, Qt::ControlModifier, false, true},
        {"Ctrl+A clears", Qt::Key_A, Qt::ControlModifier, true, false},
        {"Ctrl+Shift+V leaves it set", Qt::Key_V, Qt::ControlModifier | Qt::ShiftModifier, true,
         true},
        {"Ctrl+Shift+V leaves it clear", Qt::Key_V, Qt::ControlModifier | Qt::ShiftModifier, false,
         false},
        {"Alt+V leaves it", Qt::Key_V, Qt::AltModifier, true, true},
        {"plain V leaves it", Qt::Key_V, Qt::NoModifier, false, false},
    };
    for (const Row& row : rows) {
        EditorKeyHandled(*window_) = row.before;
        QTest::keyClick(Editor(), row.key, row.modifiers);  // no events run in between
        EXPECT_EQ(EditorKeyHandled(*window_), row.after) << row.name;
    }
    // A flag left from a key press is cleared by the next Undo or Paste, which then acts.
    SetText(QStringLiteral("t"));
    QApplication::clipboard()->setText(QStringLiteral("p"));
    EditorKeyHandled(*window_) = true;
    Trigger("mnuEditPaste");
    EXPECT_EQ(Text(), QStringLiteral("t"));
    EXPECT_FALSE(EditorKeyHandled(*window_));
    Trigger("mnuEditPaste");
    EXPECT_EQ(Text(), QStringLiteral("tp"));
}

TEST_F(EditCommandsTest, FormattedPasteKeepsItsLookButSavesPlainText) {
    auto* mime = new QMimeData;
    mime->setHtml(
        QStringLiteral("<p><b>bold</b> and <i>slanted</i><br>line&nbsp;two"
                       "<img src=\"x.png\"></p><table><tr><td>cell</td></tr></table>"));
    mime->setText(QStringLiteral("ignored"));
    QApplication::clipboard()->setMimeData(mime);
    SetText(QStringLiteral("[]"));
    Select(1, 1);
    Trigger("mnuEditPaste");
    EXPECT_EQ(Text(), QStringLiteral("[bold and slanted\nline two\ncell]"));
    EXPECT_TRUE(Editor()->FormatAt(3).bold);
    EXPECT_FALSE(Editor()->FormatAt(3).italic);
    EXPECT_TRUE(Editor()->FormatAt(13).italic);
    EXPECT_EQ(Editor()->Bytes(), "[bold and slanted\r\nline two\r\ncell]");
    Trigger("mnuEditUndo");
    EXPECT_EQ(Text(), QStringLiteral("[]")) << "one undo step takes the paste back";

    QApplication::clipboard()->setText(QStringLiteral("a\r\nb\rc"));
    Trigger("mnuEditPaste");
    EXPECT_EQ(Editor()->SendScintilla(QsciScintillaBase::SCI_GETLINECOUNT), 3);
}

TEST_F(EditCommandsTest, ClearThenUndo) {
    SetText(QStringLiteral("line one\nline two"));
    window_->State().DocumentModified = false;
    window_->TreeView1()->addTopLevelItem(new QTreeWidgetItem({QStringLiteral("root")}));
    window_->Toolbar1ButtonClick(QStringLiteral("clear"));
    EXPECT_EQ(Text(), QString());
    EXPECT_EQ(window_->TreeView1()->topLevelItemCount(), 0);
    EXPECT_TRUE(window_->State().DocumentModified);
    EXPECT_EQ(window_->windowTitle(), QStringLiteral("Untitled - Morvane"));
    EXPECT_TRUE(window_->updatesEnabled());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(prompter_.asked().isEmpty()) << "no question is asked";
    Trigger("mnuEditUndo");
    EXPECT_EQ(Text(), QStringLiteral("line one\nline two"));
    EXPECT_EQ(window_->TreeView1()->topLevelItemCount(), 0) << "the tree stays empty";
}

TEST_F(EditCommandsTest, SelectionCommands) {
    struct Row {
        const char* name;
        const char* action;
        int from, to;
        QString text;
        QString clipboard;
    };
    const Row rows[] = {
        {"cut", "mnuEditCut", 0, 4, QStringLiteral("two"), QStringLiteral("one ")},
        {"cut without selection", "mnuEditCut", 2, 2, QStringLiteral("one two"), QString()},
        {"copy", "mnuEditCopy", 4, 7, QStringLiteral("one two"), QStringLiteral("two")},
        {"delete", "mnuEditDelete", 3, 7, QStringLiteral("one"), QString()},
        {"delete without selection", "mnuEditDelete", 3, 3, QStringLiteral("one two"), QString()},
    };
    for (const Row& row : rows) {
        QApplication::clipboard()->clear();
        SetText(QStringLiteral("one two"));
        Select(row.from, row.to);
        Trigger(row.action);
        EXPECT_EQ(Text(), row.text) << row.name;
        EXPECT_EQ(QApplication::clipboard()->text(), row.clipboard) << row.name;
    }
    SetText(QStringLiteral("all\nof it"));
    Trigger("mnuEditSelectAll");
    EXPECT_EQ(Editor()->SelectionStart(), 0);
    EXPECT_EQ(Editor()->SelectionEnd(), Editor()->Length());
}

TEST_F(EditCommandsTest, WordWrapTogglesTheDisplayOnly) {
    SetText(QString(500, QLatin1Char('w')));
    QAction* wrap = window_->MenuAction("mnuFormatWordWrap");
    ASSERT_FALSE(wrap->isChecked());
    wrap->trigger();
    EXPECT_TRUE(wrap->isChecked());
    EXPECT_TRUE(Editor()->IsWrapped());
    wrap->trigger();
    EXPECT_FALSE(wrap->isChecked());
    EXPECT_FALSE(Editor()->IsWrapped());
    EXPECT_EQ(Text(), QString(500, QLatin1Char('w')));
}

TEST(RoundPointSize, HalvesGoToTheEvenNeighbour) {
    const struct {
        int tenths;
        int points;
    } rows[] = {{100, 10}, {105, 10}, {115, 12}, {106, 11}, {104, 10}, {125, 12}, {5, 0}, {15, 2}};
    for (const auto& row : rows)
        EXPECT_EQ(RoundPointSize(row.tenths), row.points) << row.tenths;
}

TEST_F(EditCommandsTest, FontDialogPresetAndChoice) {
    QFont font = Editor()->font();
    font.setPointSize(10);
    Editor()->setFont(font);
    struct Row {
        const char* name;
        double chosenSize;  // 0: the dialog is cancelled
        int expected;
    };
    const Row rows[] = {{"10.5 rounds to 10", 10.5, 10},
                        {"11.5 rounds to 12", 11.5, 12},
                        {"14 stays", 14, 14},
                        {"cancel keeps the font", 0, 14}};
    for (const Row& row : rows) {
        QFont preset;
        ScopedHooks chooser({.chooseFont = [&](QWidget*, const QFont& given, QFont& chosen) {
            preset = given;
            if (row.chosenSize == 0) return false;
            chosen = QFont(QStringLiteral("Monospace"));
            chosen.setPointSizeF(row.chosenSize);
            chosen.setBold(true);  // no style is taken over
            return true;
        }});
        const int before = Editor()->font().pointSize();
        Trigger("mnuFormatFont");
        EXPECT_EQ(preset.pointSize(), before) << row.name;
        EXPECT_EQ(Editor()->font().pointSize(), row.expected) << row.name;
        EXPECT_FALSE(Editor()->font().bold()) << row.name;
    }

    QString name = QString(40, QLatin1Char('N'));
    int size = 10;
    QFont preset;
    ScopedHooks chooser({.chooseFont = [&](QWidget*, const QFont& given, QFont&) {
        preset = given;
        return false;
    }});
    EXPECT_FALSE(ShowFontDialog(nullptr, name, size));
    EXPECT_EQ(preset.family(), QString(31, QLatin1Char('N')));
    EXPECT_EQ(name, QString(40, QLatin1Char('N'))) << "a cancel leaves name and size";
    EXPECT_EQ(size, 10);
}

}  // namespace
