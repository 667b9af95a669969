#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <string>

#include "editor/widgets/DocumentEditor.h"
#include "editor/widgets/EditorBuffer.h"
#include "editor/widgets/MainWindow.h"
#include "helpers/widgets/Prompter.h"
#include "search/widgets/FindDialogs.h"
#include "tests/support/WidgetFakes.h"

using namespace morv;

namespace {

class SearchWidgets : public ::testing::Test {
  protected:
    void SetUp() override {
        main_ = std::make_unique<frmMain>(dir_.path(), dir_.path());
        InstallSearchCommands(*main_);
        main_->show();
        scoped_ = std::make_unique<ScopedPrompter>(&prompter_);
    }
    void TearDown() override {
        main_.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void Load(const std::string& text) {
        main_->Rich1()->LoadBytes(text);
        main_->Rich1()->EmptyUndoBuffer();
    }
    std::string Bytes() { return DocumentBytes(main_->Rich1()); }
    EditorBuffer Buffer() { return EditorBuffer(main_->Rich1()); }
    SearchState& State() { return SearchStateOf(*main_); }
    void Trigger(const char* action) { main_->MenuAction(action)->trigger(); }
    template <typename Dialog>
    Dialog* Open(const char* name) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return main_->findChild<Dialog*>(QLatin1String(name));
    }
    static void Click(QWidget* dialog, const char* button) {
        QTest::mouseClick(dialog->findChild<QPushButton*>(QLatin1String(button)), Qt::LeftButton);
    }
    static void Fill(QWidget* dialog, const char* field, const QString& text) {
        dialog->findChild<QLineEdit*>(QLatin1String(field))->setText(text);
    }

    QTemporaryDir dir_;
    std::unique_ptr<frmMain> main_;
    ScriptedPrompter prompter_;
    std::unique_ptr<ScopedPrompter> scoped_;
};

TEST_F(SearchWidgets, DialogsCarryTheirControls) {
    struct Row {
        const char* action;
        const char* dialog;
        const char* caption;
        QStringList labels;
        QStringList buttons;  // object name = caption
    } rows[] = {
        {"mnuSearchFind",
         "frmFind",
         "Find",
         {"Find what:"},
         {"cmdFind=Find Next", "cmdReplace=Replace ..", "cmdClose=Close"}},
        {"mnuSearchReplace",
         "frmReplace",
         "Replace",
         {"Find what:", "Replace with:"},
         {"cmdFind=Find Next", "cmdReplace=Replace", "cmdReplaceAll=Replace All",
          "cmdClose=Close"}},
    };
    for (const Row& row : rows) {
        Trigger(row.action);
        QDialog* dialog = Open<QDialog>(row.dialog);
        ASSERT_NE(dialog, nullptr) << row.dialog;
        EXPECT_EQ(dialog->windowTitle(), row.caption);
        EXPECT_FALSE(dialog->isModal());
        EXPECT_EQ(dialog->parentWidget(), main_.get());
        QStringList labels;
        for (QLabel* label : dialog->findChildren<QLabel*>("Label1"))
            labels << label->text();
        EXPECT_EQ(labels, row.labels) << row.dialog;
        for (const QString& pair : row.buttons) {
            const QStringList parts = pair.split('=');
            auto* button = dialog->findChild<QPushButton*>(parts[0]);
            ASSERT_NE(button, nullptr) << row.dialog << " " << parts[0].toStdString();
            EXPECT_EQ(button->text(), parts[1]);
            EXPECT_FALSE(button->accessibleName().isEmpty());
        }
        EXPECT_TRUE(dialog->findChild<QPushButton*>("cmdFind")->isDefault());
        EXPECT_EQ(dialog->findChild<QCheckBox*>("chkMatchCase")->text(), "Match case");
        EXPECT_EQ(dialog->findChild<QCheckBox*>("chkWholeWord")->text(), "Find whole word only");
        EXPECT_FALSE(dialog->findChild<QCheckBox*>("chkMatchCase")->isChecked());
    }
    // Opening one closes the other.
    EXPECT_FALSE(State().FindOpen);
    EXPECT_TRUE(State().ReplaceOpen);
    EXPECT_EQ(Open<QDialog>("frmFind"), nullptr);
}

TEST_F(SearchWidgets, LoadingTakesTheSelectionOrTheLastText) {
    Load("alpha beta");
    State().LastFindText = "gamma";
    Trigger("mnuSearchFind");
    EXPECT_EQ(Open<frmFind>("frmFind")->Text1()->text(), "gamma");
    Buffer().Select(6, 4);
    Trigger("mnuSearchFind");
    frmFind* dialog = Open<frmFind>("frmFind");
    EXPECT_EQ(dialog->Text1()->text(), "beta");

    // Coming back to the field selects its whole text, ready to be typed over.
    QApplication::setActiveWindow(dialog);
    dialog->findChild<QCheckBox*>("chkMatchCase")->setFocus();
    dialog->Text1()->deselect();
    dialog->Text1()->setFocus(Qt::MouseFocusReason);
    EXPECT_TRUE(QTest::qWaitFor([&] { return dialog->Text1()->selectedText() == "beta"; }, 1000));
}

TEST_F(SearchWidgets, FindNextInTheDialogs) {
    struct Row {
        const char* name;
        const char* dialog;
        std::string text;
        QString sought;
        bool matchCase, wholeWord;
        long selStart;  // -1: nothing found
        QString message;
    } rows[] = {
        {"starts one after the caret", "mnuSearchFind", "word and word", "word", false, false, 9,
         ""},
        {"case ignored", "mnuSearchFind", "x Word", "word", false, false, 2, ""},
        {"match case", "mnuSearchFind", "x Word word", "word", true, false, 7, ""},
        {"whole word", "mnuSearchFind", "x words word_ word", "word", false, true, 14, ""},
        {"find dialog: end of document", "mnuSearchFind", "nothing", "word", false, false, -1,
         "Finished searching through the end of document."},
        {"replace dialog: through the document", "mnuSearchReplace", "nothing", "word", false,
         false, -1, "Finished searching through the document."},
    };
    for (const Row& row : rows) {
        Load(row.text);
        prompter_.clear();
        State().LastFindText = "previous";
        Trigger(row.dialog);
        auto* dialog =
            Open<QDialog>(row.dialog == std::string("mnuSearchFind") ? "frmFind" : "frmReplace");
        Fill(dialog, "Text1", row.sought);
        dialog->findChild<QCheckBox*>("chkMatchCase")->setChecked(row.matchCase);
        dialog->findChild<QCheckBox*>("chkWholeWord")->setChecked(row.wholeWord);
        Click(dialog, "cmdFind");
        if (row.selStart >= 0) {
            EXPECT_EQ(Buffer().SelectionStart(), row.selStart) << row.name;
            EXPECT_EQ(Buffer().SelectionLength(), row.sought.size()) << row.name;
            EXPECT_EQ(State().LastFindText, row.sought) << row.name;
            EXPECT_TRUE(prompter_.asked().isEmpty()) << row.name;
        } else {
            ASSERT_EQ(prompter_.asked().size(), 1) << row.name;
            EXPECT_EQ(prompter_.asked()[0].text, row.message) << row.name;
            EXPECT_EQ(prompter_.asked()[0].icon, PromptIcon::Information) << row.name;
            EXPECT_TRUE(State().LastFindText.isEmpty()) << row.name;
            EXPECT_EQ(Buffer().SelectionStart(), 0) << row.name;
        }
    }
}

TEST_F(SearchWidgets, ReplaceOneAtATime) {
    Load("cat cat cat");
    Trigger("mnuSearchReplace");
    auto* dialog = Open<frmReplace>("frmReplace");
    Fill(dialog, "Text1", "cat");
    Fill(dialog, "Text2", "dog");
    Click(dialog, "cmdFind");  // selects the second cat: the search starts at offset 1
    EXPECT_EQ(Buffer().SelectionStart(), 4);
    Click(dialog, "cmdReplace");  // replaces the selected match and selects the next
    EXPECT_EQ(Bytes(), "cat dog cat");
    EXPECT_EQ(Buffer().SelectionStart(), 8);
    EXPECT_EQ(Buffer().SelectedText(), "cat");
    Click(dialog, "cmdReplace");
    EXPECT_EQ(Bytes(), "cat dog dog");
    EXPECT_TRUE(prompter_.asked().isEmpty());
    Click(dialog, "cmdReplace");
    ASSERT_EQ(prompter_.asked().size(), 1);
    EXPECT_EQ(prompter_.asked()[0].text, "Finished searching through the document.");
    EXPECT_EQ(Bytes(), "cat dog dog");
}

TEST_F(SearchWidgets, ReplaceAllIsOneUndoStep) {
    struct Row {
        const char* name;
        std::string text;
        QString sought, replacement;
        std::string after;
    } rows[] = {
        {"four a's", "aaaa", "a", "b", "baba"},
        {"replacement holds the text", "a\r\na", "a", "aa", "aa\r\naa"},
        {"nothing found", "xyz", "a", "b", "xyz"},
        {"non-ASCII text", "caf\xc3\xa9 caf\xc3\xa9", "caf\xc3\xa9", "bar", "bar bar"},
    };
    for (const Row& row : rows) {
        Load(row.text);
        Trigger("mnuSearchReplace");
        auto* dialog = Open<frmReplace>("frmReplace");
        Fill(dialog, "Text1", row.sought);
        Fill(dialog, "Text2", row.replacement);
        Click(dialog, "cmdReplaceAll");
        EXPECT_EQ(Bytes(), row.after) << row.name;
        EXPECT_TRUE(prompter_.asked().isEmpty()) << row.name;
        main_->Rich1()->undo();
        EXPECT_EQ(Bytes(), row.text) << row.name;
    }
}

TEST_F(SearchWidgets, TextTheDocumentCannotHold) {
    // Not UTF-8, so a single-byte document: "\xe9" is one character.
    const std::string text = "caf\xe9 ? x";
    Load(text);
    Trigger("mnuSearchReplace");
    auto* dialog = Open<frmReplace>("frmReplace");
    // A character the document cannot store is not found, even where it would be written "?".
    Fill(dialog, "Text1", QString::fromUtf8("\xe6\xbc\xa2"));
    Click(dialog, "cmdFind");
    ASSERT_EQ(prompter_.asked().size(), 1);
    EXPECT_EQ(prompter_.asked()[0].text, "Finished searching through the document.");
    EXPECT_EQ(Buffer().SelectionLength(), 0);

    // Nor is one put in as "?" by a replacement.
    prompter_.clear();
    Fill(dialog, "Text1", QString::fromUtf8("caf\xc3\xa9"));
    Fill(dialog, "Text2", QString::fromUtf8("\xe6\xbc\xa2"));
    Click(dialog, "cmdReplaceAll");
    ASSERT_EQ(prompter_.asked().size(), 1);
    EXPECT_EQ(prompter_.asked()[0].icon, PromptIcon::Exclamation);
    EXPECT_EQ(Bytes(), text);

    // Characters it can hold are found in its own bytes.
    prompter_.clear();
    Fill(dialog, "Text2", "tea");
    Click(dialog, "cmdReplaceAll");
    EXPECT_TRUE(prompter_.asked().isEmpty());
    EXPECT_EQ(Bytes(), "tea ? x");
}

TEST_F(SearchWidgets, FindNextFromTheMenu) {
    Load("Needle needle NEEDLE");
    // Without a last text it opens the Find dialog.
    Trigger("mnuSearchFindNext");
    ASSERT_NE(Open<frmFind>("frmFind"), nullptr);
    EXPECT_TRUE(State().FindOpen);

    // A case-sensitive dialog search does not make F3 case-sensitive.
    auto* dialog = Open<frmFind>("frmFind");
    Fill(dialog, "Text1", "needle");
    dialog->findChild<QCheckBox*>("chkMatchCase")->setChecked(true);
    Click(dialog, "cmdFind");
    EXPECT_EQ(Buffer().SelectionStart(), 7);
    EXPECT_EQ(main_->MenuAction("mnuSearchFindNext")->shortcut(), QKeySequence("F3"));
    Trigger("mnuSearchFindNext");
    EXPECT_EQ(Buffer().SelectionStart(), 14);
    Trigger("mnuSearchFindNext");
    ASSERT_EQ(prompter_.asked().size(), 1);
    EXPECT_EQ(prompter_.asked()[0].text, "Finished searching through the end of document.");
    EXPECT_TRUE(State().LastFindText.isEmpty());
    EXPECT_EQ(Buffer().SelectionStart(), 14);
}

TEST_F(SearchWidgets, SwitchingAndClosing) {
    Load("one two");
    Trigger("mnuSearchFind");
    auto* find = Open<frmFind>("frmFind");
    Fill(find, "Text1", "two");
    find->findChild<QCheckBox*>("chkWholeWord")->setChecked(true);
    Click(find, "cmdReplace");
    auto* replace = Open<frmReplace>("frmReplace");
    ASSERT_NE(replace, nullptr);
    EXPECT_EQ(Open<frmFind>("frmFind"), nullptr);
    EXPECT_FALSE(State().FindOpen);
    EXPECT_TRUE(State().ReplaceOpen);
    EXPECT_EQ(replace->Text1()->text(), "two");
    EXPECT_TRUE(replace->findChild<QCheckBox*>("chkWholeWord")->isChecked());
    EXPECT_FALSE(replace->findChild<QCheckBox*>("chkMatchCase")->isChecked());

    // Esc unloads it like Close does.
    QTest::keyClick(replace, Qt::Key_Escape);
    EXPECT_FALSE(State().ReplaceOpen);
    EXPECT_EQ(Open<frmReplace>("frmReplace"), nullptr);

    Trigger("mnuSearchFind");
    Click(Open<frmFind>("frmFind"), "cmdClose");
    EXPECT_FALSE(State().FindOpen);
    EXPECT_EQ(Open<frmFind>("frmFind"), nullptr);

    // An empty text searches nothing.
    Trigger("mnuSearchFind");
    auto* empty = Open<frmFind>("frmFind");
    Fill(empty, "Text1", "");
    Click(empty, "cmdFind");
    EXPECT_TRUE(prompter_.asked().isEmpty());
}

}  // namespace
