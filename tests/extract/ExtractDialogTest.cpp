#include <QAction>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>

#include <memory>
#include <optional>

#include <gtest/gtest.h>

#include "TempTree.h"
#include "editor/widgets/DocumentEditor.h"
#include "editor/widgets/EditorBuffer.h"
#include "editor/widgets/MainWindow.h"
#include "extract/core/ListFile.h"
#include "extract/widgets/ExtractDialog.h"
#include "helpers/core/IniFile.h"
#include "helpers/widgets/EventPump.h"
#include "helpers/widgets/FileDialogs.h"
#include "helpers/widgets/FlatToolbar.h"
#include "helpers/widgets/Prompter.h"
#include "helpers/widgets/QtText.h"
#include "services/widgets/ProgressWindow.h"
#include "tests/support/EnvVar.h"
#include "tests/support/SpecialFiles.h"
#include "tests/support/WidgetFakes.h"

using namespace morv;

namespace {

const char kPage[] =
    "<html><script src=\"menu.js\"></script>\r\n<a href=\"../index.htm\">Home</a></html>";

class ExtractDialog : public ::testing::Test {
  protected:
    void SetUp() override {
        tmp_ = tree_.Folder("tmp");
        tmpdir_.emplace("TMPDIR", tmp_.c_str());
        window_ = std::make_unique<frmMain>(folder_.path(), folder_.path());
        InstallExtractCommands(*window_);
        window_->RefreshCommandStates();
        window_->show();
        page_ = tree_.Write("site/a.htm", kPage);
    }
    void TearDown() override {
        Flush();
        window_.reset();
    }

    // Runs the deferred deletions of unloaded windows.
    static void Flush() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    frmExtract* Open() {
        Flush();
        window_->MenuAction("mnuActionsExtract")->trigger();
        auto* dialog = window_->findChild<frmExtract*>("frmExtract");
        EXPECT_NE(dialog, nullptr);
        EXPECT_TRUE(dialog->isVisible());
        return dialog;
    }
    void Add(frmExtract* dialog, const std::vector<std::string>& entries) {
        dialog->AppendEntries(entries);
    }
    std::string Text() const { return DocumentBytes(window_->Rich1()); }
    std::string Setting(const std::string& key) const {
        cINI ini;
        ini.FileName = PathToStd(window_->SettingsFile());
        ini.AppName = "Extract";
        return ini.GetINI(key, "absent");
    }
    int TempFilesLeft() const { return CountVisibleEntries(tmp_); }
    // Clicks Cancel of the progress window as soon as the running operation lets events run.
    void CancelAtFirstPoll() {
        QTimer::singleShot(0, window_.get(), [this] {
            auto* progress = window_->findChild<frmProgress*>("frmProgress");
            ASSERT_NE(progress, nullptr);
            QTest::mouseClick(progress->cmdCancel(), Qt::LeftButton);
        });
    }
    // What a finished run leaves behind, whatever its outcome.
    void ExpectRestored() {
        Flush();
        EXPECT_EQ(window_->findChild<frmExtract*>("frmExtract"), nullptr);
        EXPECT_EQ(window_->findChild<frmProgress*>("frmProgress"), nullptr);
        EXPECT_TRUE(window_->isEnabled());
        EXPECT_FALSE(window_->Rich3()->isVisible());
        EXPECT_TRUE(window_->State().StopRequest);
        EXPECT_EQ(window_->StatusText(), "Ready");
        EXPECT_EQ(TempFilesLeft(), 0);
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    }

    // Every step of a run lets events run, so a queued click lands at a known step.
    ScopedHooks pump_{{.pollIntervals = kPollAtEveryStep}};
    QTemporaryDir folder_;
    TempTree tree_;
    std::unique_ptr<frmMain> window_;
    ScriptedPrompter prompter_;
    ScopedPrompter usePrompter_{&prompter_};
    ScriptedFileDialogs dialogs_;
    ScopedFileDialogs useDialogs_{&dialogs_};
    std::string tmp_, page_;
    std::optional<EnvVar> tmpdir_;  // TMPDIR points at tmp_ during a test
};

TEST_F(ExtractDialog, ControlsCaptionsAndToolbar) {
    frmExtract* dialog = Open();
    EXPECT_EQ(dialog->windowTitle(), "Extract");
    EXPECT_TRUE(dialog->isModal());
    EXPECT_FALSE(dialog->windowFlags() & Qt::WindowMinMaxButtonsHint);
    const char* tags[] = {"Script", "Style", "Link", "Image", "E-mail"};
    for (int i = 0; i < 5; ++i) {
        auto* box = dialog->findChild<QCheckBox*>(QStringLiteral("chkTag%1").arg(i));
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->text(), tags[i]);
        EXPECT_TRUE(box->isChecked()) << "first start ticks every kind";
    }
    const char* options[] = {"Clear text before extracting", "Don't add relative links",
                             "Don't add section attributes"};
    for (int i = 0; i < 3; ++i) {
        auto* box = dialog->findChild<QCheckBox*>(QStringLiteral("chkOption%1").arg(i));
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->text(), options[i]);
        EXPECT_FALSE(box->isChecked());
    }
    EXPECT_EQ(dialog->findChild<QLabel*>("Label1_0")->text(), "Files to Extract:");
    EXPECT_EQ(dialog->findChild<QLabel*>("Label1_1")->text(), "Tags:");
    EXPECT_EQ(dialog->findChild<QLabel*>("Label1_2")->text(), "Options:");
    EXPECT_FALSE(dialog->findChild<QListWidget*>("List2")->isVisible());
    EXPECT_EQ(dialog->findChild<QPushButton*>("cmdExtract")->text(), "Extract");
    EXPECT_EQ(dialog->findChild<QPushButton*>("cmdCancel")->text(), "Cancel");
    EXPECT_EQ(dialog->findChild<QPushButton*>("cmdHelp")->text(), "Help");

    EXPECT_TRUE(IsFlatToolbar(dialog->Toolbar1()));
    QStringList keys, tips, withoutIcon;
    for (QAction* action : dialog->findChild<QToolBar*>("Toolbar1")->actions()) {
        keys << (action->isSeparator() ? "|" : action->objectName());
        if (!action->isSeparator()) tips << action->toolTip();
        if (!action->isSeparator() && action->icon().isNull()) withoutIcon << action->objectName();
    }
    EXPECT_EQ(withoutIcon.join(' ').toStdString(), "") << "these show their text, not a picture";
    EXPECT_EQ(keys, (QStringList{"prev", "|", "add", "remove", "clear", "|", "load", "save", "|",
                                 "scan"}));
    EXPECT_EQ(tips, (QStringList{" Load Previous List ", " Add Files ", " Remove Selected Files ",
                                 " Remove All Files ", " Load List ", " Save List ",
                                 " Scan Folders for HTML Documents "}));
}

TEST_F(ExtractDialog, EveryWayOfClosingSavesTheCheckBoxes) {
    struct Row {
        const char* name;
        std::function<void(frmExtract*)> close;
    } rows[] = {
        {"Cancel", [](frmExtract* d) { QTest::mouseClick(d->cmdCancel(), Qt::LeftButton); }},
        {"CloseBox", [](frmExtract* d) { d->close(); }},
        {"Escape", [](frmExtract* d) { QTest::keyClick(d->List1(), Qt::Key_Escape); }},
    };
    bool ticked = false;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        frmExtract* dialog = Open();
        QPointer<frmExtract> guard(dialog);
        Add(dialog, {page_});
        dialog->chkTag(0)->setChecked(ticked);
        dialog->chkTag(4)->setChecked(!ticked);
        dialog->chkOption(1)->setChecked(!ticked);
        row.close(dialog);
        Flush();
        EXPECT_TRUE(guard.isNull());
        EXPECT_EQ(Setting("Tag(0)"), ticked ? "1" : "0");
        EXPECT_EQ(Setting("Tag(4)"), ticked ? "0" : "1");
        EXPECT_EQ(Setting("Option(1)"), ticked ? "0" : "1");
        EXPECT_EQ(Setting("Option(2)"), "0");

        dialog = Open();
        EXPECT_EQ(dialog->chkTag(0)->isChecked(), ticked);
        EXPECT_EQ(dialog->chkOption(1)->isChecked(), !ticked);
        EXPECT_EQ(dialog->List1()->count(), 0) << "the list starts empty at every opening";
        dialog->Unload();
        ticked = !ticked;
    }
}

TEST_F(ExtractDialog, TagsMenuSelectsAllOrNoneAndLeavesTheOptions) {
    frmExtract* dialog = Open();
    dialog->chkOption(0)->setChecked(true);
    QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(2, 2),
                            dialog->chkTag(2)->mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(dialog->chkTag(2), &click);
    EXPECT_TRUE(dialog->mnuPopTags()->isVisible());
    dialog->mnuPopTags()->close();

    dialog->findChild<QAction*>("mnuPopTagsSelectNone")->trigger();
    for (int i = 0; i < 5; ++i)
        EXPECT_FALSE(dialog->chkTag(i)->isChecked());
    dialog->findChild<QAction*>("mnuPopTagsSelectAll")->trigger();
    for (int i = 0; i < 5; ++i)
        EXPECT_TRUE(dialog->chkTag(i)->isChecked());
    EXPECT_TRUE(dialog->chkOption(0)->isChecked());
    dialog->Unload();
}

TEST_F(ExtractDialog, ExtractIsRefusedOrQuestionedBeforeItRuns) {
    window_->Rich1()->LoadBytes("old text");
    struct Row {
        const char* name;
        bool withFile;
        bool anyTag;
        QList<PromptAnswer> answers;
        QString prompt;
        bool runs;
    } rows[] = {
        {"EmptyList", false, true, {PromptAnswer::OK}, "Please specify files to extract.", false},
        {"NoTagAnsweredNo",
         true,
         false,
         {PromptAnswer::No},
         "You have not select any tags to extract.\r\n\r\nDo you want to continue anyway?",
         false},
        {"NoTagAnsweredYes",
         true,
         false,
         {PromptAnswer::Yes},
         "You have not select any tags to extract.\r\n\r\nDo you want to continue anyway?",
         true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        prompter_.clear();
        for (PromptAnswer answer : row.answers)
            prompter_.Push(answer);
        frmExtract* dialog = Open();
        QPointer<frmExtract> guard(dialog);
        if (row.withFile) Add(dialog, {page_});
        for (int i = 0; i < 5; ++i)
            dialog->chkTag(i)->setChecked(row.anyTag);
        dialog->chkOption(0)->setChecked(true);
        QTest::mouseClick(dialog->cmdExtract(), Qt::LeftButton);
        Flush();

        ASSERT_EQ(prompter_.asked().size(), 1);
        const Prompt& prompt = prompter_.asked()[0];
        EXPECT_EQ(prompt.text, row.prompt);
        EXPECT_EQ(prompt.icon, PromptIcon::Exclamation);
        EXPECT_EQ(prompt.title, "Morvane");
        if (row.anyTag) {
            EXPECT_EQ(prompt.buttons, PromptButtons::OK);
        } else {
            EXPECT_EQ(prompt.buttons, PromptButtons::YesNo);
            EXPECT_EQ(prompt.defaultAnswer, PromptAnswer::No);
        }
        if (row.runs) {
            EXPECT_TRUE(guard.isNull());
            EXPECT_EQ(Text(), "[FILE = \"" + page_ + "\"]\r\n\r\n\r\n");
            ExpectRestored();
        } else {
            ASSERT_FALSE(guard.isNull());
            EXPECT_TRUE(dialog->isVisible());
            EXPECT_EQ(Text(), "old text");
            dialog->Unload();
        }
    }
}

TEST_F(ExtractDialog, ListCommands) {
    const std::string b = tree_.Write("site/b.htm", kPage);
    const std::string latin = tree_.Write("site/\xe9t\xe9.htm", kPage);  // not UTF-8
    window_->State().LastPath = PathToQString(tree_.root());
    frmExtract* dialog = Open();

    // Add: appended in the dialog's order, duplicates kept; a cancel changes nothing.
    dialogs_.Push(QStringList{PathToQString(page_), PathToQString(b)});
    dialog->Toolbar1ButtonClick("add");
    dialogs_.Push(QStringList{PathToQString(page_)});
    dialog->Toolbar1ButtonClick("add");
    dialog->Toolbar1ButtonClick("add");  // no answer left: cancelled
    EXPECT_EQ(dialog->ListEntries(), (std::vector<std::string>{page_, b, page_}));
    ASSERT_GE(dialogs_.calls().size(), 1);
    const DialogCall& add = dialogs_.calls()[0];
    EXPECT_EQ(add.kind, "files");
    EXPECT_EQ(add.title, "Select Files");
    EXPECT_EQ(add.initialFolder, PathToQString(tree_.root()));
    EXPECT_TRUE(
        add.nameFilters.startsWith("All Suported Files (*.htm *.html *.asp *.php *.php3 "
                                   "*.php4);;HTML Documents"))
        << add.nameFilters.toStdString();
    EXPECT_EQ(add.nameFilters.count(";;"), 4);

    // Remove: nothing selected changes nothing; the selected entries go.
    dialog->Toolbar1ButtonClick("remove");
    EXPECT_EQ(dialog->List1()->count(), 3);
    dialog->List1()->item(0)->setSelected(true);
    dialog->List1()->item(2)->setSelected(true);
    dialog->Toolbar1ButtonClick("remove");
    EXPECT_EQ(dialog->ListEntries(), (std::vector<std::string>{b}));

    // Save and load give back the same bytes, also for a name that is not UTF-8.
    Add(dialog, {latin, " " + page_});
    const std::string list = tree_.Path("list.mrk");
    dialogs_.Push(PathToQString(list));
    dialog->Toolbar1ButtonClick("save");
    EXPECT_EQ(ReadListFile(list).value(), (std::vector<std::string>{b, latin, " " + page_}));
    EXPECT_EQ(window_->State().LastPath, PathToQString(tree_.root()));
    dialog->Toolbar1ButtonClick("clear");
    EXPECT_EQ(dialog->List1()->count(), 0);
    dialog->Toolbar1ButtonClick("save");  // empty list: no dialog at all
    const qsizetype callsBefore = dialogs_.calls().size();
    dialogs_.Push(PathToQString(list));
    dialog->Toolbar1ButtonClick("load");
    EXPECT_EQ(dialogs_.calls().size(), callsBefore + 1);
    EXPECT_EQ(dialogs_.calls().back().nameFilters, "MORV Extract List (*.mrk)");
    EXPECT_EQ(dialog->ListEntries(), (std::vector<std::string>{b, latin, " " + page_}));
    EXPECT_TRUE(prompter_.asked().isEmpty());

    // A list file that cannot be read: the message names it; the list was already cleared.
    dialogs_.Push(PathToQString(tree_.Path("gone.mrk")));
    dialog->Toolbar1ButtonClick("load");
    ASSERT_EQ(prompter_.asked().size(), 1);
    EXPECT_TRUE(prompter_.asked()[0].text.contains("gone.mrk"));
    EXPECT_TRUE(prompter_.asked()[0].text.endsWith(")."));
    EXPECT_EQ(prompter_.asked()[0].icon, PromptIcon::Exclamation);
    EXPECT_EQ(dialog->List1()->count(), 0);
    EXPECT_FALSE(dialog->List2()->isVisible());
    dialog->Unload();
}

TEST_F(ExtractDialog, ExtractionLoadsTheReportAndRemembersTheList) {
    const std::string missing = tree_.Path("site/missing.htm");
    struct Row {
        const char* name;
        bool clearText;
        std::string before;
    } rows[] = {{"Cleared", true, ""}, {"AfterTheOldText", false, "old text\r\n"}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        window_->Rich1()->LoadBytes("old text\r\n");
        window_->State().DocumentFile = "/docs/old.txt";
        window_->SetDocumentCaption("/docs/old.txt", false);
        frmExtract* dialog = Open();
        Add(dialog, {page_, missing});
        for (int i = 0; i < 5; ++i)
            dialog->chkTag(i)->setChecked(i == 0 || i == 2);
        dialog->chkOption(0)->setChecked(row.clearText);
        QTest::mouseClick(dialog->cmdExtract(), Qt::LeftButton);

        const std::string report =
            "[FILE = \"" + page_ +
            "\"]\r\n\r\n[SCRIPT]\r\n<script src=\"menu.js\"></script>\r\n\r\n[LINK]\r\n"
            "../index.htm\r\n\r\n\r\n[FILE = \"" +
            missing + "\"]\r\n; Warning: File not found.\r\n\r\n\r\n\r\n";
        EXPECT_EQ(Text(), row.clearText ? report : row.before + "\r\n\r\n" + report);
        if (row.clearText) {
            EXPECT_EQ(window_->windowTitle(), "Untitled - Morvane");
            EXPECT_TRUE(window_->State().DocumentFile.isEmpty());
        } else {
            EXPECT_EQ(window_->State().DocumentFile, "/docs/old.txt");
        }
        EXPECT_TRUE(prompter_.asked().isEmpty());
        ExpectRestored();
        EXPECT_EQ(ReadListFile(PathToStd(LastListFile(*window_))).value(),
                  (std::vector<std::string>{page_, missing}));
    }

    // "Load Previous List" brings the last run's list back.
    frmExtract* dialog = Open();
    dialog->Toolbar1ButtonClick("prev");
    EXPECT_EQ(dialog->ListEntries(), (std::vector<std::string>{page_, missing}));
    dialog->Unload();
}

TEST_F(ExtractDialog, LoadPreviousListWithoutAnEarlierRunDoesNothing) {
    frmExtract* dialog = Open();
    Add(dialog, {page_});
    dialog->Toolbar1ButtonClick("prev");
    EXPECT_EQ(dialog->ListEntries(), (std::vector<std::string>{page_}));
    EXPECT_TRUE(prompter_.asked().isEmpty());
    dialog->Unload();
}

TEST_F(ExtractDialog, StoppedOrFailedRunLeavesTheEditorAlone) {
    struct Row {
        const char* name;
        bool cancel;
        std::string second;
        QString message;
    } rows[] = {
        {"CancelClicked", true, page_, ""},
        {"UnreadableFile", false, "/proc/self/mem",
         "Unable to read \"/proc/self/mem\" (Input/output error)."},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        prompter_.clear();
        window_->Rich1()->LoadBytes("old text");
        frmExtract* dialog = Open();
        Add(dialog, {page_, row.second, page_});
        dialog->chkOption(0)->setChecked(true);
        if (row.cancel) CancelAtFirstPoll();
        QTest::mouseClick(dialog->cmdExtract(), Qt::LeftButton);
        EXPECT_EQ(Text(), "old text");
        if (row.message.isEmpty()) {
            EXPECT_TRUE(prompter_.asked().isEmpty());
        } else {
            ASSERT_EQ(prompter_.asked().size(), 1);
            EXPECT_EQ(prompter_.asked()[0].text, row.message);
            EXPECT_EQ(prompter_.asked()[0].icon, PromptIcon::Critical);
            EXPECT_EQ(prompter_.asked()[0].title, "Morvane");
        }
        ExpectRestored();
        EXPECT_EQ(ReadListFile(PathToStd(LastListFile(*window_))).value().size(), 3u);
    }
}

// The report fills the editor with Cancel still enabled; a Cancel then leaves the editor as it
// was, without a message.
TEST_F(ExtractDialog, CancelWhileTheReportLoadsLeavesTheEditorAlone) {
    window_->Rich1()->LoadBytes("old text");
    frmExtract* dialog = Open();
    Add(dialog, {page_});
    bool cancelEnabled = false;
    // At the first poll after the extraction has written its report.
    std::function<void()> atFinalizing = [&] {
        auto* progress = window_->findChild<frmProgress*>("frmProgress");
        if (progress == nullptr || progress->lblAction()->text() != "Finalizing...") {
            QTimer::singleShot(0, window_.get(), atFinalizing);
            return;
        }
        cancelEnabled = progress->cmdCancel()->isEnabled();
        QTest::mouseClick(progress->cmdCancel(), Qt::LeftButton);
    };
    QTimer::singleShot(0, window_.get(), atFinalizing);
    QTest::mouseClick(dialog->cmdExtract(), Qt::LeftButton);
    EXPECT_TRUE(cancelEnabled);
    EXPECT_EQ(Text(), "old text");
    EXPECT_TRUE(prompter_.asked().isEmpty());
    ExpectRestored();
}

TEST_F(ExtractDialog, FolderScan) {
    tree_.Write("site/sub/b.HTML", kPage);
    tree_.Write("site/c.asp", kPage);
    tree_.Folder("nothing");
    const std::string b = tree_.Path("site/sub/b.HTML");
    const std::string c = tree_.Path("site/c.asp");
    struct Row {
        const char* name;
        QStringList answer;  // empty: the folder picker is cancelled
        bool cancel;
        std::vector<std::string> list;
    } rows[] = {
        {"FindsTheDocuments", {PathToQString(tree_.Path("site"))}, false, {}},
        {"PickerCancelled", {}, false, {c}},
        {"NothingFound", {PathToQString(tree_.Path("nothing"))}, false, {c}},
        {"CancelledBeforeAnythingWasFound", {PathToQString(tree_.Path("site"))}, true, {c}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        frmExtract* dialog = Open();
        Add(dialog, {c});
        dialogs_.Push(row.answer);
        if (row.cancel) CancelAtFirstPoll();
        dialog->Toolbar1ButtonClick("scan");
        Flush();

        EXPECT_EQ(dialogs_.calls().back().kind, "folder");
        EXPECT_EQ(dialogs_.calls().back().title,
                  "Select the folder where you want to scan for HTML Documents.");
        std::vector<std::string> entries = dialog->ListEntries();
        if (row.list.empty()) {
            std::sort(entries.begin(), entries.end());
            EXPECT_EQ(entries, (std::vector<std::string>{page_, b}));
        } else {
            EXPECT_EQ(entries, row.list);
        }
        EXPECT_TRUE(dialog->isVisible());
        EXPECT_TRUE(dialog->isModal());
        EXPECT_FALSE(dialog->List2()->isVisible());
        EXPECT_EQ(window_->findChild<frmProgress*>("frmProgress"), nullptr);
        EXPECT_TRUE(window_->isEnabled());
        EXPECT_TRUE(window_->State().StopRequest);
        EXPECT_TRUE(prompter_.asked().isEmpty());
        if (!row.answer.isEmpty()) {
            EXPECT_EQ(window_->StatusText(), "Ready");
        }
        dialog->Unload();
    }
}

TEST_F(ExtractDialog, EscapeDuringAScanStopsItAndOtherKeysAreDropped) {
    frmExtract* dialog = Open();
    window_->State().StopRequest = false;  // as while a scan of this dialog runs
    QTest::keyClick(dialog->List1(), Qt::Key_A);
    EXPECT_FALSE(window_->State().StopRequest);
    EXPECT_TRUE(dialog->isVisible());
    QTest::keyClick(dialog->List1(), Qt::Key_Escape);
    EXPECT_TRUE(window_->State().StopRequest);
    EXPECT_TRUE(dialog->isVisible()) << "the Esc that stops a scan does not close the dialog";
    dialog->Unload();
}

}  // namespace
