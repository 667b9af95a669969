#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "editor/widgets/DocumentEditor.h"
#include "editor/widgets/EditorBuffer.h"
#include "editor/widgets/MainWindow.h"
#include "helpers/core/IniFile.h"
#include "helpers/widgets/EventPump.h"
#include "helpers/widgets/Prompter.h"
#include "linkfix/widgets/FixDialog.h"
#include "linkfix/widgets/FixRelativeLinks.h"
#include "tests/support/WidgetFakes.h"

using namespace morv;

namespace {

const std::string kReport =
    "[FILE = \"/w/a.htm\"]\r\n\r\n[LINK]\r\nindex.htm\r\n../up.htm\r\n\r\n[IMAGE]\r\n"
    "img/a.gif\r\n\r\n\r\n";
const std::string kFixed =
    "[FILE = \"/w/a.htm\"]\r\n\r\n[LINK]\r\nhttp://www.example.org/docs/index.htm\r\n"
    "http://www.example.org/up.htm\r\n\r\n[IMAGE]\r\nhttp://www.example.org/docs/img/a.gif\r\n"
    "\r\n\r\n";

class FixDialogTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(folder_.isValid());
        main_ = std::make_unique<frmMain>(folder_.path(), folder_.path());
        main_->Rich1()->LoadBytes(kReport);
        main_->State().DocumentModified = false;
    }
    void TearDown() override {
        main_->State().DocumentModified = false;
        main_.reset();
    }

    cINI Ini() const {
        cINI ini;
        ini.FileName = main_->SettingsFile().toStdString();
        ini.AppName = "Fix";
        return ini;
    }
    void Store(const char* root, const char* path, const char* go) {
        Ini().SetINI("Root", root);
        Ini().SetINI("Path", path);
        Ini().SetINI("Goto", go);
    }
    std::unique_ptr<frmFix> Open() {
        auto dialog = std::make_unique<frmFix>(*main_);
        dialog->show();
        return dialog;
    }
    std::string Document() { return DocumentBytes(main_->Rich1()); }

    QTemporaryDir folder_;
    std::unique_ptr<frmMain> main_;
    ScriptedPrompter prompter_;
    ScopedPrompter scoped_{&prompter_};
};

TEST_F(FixDialogTest, ControlsAndCaptions) {
    auto dialog = Open();
    EXPECT_EQ(dialog->objectName(), "frmFix");
    EXPECT_EQ(dialog->windowTitle(), "Fix Relative Links");
    EXPECT_TRUE(dialog->isModal());
    struct Row {
        const char* name;
        const char* text;
    } labels[] = {
        {"lblRoot", "Site's root (required):"},
        {"lblRootExample", "Example: http://www.example.com"},
        {"lblPath", "Current path (optional):"},
        {"lblPathExample", "Example: products/software/games"},
        {"lblApply", "Apply to:"},
        {"lblGoto", "When finished go to:"},
    };
    for (const Row& row : labels) {
        auto* label = dialog->findChild<QLabel*>(row.name);
        ASSERT_NE(label, nullptr) << row.name;
        EXPECT_EQ(label->text(), row.text) << row.name;
    }
    Row buttons[] = {{"cmdOK", "OK"}, {"cmdCancel", "Cancel"}, {"cmdHelp", "Help"}};
    for (const Row& row : buttons) {
        auto* button = dialog->findChild<QPushButton*>(row.name);
        ASSERT_NE(button, nullptr) << row.name;
        EXPECT_EQ(button->text(), row.text) << row.name;
        EXPECT_FALSE(button->accessibleName().isEmpty()) << row.name;
    }
    EXPECT_TRUE(dialog->cmdOK()->isDefault());
    auto items = [](QComboBox* combo) {
        QStringList list;
        for (int i = 0; i < combo->count(); ++i)
            list << combo->itemText(i);
        return list;
    };
    EXPECT_EQ(items(dialog->findChild<QComboBox*>("Combo1")),
              QStringList({"Whole document", "This point forward", "Selection"}));
    EXPECT_EQ(items(dialog->findChild<QComboBox*>("Combo2")),
              QStringList({"First Fixed Position", "Last Fixed Position", "Begin of Document",
                           "End of Document"}));
    for (const char* name : {"txtRoot", "txtPath"})
        EXPECT_FALSE(dialog->findChild<QLineEdit*>(name)->accessibleName().isEmpty()) << name;
}

TEST_F(FixDialogTest, ScopeFollowsTheEditorsSelection) {
    EXPECT_EQ(Open()->Combo1()->currentIndex(), 0);
    EditorBuffer(main_->Rich1()).Select(3, 4);
    EXPECT_EQ(Open()->Combo1()->currentIndex(), 2);
}

TEST_F(FixDialogTest, LoadsStoredSettings) {
    struct Row {
        const char* name;
        const char* root;
        const char* path;
        const char* go;
        const char* shownRoot;
        const char* shownPath;
        int shownGoto;
        FixCaret caret;  // what the run is told
    } rows[] = {
        {"stored values", "ftp://h", "a/b", "3", "ftp://h", "a/b", 3, FixCaret::EndOfDocument},
        {"first choice", "h", "", "0", "h", "", 0, FixCaret::FirstFixedPosition},
        {"no choice: where the scan stops", "h", "", "-1", "h", "", -1,
         FixCaret::LastFixedPosition},
        {"choice out of range: default for it alone", "h", "p", "7", "h", "p", 1,
         FixCaret::LastFixedPosition},
        {"choice not a number: default for it alone", "h", "p", "last", "h", "p", 1,
         FixCaret::LastFixedPosition},
    };
    for (const Row& row : rows) {
        Store(row.root, row.path, row.go);
        auto dialog = Open();
        EXPECT_EQ(dialog->txtRoot()->text(), row.shownRoot) << row.name;
        EXPECT_EQ(dialog->txtPath()->text(), row.shownPath) << row.name;
        EXPECT_EQ(dialog->Combo2()->currentIndex(), row.shownGoto) << row.name;
        EXPECT_EQ(dialog->Caret(), row.caret) << row.name;
        dialog->Unload();
    }
}

TEST_F(FixDialogTest, FirstUseAndSavingOnEveryClose) {
    auto dialog = Open();
    EXPECT_EQ(dialog->txtRoot()->text(), kDefaultFixRoot);
    EXPECT_EQ(dialog->txtPath()->text(), "");
    EXPECT_EQ(dialog->Combo2()->currentIndex(), 1);

    dialog->txtRoot()->setText("www.changed.org");
    dialog->Combo2()->setCurrentIndex(2);
    QTest::mouseClick(dialog->cmdCancel(), Qt::LeftButton);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(Ini().GetINI("Root"), "www.changed.org");
    EXPECT_EQ(Ini().GetINI("Goto"), "2");

    dialog = Open();
    EXPECT_EQ(dialog->txtRoot()->text(), "www.changed.org");
    dialog->txtPath()->setText("docs");
    dialog->close();  // the close box
    EXPECT_EQ(Ini().GetINI("Path"), "docs");
    dialog = Open();
    dialog->txtPath()->setText("esc");
    QTest::keyClick(dialog.get(), Qt::Key_Escape);
    EXPECT_EQ(Ini().GetINI("Path"), "esc");
}

TEST_F(FixDialogTest, BoxesSelectAllOnFocus) {
    auto dialog = Open();
    QApplication::setActiveWindow(dialog.get());
    dialog->txtPath()->setText("products/software");
    dialog->txtRoot()->setFocus();
    QTest::keyClick(dialog->txtRoot(), Qt::Key_Tab);
    QApplication::processEvents();
    EXPECT_TRUE(dialog->txtPath()->hasFocus());
    EXPECT_EQ(dialog->txtPath()->selectedText(), "products/software");
}

TEST_F(FixDialogTest, ChecksBeforeRunning) {
    struct Row {
        const char* name;
        const char* root;
        int scope;
        const char* message;
        int scopeAfter;
        const char* focused;
    } rows[] = {
        {"empty root", "", 0, "Please specify the site's root.", 0, "txtRoot"},
        {"root of blanks", "   ", 1, "Please specify the site's root.", 1, "txtRoot"},
        {"selection without one", "h", 2, "You have to make a selection first. ", 0, "Combo1"},
    };
    for (const Row& row : rows) {
        prompter_.clear();
        auto dialog = Open();
        QApplication::setActiveWindow(dialog.get());
        dialog->txtRoot()->setText(row.root);
        dialog->Combo1()->setCurrentIndex(row.scope);
        QTest::mouseClick(dialog->cmdOK(), Qt::LeftButton);
        ASSERT_EQ(prompter_.asked().size(), 1) << row.name;
        EXPECT_EQ(prompter_.asked()[0].text, row.message) << row.name;
        EXPECT_EQ(prompter_.asked()[0].icon, PromptIcon::Exclamation) << row.name;
        EXPECT_EQ(prompter_.asked()[0].title, "Morvane") << row.name;
        EXPECT_TRUE(dialog->isVisible()) << row.name;
        EXPECT_EQ(dialog->Combo1()->currentIndex(), row.scopeAfter) << row.name;
        EXPECT_EQ(QApplication::focusWidget()->objectName(), row.focused) << row.name;
        EXPECT_EQ(Document(), kReport) << row.name;
        dialog->Unload();
    }
}

TEST_F(FixDialogTest, RunFixesTheDocumentAsOneUndoStep) {
    main_->SetWordWrapMode(1);
    auto dialog = Open();
    dialog->txtRoot()->setText("www.example.org");
    dialog->txtPath()->setText("/docs/");
    dialog->Combo2()->setCurrentIndex(2);  // Begin of Document
    QTest::mouseClick(dialog->cmdOK(), Qt::LeftButton);

    EXPECT_EQ(Document(), kFixed);
    EXPECT_TRUE(prompter_.asked().isEmpty());
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(Ini().GetINI("Root"), "www.example.org");
    EXPECT_EQ(Ini().GetINI("Path"), "/docs/");
    EXPECT_TRUE(main_->isEnabled());
    EXPECT_EQ(main_->findChild<QWidget*>("frmProgress"), nullptr);
    EXPECT_FALSE(main_->Rich3()->isVisible());
    EXPECT_EQ(main_->StatusText(), "Ready");
    EXPECT_TRUE(main_->State().StopRequest);
    EXPECT_TRUE(main_->State().DocumentModified);
    EXPECT_TRUE(main_->Rich1()->IsWrapped());
    EXPECT_EQ(EditorBuffer(main_->Rich1()).SelectionStart(), 0);

    main_->Rich1()->undo();
    EXPECT_EQ(Document(), kReport);
}

TEST_F(FixDialogTest, RunPlacesTheCaretAfterTheSelection) {
    EditorBuffer editor(main_->Rich1());
    const long from = long(kReport.find("../up.htm"));
    editor.Select(from, 4);
    auto dialog = Open();
    dialog->txtRoot()->setText("www.example.org");
    dialog->txtPath()->setText("docs");
    dialog->Combo2()->setCurrentIndex(1);  // Last Fixed Position
    QTest::mouseClick(dialog->cmdOK(), Qt::LeftButton);

    const std::string fixed = kReport.substr(0, size_t(from)) + "http://www.example.org/up.htm" +
                              kReport.substr(size_t(from) + 9);
    EXPECT_EQ(Document(), fixed);
    EXPECT_EQ(editor.SelectionStart(), from + 29);
    EXPECT_EQ(editor.SelectionLength(), 0);
}

TEST_F(FixDialogTest, CancelInTheProgressWindowStopsTheRun) {
    std::string report = "[LINK]";
    for (int i = 0; i < 60000; ++i)
        report += "\r\npage" + std::to_string(i) + ".htm";
    main_->Rich1()->LoadBytes(report);
    auto dialog = Open();
    dialog->txtRoot()->setText("h");
    bool cancelEnabled = false;
    bool mainEnabled = true;
    bool dialogShown = true;
    int step = 0;
    auto pressCancel = [&] {
        if (++step != 10) return;  // a few lines into the run
        auto* progress = main_->findChild<QWidget*>("frmProgress");
        ASSERT_NE(progress, nullptr);
        auto* cancel = progress->findChild<QPushButton*>("cmdCancel");
        cancelEnabled = cancel->isEnabled() && progress->isVisible();
        mainEnabled = main_->isEnabled();
        dialogShown = dialog->isVisible();
        QTest::mouseClick(cancel, Qt::LeftButton);
    };
    ScopedHooks pump({.eachStep = pressCancel, .pollIntervals = kPollAtEveryStep});
    QTest::mouseClick(dialog->cmdOK(), Qt::LeftButton);

    EXPECT_TRUE(cancelEnabled);
    EXPECT_FALSE(mainEnabled);
    EXPECT_FALSE(dialogShown);
    const std::string after = Document();
    EXPECT_TRUE(after.starts_with("[LINK]\r\nhttp://h/page0.htm\r\n"));
    EXPECT_TRUE(after.ends_with("\r\npage59999.htm"));  // stopped before the end
    EXPECT_TRUE(prompter_.asked().isEmpty());
    EXPECT_TRUE(main_->isEnabled());
    EXPECT_TRUE(main_->State().StopRequest);
    main_->Rich1()->undo();
    EXPECT_EQ(Document(), report);
}

TEST_F(FixDialogTest, ReportWithoutSectionsIsToldAndKept) {
    const std::string plain = "[FILE = \"a\"]\r\n\r\n[STYLE]\r\nb.css\r\n";
    main_->Rich1()->LoadBytes(plain);
    main_->State().DocumentModified = false;
    auto dialog = Open();
    QTest::mouseClick(dialog->cmdOK(), Qt::LeftButton);
    ASSERT_EQ(prompter_.asked().size(), 1);
    EXPECT_EQ(prompter_.asked()[0].text,
              "Unable to perform requested operation.\r\n\r\nThere is no [LINK] or [IMAGE] "
              "section detected.");
    EXPECT_EQ(prompter_.asked()[0].icon, PromptIcon::Exclamation);
    EXPECT_EQ(Document(), plain);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_TRUE(main_->isEnabled());
    EXPECT_FALSE(main_->State().DocumentModified);
}

TEST_F(FixDialogTest, CommandOpensTheDialogAndHelpShowsItsTopic) {
    EXPECT_FALSE(main_->MenuAction("mnuActionsFix")->isEnabled());
    InstallLinkfixCommands(*main_);
    main_->RefreshCommandStates();
    ASSERT_TRUE(main_->MenuAction("mnuActionsFix")->isEnabled());
    QString topic;
    main_->Commands().helpTopic = [&topic](const QString& name) { topic = name; };

    bool seen = false;
    QTimer::singleShot(0, main_.get(), [&] {
        auto* dialog = main_->findChild<frmFix*>("frmFix");
        ASSERT_NE(dialog, nullptr);
        seen = dialog->isVisible();
        QTest::mouseClick(dialog->cmdHelp(), Qt::LeftButton);
        QTest::mouseClick(dialog->cmdCancel(), Qt::LeftButton);
    });
    main_->MenuAction("mnuActionsFix")->trigger();
    EXPECT_TRUE(seen);
    EXPECT_EQ(topic, "actions_fix.htm");
    EXPECT_EQ(main_->findChild<frmFix*>("frmFix"), nullptr);
}

}  // namespace
