#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QTreeWidget>

#include <sys/stat.h>

#include <fstream>
#include <sstream>
#include <stdexcept>

#include <gtest/gtest.h>

#include "editor/widgets/DocumentEditor.h"
#include "editor/widgets/LongOperation.h"
#include "editor/widgets/MainWindow.h"
#include "editor/widgets/MorvStartup.h"
#include "helpers/core/IniFile.h"
#include "helpers/widgets/Prompter.h"
#include "services/widgets/ProgressWindow.h"
#include "tests/support/SpecialFiles.h"
#include "tests/support/WidgetFakes.h"

using namespace morv;

namespace {

class MainWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(folder_.isValid());
        window_ = std::make_unique<frmMain>(folder_.path(), folder_.path());
    }
    void TearDown() override {
        window_->State().DocumentModified = false;
        window_.reset();
    }

    QString PathOf(const QString& name) const { return folder_.filePath(name); }
    void WriteFile(const QString& name, const std::string& content) {
        std::ofstream(PathOf(name).toStdString(), std::ios::binary) << content;
    }
    std::string Ini(const char* section, const char* key) {
        cINI ini;
        ini.FileName = window_->SettingsFile().toStdString();
        ini.AppName = section;
        return ini.GetINI(key, "<missing>");
    }
    QAction* Button(const char* key) { return window_->ToolbarAction(key); }

    QTemporaryDir folder_;
    std::unique_ptr<frmMain> window_;
    ScriptedPrompter prompter_;
    ScopedPrompter scoped_{&prompter_};
};

TEST_F(MainWindowTest, MenuCaptionsAndShortcuts) {
    struct Row {
        const char* name;
        const char* caption;
        const char* shortcut;
    } rows[] = {
        {"mnuFileNew", "New ..              ", "Ctrl+N"},
        {"mnuFileReOpen", "Reopen ..", ""},
        {"mnuEditUndo", "Undo                ", "Ctrl+Z"},
        {"mnuEditDelete", "Delete", "Del"},
        {"mnuEditClear", "Clear", "Shift+Del"},
        {"mnuSearchFind", "Find ..             ", "Ctrl+F"},
        {"mnuSearchFindNext", "Find Next", "F3"},
        {"mnuSearchReplace", "Replace ..", "Ctrl+R"},
        {"mnuActionsRemove", "Remove Empty-Lines ..", ""},
        {"mnuActionRename", "Rename Files ..", ""},
        {"mnuOptionsDefaults", "Set Installation Defaults ..", ""},
        {"mnuHelpContents", "Contents", "F1"},
        {"mnuHelpAbout", "About Morvane", ""},
    };
    for (const Row& row : rows) {
        QAction* action = window_->MenuAction(row.name);
        ASSERT_NE(action, nullptr) << row.name;
        EXPECT_EQ(action->text(), row.caption) << row.name;
        EXPECT_EQ(action->shortcut(), QKeySequence(row.shortcut)) << row.name;
    }
    QStringList menus;
    for (QAction* action : window_->menuBar()->actions())
        menus << action->text();
    EXPECT_EQ(menus,
              QStringList({"File", "Edit", "Search", "Format", "Actions", "Options", "Help"}));
    EXPECT_FALSE(window_->MenuAction("mnuActionsDownload")->isVisible());
}

TEST_F(MainWindowTest, ToolbarKeysAndTooltipsInOrder) {
    QStringList keys, tips;
    for (QAction* action : window_->Toolbar1()->actions()) {
        if (action->isSeparator()) {
            keys << "|";
            continue;
        }
        keys << action->property("key").toString();
        tips << action->toolTip();
    }
    EXPECT_EQ(keys.join(" "),
              "| new open save print | pane tree | find clear | cut copy paste undo | extract fix "
              "nosection noempty | help");
    EXPECT_EQ(tips.first(), " New ");
    EXPECT_TRUE(tips.contains(" Show Section Pane "));
    EXPECT_TRUE(tips.contains(" Remove Empty-Lines "));
}

TEST_F(MainWindowTest, EmptyHooksDisableTheirCommands) {
    EXPECT_FALSE(window_->MenuAction("mnuActionsExtract")->isEnabled());
    EXPECT_FALSE(Button("extract")->isEnabled());
    int runs = 0;
    window_->Commands().extract = [&] { ++runs; };
    window_->RefreshCommandStates();
    EXPECT_TRUE(Button("extract")->isEnabled());
    window_->Toolbar1ButtonClick("extract");
    window_->MenuAction("mnuActionsExtract")->trigger();
    window_->Toolbar1ButtonClick("EXTRACT");  // keys match exactly
    EXPECT_EQ(runs, 2);
}

// Menu item and toolbar button are one action: either runs the command's hook once, and the
// commands that open a dialog of their own close Find and Replace first.
TEST_F(MainWindowTest, MenuAndToolbarRunTheSameCommand) {
    MainCommands& c = window_->Commands();
    int closed = 0, runs = 0;
    c.closeFindReplace = [&] { ++closed; };
    struct Row {
        const char* menu;
        const char* key;  // "" when it has no button
        std::function<void()> MainCommands::*hook;
        bool closes;
    } rows[] = {
        {"mnuFileNew", "new", &MainCommands::fileNew, false},
        {"mnuFilePrint", "print", &MainCommands::print, true},
        {"mnuSearchFind", "find", &MainCommands::find, true},
        {"mnuSearchReplace", "", &MainCommands::replace, true},
        {"mnuEditClear", "clear", &MainCommands::clear, false},
        {"mnuActionsExtract", "extract", &MainCommands::extract, true},
        {"mnuActionsFix", "fix", &MainCommands::fix, true},
        {"mnuActionsCheckLinks", "", &MainCommands::checkLinks, true},
        {"mnuActionsRemove", "noempty", &MainCommands::removeEmpty, false},
        {"mnuHelpContents", "help", &MainCommands::helpContents, false},
    };
    for (const Row& row : rows)
        c.*row.hook = [&] { ++runs; };
    window_->RefreshCommandStates();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.menu);
        QAction* item = window_->MenuAction(row.menu);
        if (*row.key != '\0') {
            EXPECT_EQ(Button(row.key), item);
        }
        closed = runs = 0;
        item->trigger();
        EXPECT_EQ(runs, 1);
        EXPECT_EQ(closed, row.closes ? 1 : 0);
    }
}

TEST_F(MainWindowTest, PaneAndTreeButtons) {
    window_->show();
    QAction* pane = Button("pane");
    pane->trigger();
    EXPECT_TRUE(window_->IsSectionsPaneShown());
    EXPECT_EQ(pane->toolTip(), " Hide Sections Pane ");
    pane->trigger();
    EXPECT_FALSE(window_->IsSectionsPaneShown());
    EXPECT_EQ(pane->toolTip(), " Show Sections Pane ");

    bool built = false;
    window_->Commands().retrieveTree = [&] { built = true; };
    window_->RefreshCommandStates();
    window_->Toolbar1ButtonClick("tree");
    EXPECT_TRUE(built);
    EXPECT_TRUE(window_->IsSectionsPaneShown());
    EXPECT_TRUE(pane->isChecked());
    EXPECT_EQ(window_->picPad()->width(),
              window_->centralWidget()->width() - window_->picTree()->width());
}

// A screen reader toggles the pane button without clicking it: the pane follows all the same,
// and the button's name follows the pane.
TEST_F(MainWindowTest, PaneButtonThroughTheAccessibilityAction) {
    window_->show();
    QWidget* button = window_->Toolbar1()->findChild<QWidget*>("pane");
    ASSERT_NE(button, nullptr);
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(button);
    ASSERT_NE(accessible, nullptr);
    ASSERT_NE(accessible->actionInterface(), nullptr);
    EXPECT_EQ(accessible->text(QAccessible::Name), "Show Section Pane");
    for (const bool shown : {true, false}) {
        accessible->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
        EXPECT_EQ(window_->IsSectionsPaneShown(), shown);
        EXPECT_EQ(accessible->text(QAccessible::Name),
                  shown ? "Hide Sections Pane" : "Show Sections Pane");
        EXPECT_EQ(button->toolTip(), shown ? " Hide Sections Pane " : " Show Sections Pane ");
    }
}

TEST_F(MainWindowTest, NarrowWindowKeepsEditorWidthWhenPaneShows) {
    window_->show();
    window_->resize(100, 300);
    QApplication::processEvents();
    const int before = window_->picPad()->width();
    window_->ShowSectionsPane(true);
    EXPECT_EQ(window_->picPad()->width(), before);
}

TEST_F(MainWindowTest, AnyKeySetsStopRequest) {
    window_->show();
    window_->State().StopRequest = false;
    QTest::keyClick(window_->Rich1(), Qt::Key_X);
    EXPECT_TRUE(window_->State().StopRequest);
    window_->State().StopRequest = false;
    QTest::keyClick(window_->TreeView1(), Qt::Key_Escape);
    EXPECT_TRUE(window_->State().StopRequest);
}

TEST_F(MainWindowTest, InsertKeyTogglesOvertypeAndThePanelFollows) {
    window_->show();
    window_->Rich1()->LoadBytes("abc");
    window_->Rich1()->SetSelection(0, 0);
    auto* panel = window_->findChild<QLabel*>("InsPanel");
    for (bool overtype : {true, false}) {
        QTest::keyClick(window_->Rich1(), Qt::Key_Insert);
        QApplication::processEvents();
        EXPECT_EQ(window_->Rich1()->overwriteMode(), overtype);
        EXPECT_EQ(panel->isEnabled(), !overtype);
    }
    QTest::keyClick(window_->Rich1(), Qt::Key_Insert);
    QTest::keyClicks(window_->Rich1(), "X");
    EXPECT_EQ(window_->Rich1()->Text(), "Xbc") << "typing replaces in overtype";
}

TEST_F(MainWindowTest, RightClickInTheTextOpensTheEditMenu) {
    window_->show();
    QWidget* text = window_->Rich1()->viewport();
    QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(5, 5),
                            text->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(text, &click);
    auto* menu = window_->findChild<QMenu*>("mnuEdit");
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(menu->isVisible());
    menu->hide();
}

TEST_F(MainWindowTest, StartupDocumentCaptions) {
    WriteFile("index.htm", "<p>hello</p>\r\n");
    WriteFile("ro.htm", "x");
    QFile::setPermissions(PathOf("ro.htm"), QFile::ReadOwner | QFile::ReadGroup);
    WriteFile("report.rtf", "{\\rtf1 {\\b bold} text\\par}");
    struct Row {
        const char* name;
        QString argument;
        QString caption;
        std::string text;
    } rows[] = {
        {"plain file", "\"" + PathOf("index.htm") + "\"", "index.htm - Morvane",
         "<p>hello</p>\r\n"},
        {"read-only", PathOf("ro.htm"), "ro.htm [Read-only] - Morvane", "x"},
        {"rtf shown as text", PathOf("report.rtf"), "report.rtf - Morvane", "bold text"},
        {"missing", PathOf("none.htm"), "Untitled - Morvane", ""},
    };
    for (const Row& row : rows) {
        auto window = std::make_unique<frmMain>(folder_.path(), folder_.path());
        LoadMainWindow(*window, row.argument.toStdString());
        EXPECT_EQ(window->windowTitle(), row.caption) << row.name;
        EXPECT_EQ(window->Rich1()->Bytes(), row.text) << row.name;
        EXPECT_EQ(window->StatusText(), "Ready") << row.name;
        window->State().DocumentModified = false;
    }
    EXPECT_TRUE(prompter_.asked().isEmpty());
}

TEST_F(MainWindowTest, UnreadableStartupFileSaysWhyAndWindowOpens) {
    // A folder cannot be read as a file, even by root.
    QDir(folder_.path()).mkdir("folder.htm");
    LoadMainWindow(*window_, PathOf("folder.htm").toStdString());
    ASSERT_EQ(prompter_.asked().size(), 1);
    EXPECT_EQ(prompter_.asked()[0].text,
              "Unable to read \"" + PathOf("folder.htm") + "\" (Is a directory).");
    EXPECT_EQ(prompter_.asked()[0].icon, PromptIcon::Exclamation);
    EXPECT_EQ(prompter_.asked()[0].title, "Morvane");
    EXPECT_TRUE(window_->isVisible());
    // Untitled, so that a Save cannot write the empty text over the file.
    EXPECT_TRUE(window_->State().DocumentFile.isEmpty());
    EXPECT_EQ(window_->windowTitle(), "Untitled - Morvane");
}

// A pipe or a device as the settings file or the document never keeps the window from opening:
// the settings read as missing and are not written into it, the document's failure names what
// it is.
TEST_F(MainWindowTest, PipesAndDevicesNeverKeepTheWindowFromOpening) {
    using namespace special_files;
    const std::string settings = window_->SettingsFile().toStdString();
    const std::string document = PathOf("page.htm").toStdString();
    for (const bool pipe : {true, false}) {
        SCOPED_TRACE(pipe ? "pipe" : "zero device");
        unlink(settings.c_str());
        unlink(document.c_str());
        auto make = [&](const std::string& p) {
            return pipe ? MakeFifo(p) : MakeDevice(p, kZeroDevice);
        };
        if (!make(settings) || !make(document)) continue;  // device nodes need root
        prompter_.clear();
        window_ = std::make_unique<frmMain>(folder_.path(), folder_.path());
        LoadMainWindow(*window_, document);
        EXPECT_TRUE(window_->isVisible());
        ASSERT_EQ(prompter_.asked().size(), 1);
        EXPECT_TRUE(prompter_.asked()[0].text.endsWith(pipe ? "(Is a named pipe, not a file)."
                                                            : "(Is a device, not a file)."));
        EXPECT_EQ(Ini("Main", "Width"), "<missing>");
        window_->SaveSettings();
        struct stat st {};
        EXPECT_TRUE(lstat(settings.c_str(), &st) == 0 &&
                    (S_ISFIFO(st.st_mode) || S_ISCHR(st.st_mode)));
    }
}

TEST_F(MainWindowTest, SettingsReadRules) {
    struct Row {
        const char* name;
        std::string ini;
        bool maximized;
        bool wrap;
        int fontSize;
    } rows[] = {
        {"defaults", "", false, false, 10},
        {"word wrap only for 1", "[Main]\r\nWordWrap=yes\r\n", false, false, 10},
        {"word wrap on", "[Main]\r\nWordWrap=1\r\nFontSize=12\r\n", false, true, 12},
        {"state 1.0 maximises", "[Main]\r\nState=1.0\r\n", true, false, 10},
        {"state 2 does not", "[Main]\r\nState=2\r\n", false, false, 10},
        {"garbage is skipped", "[Main]\r\nWidth=abc\r\nFontSize=x\r\nWordWrap=1\r\n", false, true,
         10},
    };
    for (const Row& row : rows) {
        WriteFile("morv.ini", row.ini);
        frmMain window(folder_.path(), folder_.path());
        window.LoadSettings();
        EXPECT_EQ(window.windowState().testFlag(Qt::WindowMaximized), row.maximized) << row.name;
        EXPECT_EQ(window.IsWordWrapOn(), row.wrap) << row.name;
        EXPECT_EQ(window.Rich1()->IsWrapped(), row.wrap) << row.name;
        EXPECT_EQ(window.Rich1()->font().pointSize(), row.fontSize) << row.name;
    }
}

TEST_F(MainWindowTest, SettingsWrittenOnClose) {
    window_->show();
    window_->State().LastPath = "/srv/site";
    window_->resize(window_->TwipsToPixelsX(9000), window_->TwipsToPixelsY(6000));
    window_->close();
    EXPECT_EQ(Ini("General", "Version"), "1.0");
    EXPECT_EQ(Ini("General", "LastPath"), "/srv/site");
    EXPECT_EQ(Ini("Main", "State"), "0");
    EXPECT_EQ(Ini("Main", "Width"), "9000");
    EXPECT_EQ(Ini("Main", "WordWrap"), "0");
    EXPECT_EQ(Ini("Main", "FontSize"), "10");
    EXPECT_NE(Ini("Main", "FontName"), "<missing>");
}

TEST_F(MainWindowTest, MaximisedCloseKeepsStoredSize) {
    WriteFile("morv.ini", "[Main]\r\nWidth=7777\r\n");
    window_->showMaximized();
    window_->setWindowState(Qt::WindowMaximized);
    window_->close();
    EXPECT_EQ(Ini("Main", "State"), "1");
    EXPECT_EQ(Ini("Main", "Width"), "7777");
}

TEST_F(MainWindowTest, InstallationDefaultsKeepModifiedState) {
    for (bool modified : {true, false}) {
        prompter_.Push(PromptAnswer::Yes);
        window_->Rich1()->setFont(QFont("Serif", 15));
        window_->State().DocumentModified = modified;
        window_->MenuAction("mnuOptionsDefaults")->trigger();
        EXPECT_EQ(window_->State().DocumentModified, modified);
        EXPECT_EQ(window_->Rich1()->font().pointSize(), 10);
        EXPECT_EQ(Ini("Main", "FontSize"), "10");
    }
    EXPECT_EQ(prompter_.asked().last().text,
              "Replace current settings with the installation default settings?");
    prompter_.Push(PromptAnswer::No);
    window_->Rich1()->setFont(QFont("Serif", 15));
    window_->MenuAction("mnuOptionsDefaults")->trigger();
    EXPECT_EQ(window_->Rich1()->font().pointSize(), 15);
}

TEST_F(MainWindowTest, CloseAsksOnlyWhenModified) {
    window_->show();
    EXPECT_TRUE(window_->close());
    EXPECT_TRUE(prompter_.asked().isEmpty());

    window_->show();
    window_->Rich1()->ReplaceRange(0, 0, "changed");
    EXPECT_TRUE(window_->State().DocumentModified);
    prompter_.Push(PromptAnswer::Cancel);
    EXPECT_FALSE(window_->close());
    EXPECT_EQ(prompter_.asked().last().text,
              "The text in the Untitled file has changed.\r\n\r\nDo you want to save the changes?");
    prompter_.Push(PromptAnswer::No);
    EXPECT_TRUE(window_->close());

    // Disabled under a running operation: the close box does nothing and asks nothing.
    window_->show();
    window_->setEnabled(false);
    EXPECT_FALSE(window_->close());
    EXPECT_EQ(prompter_.asked().size(), 2);
}

TEST_F(MainWindowTest, RenameFilesWithoutTreloSaysSo) {
    window_->MenuAction("mnuActionRename")->trigger();
    ASSERT_EQ(prompter_.asked().size(), 1);
    EXPECT_EQ(prompter_.asked()[0].text, "No such file or directory");
    EXPECT_EQ(prompter_.asked()[0].icon, PromptIcon::Exclamation);
}

TEST_F(MainWindowTest, CoverHidesEditorOnlyDuringOperation) {
    window_->show();
    window_->CoverEditor(true);
    EXPECT_TRUE(window_->Rich3()->isVisible());
    EXPECT_EQ(window_->Rich3()->geometry(), window_->Rich1()->geometry());
    window_->CoverEditor(false);
    EXPECT_FALSE(window_->Rich3()->isVisible());
}

// Whatever a long operation changed about the windows comes back however it ends: normally, or
// by an exception out of its scope. Cancel in its progress window stops it at the next step.
TEST_F(MainWindowTest, LongOperationPutsEveryWindowBack) {
    window_->show();
    struct Row {
        const char* name;
        LongOperation::Setup setup;
        bool throws;
    } rows[] = {
        {"progress window", {.status = "Working...", .cover = true, .progressWindow = true}, false},
        {"painting suspended, thrown out", {.status = "Tree...", .suspendPainting = true}, true},
        {"not stoppable", {.status = "Cleaning...", .stoppable = false}, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        try {
            LongOperation operation(*window_, row.setup);
            EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
            EXPECT_EQ(window_->StatusText(), row.setup.status);
            EXPECT_EQ(window_->Rich3()->isVisible(), row.setup.cover);
            EXPECT_EQ(window_->updatesEnabled(), !row.setup.suspendPainting);
            EXPECT_EQ(window_->isEnabled(), !row.setup.progressWindow);
            EXPECT_EQ(operation.Progress() != nullptr, row.setup.progressWindow);
            EXPECT_FALSE(operation.Observer().ShouldStop());
            if (operation.Progress() != nullptr) {
                operation.Progress()->cmdCancel()->click();
                EXPECT_TRUE(operation.Observer().ShouldStop());
            }
            if (row.throws) throw std::runtime_error("out of the operation");
        } catch (const std::runtime_error&) {
        }
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        EXPECT_EQ(window_->StatusText(), "Ready");
        EXPECT_FALSE(window_->Rich3()->isVisible());
        EXPECT_TRUE(window_->updatesEnabled());
        EXPECT_TRUE(window_->isEnabled());
        EXPECT_EQ(window_->findChild<frmProgress*>("frmProgress"), nullptr);
        EXPECT_TRUE(window_->State().StopRequest);
    }
}

}  // namespace
