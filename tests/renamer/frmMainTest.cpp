// The renamer's window on real widgets, with the scripted prompter and file dialogs.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDropEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QProgressDialog>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>
#include <QUrl>

#include <signal.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "TempFolder.h"
#include "helpers/core/StopSignals.h"
#include "helpers/widgets/FileDialogs.h"
#include "helpers/widgets/FlatToolbar.h"
#include "helpers/widgets/Prompter.h"
#include "renamer/core/BatchJournal.h"
#include "renamer/core/BatchRecovery.h"
#include "renamer/core/RenamerSettings.h"
#include "renamer/widgets/BatchFront.h"
#include "renamer/widgets/FileProperties.h"
#include "renamer/widgets/RenamerText.h"
#include "renamer/widgets/frmHelp.h"
#include "renamer/widgets/frmLinks.h"
#include "renamer/widgets/frmMain.h"
#include "tests/support/WidgetFakes.h"

using namespace morv;
using namespace morv::renamer;
using namespace renamer_test;

namespace {

// The file manager's properties window must never open from a test run.
class NoFileManager : public ::testing::Environment {
  public:
    void SetUp() override {
        hooks_ = std::make_unique<ScopedHooks>(
            WidgetHooks{.showFileProperties = [](const QString&) { return false; }});
    }
    void TearDown() override { hooks_.reset(); }

  private:
    std::unique_ptr<ScopedHooks> hooks_;
};

::testing::Environment* const kQt = ::testing::AddGlobalTestEnvironment(new NoFileManager);

class TreloWindow : public ::testing::Test {
  protected:
    StateHome home;
    TempFolder dir;
    ScriptedPrompter prompter;
    ScriptedFileDialogs dialogs;
    ScopedPrompter usePrompter{&prompter};
    ScopedFileDialogs useDialogs{&dialogs};
    std::unique_ptr<frmMain> w;

    void SetUp() override {
        ASSERT_TRUE(dir.ok());
        ASSERT_EQ(mkdir((dir / "files").c_str(), 0755), 0);
        w = std::make_unique<frmMain>(Ini());
        w->LoadSettings();
    }
    void TearDown() override {
        EXPECT_EQ(prompter.unexpected(), 0) << prompter.texts().join("|").toStdString();
    }

    QString Ini() const { return QString::fromStdString(dir / "trelo.ini"); }
    std::string File(const std::string& name) const { return dir / ("files/" + name); }
    QString Q(const std::string& path) const { return QString::fromStdString(path); }

    template <typename T>
    T* Find(const char* name) const {
        T* child = w->findChild<T*>(QLatin1String(name));
        EXPECT_NE(child, nullptr) << name;
        return child;
    }
    QTreeWidget* List() const { return Find<QTreeWidget>("ListView1"); }
    QAction* Key(const char* key) const { return Find<QAction>(key); }

    // Adds files through the add command with the scripted dialog's answer.
    void Add(std::initializer_list<std::string> names, bool create = true) {
        QStringList paths;
        for (const std::string& name : names) {
            if (create) WriteFile(File(name), name);
            paths.append(Q(File(name)));
        }
        dialogs.Push(paths);
        Key("add")->trigger();
    }
    QStringList Column(int column) const {
        QStringList texts;
        for (int row = 0; row < List()->topLevelItemCount(); ++row)
            texts.append(List()->topLevelItem(row)->text(column));
        return texts;
    }
    void Select(int row) const { List()->setCurrentItem(List()->topLevelItem(row)); }
    void Click(const char* button) const { Find<QPushButton>(button)->click(); }
};

TEST_F(TreloWindow, StartsInRenameModeWithEveryControl) {
    EXPECT_EQ(w->windowTitle(), "Trellin");
    EXPECT_EQ(w->width(), w->TwipsToPixels(6360));
    EXPECT_EQ(w->height(), w->TwipsToPixels(5355 + kLinksHeight));
    EXPECT_EQ(Find<QPushButton>("cmdRename")->text(), "Rename");
    EXPECT_EQ(Find<QPushButton>("cmdPreview")->text(), "Preview");
    EXPECT_EQ(Find<QPushButton>("cmdHelp")->text(), "Help");
    EXPECT_EQ(Find<QPushButton>("cmdClose")->text(), "Close");
    EXPECT_EQ(Find<QPushButton>("cmdBrowse")->text(), "Browse");
    EXPECT_FALSE(Find<QPushButton>("cmdBrowse")->isEnabled());
    EXPECT_FALSE(Find<QLineEdit>("txtDest")->isEnabled());
    EXPECT_EQ(Find<QLineEdit>("txtStart")->text(), "0");
    EXPECT_EQ(Find<QCheckBox>("chkForce")->text(), "Force lower case extension");
    EXPECT_EQ(Find<QCheckBox>("chkRemove")->text(), "Remove original extension");
    EXPECT_EQ(Find<QCheckBox>("chkCopy")->text(), "Copy files instead of rename");
    EXPECT_EQ(Find<QCheckBox>("chkOnTop")->text(), "Always on Top");
    EXPECT_EQ(Find<QGroupBox>("Frame1")->title(), "Image Preview");
    EXPECT_FALSE(Find<QLabel>("lblAbout")->text().isEmpty());
    QStringList labels;
    for (QLabel* label : w->findChildren<QLabel*>("Label1"))
        labels.append(label->text());
    EXPECT_EQ(labels, (QStringList{"Files to Rename:", "Template:", "Start at:", "Options:",
                                   "Site addresses:", "Save in:"}));
    EXPECT_EQ(List()->headerItem()->text(0), "Previous Name");
    EXPECT_EQ(List()->headerItem()->text(1), "New Name");
    EXPECT_FALSE(List()->isSortingEnabled());
    EXPECT_FALSE(List()->header()->sectionsClickable());
    EXPECT_EQ(List()->selectionBehavior(), QAbstractItemView::SelectRows);

    auto* toolbar = Find<QToolBar>("Toolbar1");
    EXPECT_TRUE(IsFlatToolbar(toolbar));
    QStringList keys, tips;
    for (QAction* action : toolbar->actions())
        keys.append(action->objectName()), tips.append(action->toolTip());
    EXPECT_EQ(keys, (QStringList{"add", "remove", "clear", "up", "down", "undo", "preview"}));
    EXPECT_EQ(tips,
              (QStringList{" Add Files ", " Remove Selected File ", " Remove All Files ",
                           " Move Up ", " Move Down ", " Undo Last Batch ", " Image Preview "}));
    EXPECT_EQ(Find<QMenu>("mnuPopList")->title(), "Pop List");
    EXPECT_EQ(Find<QAction>("mnuPopListProperties")->text(), "Properties");
}

TEST_F(TreloWindow, FirstStartSettings) {
    EXPECT_EQ(Find<QLineEdit>("txtTemplate")->text(), "File [###] (*)");
    EXPECT_EQ(Find<QLineEdit>("txtDest")->text(), "");
    EXPECT_TRUE(Find<QCheckBox>("chkOnTop")->isChecked());
    EXPECT_TRUE(w->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
}

TEST_F(TreloWindow, SettingsAreWrittenOnCloseAndReadBack) {
    Find<QLineEdit>("txtTemplate")->setText("Holiday ###");
    Find<QLineEdit>("txtDest")->setText(" /backup ");
    Find<QCheckBox>("chkOnTop")->setChecked(false);
    EXPECT_FALSE(w->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    w->move(150, 90);
    w->close();
    RenamerSettings stored = LoadRenamerSettings(dir / "trelo.ini", 0, 0);
    EXPECT_EQ(stored.nameTemplate, "Holiday ###");
    EXPECT_NE(ReadFile(dir / "trelo.ini").find("SaveIn= /backup \r\n"), std::string::npos);
    EXPECT_EQ(stored.saveIn, "/backup");  // the settings reader trims values
    EXPECT_EQ(stored.onTop, false);
    EXPECT_EQ(stored.left, w->PixelsToTwips(w->x()));

    frmMain again(Ini());
    again.LoadSettings();
    EXPECT_EQ(again.findChild<QLineEdit*>("txtTemplate")->text(), "Holiday ###");
    EXPECT_EQ(again.findChild<QLineEdit*>("txtDest")->text(), "/backup");
    EXPECT_FALSE(again.findChild<QCheckBox*>("chkOnTop")->isChecked());
    EXPECT_EQ(again.pos(), w->pos());
}

TEST_F(TreloWindow, AddFilesPreviewsAndSkipsDuplicates) {
    Add({"b.JPG", "a.txt"});
    ASSERT_EQ(dialogs.calls().size(), 1);
    EXPECT_EQ(dialogs.calls()[0].title, "Select Files");
    EXPECT_EQ(dialogs.calls()[0].initialFolder, "");
    EXPECT_EQ(dialogs.calls()[0].nameFilters, "All Files (*)");
    EXPECT_EQ(Column(0), (QStringList{"b.JPG", "a.txt"}));
    EXPECT_EQ(Column(1), (QStringList{"File [000] (b).JPG", "File [001] (a).txt"}));
    Add({"a.txt", "c"});
    EXPECT_EQ(Column(0), (QStringList{"b.JPG", "a.txt", "c"}));
    EXPECT_EQ(Column(1),
              (QStringList{"File [000] (b).JPG", "File [001] (a).txt", "File [002] (c)"}));
    EXPECT_EQ(w->Entries()[0].fullPath, File("b.JPG"));
    EXPECT_EQ(w->Entries()[0].originalExtension, "JPG");
    dialogs.Push(QStringList());  // cancelled
    Key("add")->trigger();
    EXPECT_EQ(List()->topLevelItemCount(), 3);
    EXPECT_FALSE(w->IsBusy());
}

TEST_F(TreloWindow, DropAddsFilesAndSkipsFolders) {
    WriteFile(File("x.png"), "x");
    auto drop = [&](const QList<QUrl>& urls) {
        QMimeData data;
        data.setUrls(urls);
        // As a drag from the file manager arrives: enter, then the drop.
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(List()->viewport(), &enter);
        QDropEvent event(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(List()->viewport(), &event);
    };
    drop({QUrl::fromLocalFile(Q(dir / "files"))});  // a folder only: nothing, no preview
    EXPECT_EQ(List()->topLevelItemCount(), 0);
    drop({QUrl::fromLocalFile(Q(dir / "files")), QUrl::fromLocalFile(Q(File("x.png"))),
          QUrl::fromLocalFile(Q(File("x.png")))});
    EXPECT_EQ(Column(0), QStringList{"x.png"});
    EXPECT_EQ(Column(1), QStringList{"File [000] (x).png"});
}

TEST_F(TreloWindow, RemoveClearAndMove) {
    Add({"1", "2", "3"});
    Key("up")->trigger();  // nothing selected: nothing happens
    Select(0);
    Key("up")->trigger();
    EXPECT_EQ(Column(0), (QStringList{"1", "2", "3"}));
    Key("down")->trigger();
    EXPECT_EQ(Column(0), (QStringList{"2", "1", "3"}));
    EXPECT_EQ(List()->currentItem()->text(0), "1");
    EXPECT_EQ(Column(1), (QStringList{"File [001] (2)", "File [000] (1)", "File [002] (3)"}));
    Select(2);
    Key("down")->trigger();
    EXPECT_EQ(Column(0), (QStringList{"2", "1", "3"}));
    Key("up")->trigger();
    EXPECT_EQ(Column(0), (QStringList{"2", "3", "1"}));
    EXPECT_EQ(List()->currentItem()->text(0), "3");

    Select(0);
    Key("remove")->trigger();
    EXPECT_EQ(Column(0), (QStringList{"3", "1"}));

    prompter.Push(PromptAnswer::No);
    Key("clear")->trigger();
    EXPECT_EQ(List()->topLevelItemCount(), 2);
    ASSERT_EQ(prompter.asked().size(), 1);
    EXPECT_EQ(prompter.asked()[0].text, "Remove all files from the list?");
    EXPECT_EQ(prompter.asked()[0].buttons, PromptButtons::YesNo);
    EXPECT_EQ(prompter.asked()[0].defaultAnswer, PromptAnswer::No);
    EXPECT_EQ(prompter.asked()[0].icon, PromptIcon::Question);
    EXPECT_EQ(prompter.asked()[0].title, "Trellin");
    prompter.Push(PromptAnswer::Yes);
    Key("clear")->trigger();
    EXPECT_EQ(List()->topLevelItemCount(), 0);
    Key("clear")->trigger();  // empty list: no question
    EXPECT_EQ(prompter.asked().size(), 2);
}

TEST_F(TreloWindow, TemplateAndStartKeyFilters) {
    auto* tmpl = Find<QLineEdit>("txtTemplate");
    tmpl->clear();
    QTest::keyClicks(tmpl, "a#*/b");
    EXPECT_EQ(tmpl->text(), "a#*b");
    ASSERT_EQ(prompter.asked().size(), 1);
    EXPECT_EQ(prompter.asked()[0].text,
              "Template cannot contain any of the following characters:\n/ \\ : ? \" < > |");
    EXPECT_EQ(prompter.asked()[0].icon, PromptIcon::Exclamation);
    for (const char* refused : {"\\", ":", "?", "\"", "<", ">", "|"}) {
        prompter.clear();
        QTest::keyClicks(tmpl, refused);
        EXPECT_EQ(prompter.asked().size(), 1) << refused;
    }
    EXPECT_EQ(tmpl->text(), "a#*b");

    auto* start = Find<QLineEdit>("txtStart");
    start->clear();
    prompter.clear();
    QTest::keyClicks(start, "1a-2.5 ");
    EXPECT_EQ(start->text(), "12.5");
    QTest::keyClick(start, Qt::Key_Backspace);
    EXPECT_EQ(start->text(), "12.");
    EXPECT_TRUE(prompter.asked().isEmpty());
}

TEST_F(TreloWindow, CopyModeAndOptions) {
    auto* copy = Find<QCheckBox>("chkCopy");
    copy->setChecked(true);
    EXPECT_EQ(w->height(), w->TwipsToPixels(5955 + kLinksHeight));
    EXPECT_EQ(Find<QPushButton>("cmdRename")->text(), "Copy");
    EXPECT_TRUE(Find<QLineEdit>("txtDest")->isEnabled());
    EXPECT_TRUE(Find<QPushButton>("cmdBrowse")->isEnabled());
    copy->setChecked(false);
    EXPECT_EQ(w->height(), w->TwipsToPixels(5355 + kLinksHeight));
    EXPECT_EQ(Find<QPushButton>("cmdRename")->text(), "Rename");
    EXPECT_FALSE(Find<QLineEdit>("txtDest")->isEnabled());

    Key("preview")->trigger();
    EXPECT_EQ(w->width(), w->TwipsToPixels(9015));
    Key("preview")->trigger();
    EXPECT_EQ(w->width(), w->TwipsToPixels(6360));

    auto* force = Find<QCheckBox>("chkForce");
    force->setChecked(true);
    Find<QCheckBox>("chkRemove")->setChecked(true);
    EXPECT_FALSE(force->isChecked());
    EXPECT_FALSE(force->isEnabled());
    Find<QCheckBox>("chkRemove")->setChecked(false);
    EXPECT_TRUE(force->isEnabled());
    EXPECT_FALSE(force->isChecked());
}

TEST_F(TreloWindow, PreviewButtonReportsAnOverflow) {
    Click("cmdPreview");  // empty list: nothing
    Add({"a"});
    Find<QLineEdit>("txtStart")->setText("99999999999");
    prompter.Push(PromptAnswer::OK);
    Click("cmdPreview");
    ASSERT_EQ(prompter.asked().size(), 1);
    EXPECT_EQ(prompter.asked()[0].text, "Overflow.");
    EXPECT_EQ(prompter.asked()[0].icon, PromptIcon::Critical);
    EXPECT_FALSE(w->IsBusy());
    Find<QLineEdit>("txtTemplate")->setText("P#");
    Find<QLineEdit>("txtStart")->setText("7");
    EXPECT_EQ(Column(1), QStringList{"File [000] (a)"});  // editing does not preview
    Click("cmdPreview");
    EXPECT_EQ(Column(1), QStringList{"P7"});
}

TEST_F(TreloWindow, RenameAsksThenRenamesAndEmptiesTheList) {
    Click("cmdRename");  // empty list: no question
    EXPECT_TRUE(prompter.asked().isEmpty());
    Add({"a.JPG"});
    Find<QLineEdit>("txtTemplate")->setText("Photo #");
    prompter.Push(PromptAnswer::No);
    Click("cmdRename");
    EXPECT_EQ(prompter.asked()[0].text, "Are you sure you want to rename 1 files?");
    EXPECT_EQ(prompter.asked()[0].defaultAnswer, PromptAnswer::No);
    EXPECT_EQ(Column(1), QStringList{"File [000] (a).JPG"});  // not even recomputed
    EXPECT_TRUE(Exists(File("a.JPG")));

    prompter.Push(PromptAnswer::Yes);
    Click("cmdRename");
    EXPECT_EQ(List()->topLevelItemCount(), 0);
    EXPECT_EQ(Snapshot(dir / "files"), "Photo 0.JPG=a.JPG;");
    EXPECT_EQ(prompter.asked().size(), 2);
    EXPECT_FALSE(w->IsBusy());
}

TEST_F(TreloWindow, SwapThroughTheWindowAsksNothing) {
    Add({"1.txt", "0.txt"});
    Find<QLineEdit>("txtTemplate")->setText("#");
    prompter.Push(PromptAnswer::Yes);
    Click("cmdRename");
    EXPECT_EQ(Snapshot(dir / "files"), "0.txt=1.txt;1.txt=0.txt;");
    EXPECT_EQ(prompter.asked().size(), 1);
}

TEST_F(TreloWindow, ExistingTargetAnsweredNoKeepsBothAndTheEntry) {
    Add({"a", "b"});
    WriteFile(File("0"), "outside");
    Find<QLineEdit>("txtTemplate")->setText("#");
    Find<QCheckBox>("chkRemove")->setChecked(true);
    prompter.Push(PromptAnswer::Yes);  // rename?
    prompter.Push(PromptAnswer::No);   // replace 0?
    prompter.Push(PromptAnswer::OK);   // the summary
    Click("cmdRename");
    ASSERT_EQ(prompter.asked().size(), 3);
    EXPECT_EQ(prompter.asked()[1].buttons, PromptButtons::YesYesToAllNoCancel);
    EXPECT_TRUE(prompter.asked()[1].text.startsWith("There is already a file named '0' in '"));
    EXPECT_TRUE(prompter.asked()[2].text.startsWith("1 of 2 files was renamed."));
    EXPECT_EQ(prompter.asked()[2].icon, PromptIcon::Information);  // the user's own choice
    EXPECT_EQ(Column(0), QStringList{"a"});                        // only what was not done
    EXPECT_EQ(Snapshot(dir / "files"), "0=outside;1=b;a=a;");
}

TEST_F(TreloWindow, FailurePartWayKeepsTheEntriesNotDone) {
    Add({"x", "y", "z"});
    ASSERT_EQ(unlink(File("y").c_str()), 0);  // gone behind the window's back
    prompter.Push(PromptAnswer::Yes);
    prompter.Push(PromptAnswer::OK);
    Click("cmdRename");
    ASSERT_EQ(prompter.asked().size(), 2);
    EXPECT_EQ(prompter.asked()[1].icon, PromptIcon::Critical);
    EXPECT_NE(prompter.asked()[1].text.indexOf("No such file or directory"), -1);
    EXPECT_EQ(Column(0), QStringList{"y"});
    EXPECT_EQ(Snapshot(dir / "files"), "File [000] (x)=x;File [002] (z)=z;");
}

// Cancel in the progress window, pressed at a chosen step through the event pump's hook: the
// files renamed so far leave the list, the others stay listed under their old names.
TEST_F(TreloWindow, CancelInTheProgressWindowKeepsTheFilesNotRenamed) {
    Add({"p", "q", "r", "s"});
    Find<QCheckBox>("chkRemove")->setChecked(true);
    Find<QLineEdit>("txtTemplate")->setText("n#");
    int steps = 0;
    ScopedHooks cancelAtStep({.eachStep =
                                  [&] {
                                      if (++steps != 3) return;
                                      auto* progress =
                                          w->findChild<QProgressDialog*>("frmProgress");
                                      ASSERT_NE(progress, nullptr);
                                      progress->cancel();
                                  },
                              .pollIntervals = PollThrottle::Intervals{0, 0, 0, 0}});
    prompter.Push(PromptAnswer::Yes);
    prompter.Push(PromptAnswer::OK);  // the summary
    Click("cmdRename");
    ASSERT_EQ(prompter.asked().size(), 2);
    EXPECT_NE(prompter.asked()[1].text.indexOf("of 4 files were renamed before the stop."), -1)
        << prompter.asked()[1].text.toStdString();
    const QStringList left = Column(0);
    EXPECT_FALSE(left.isEmpty());
    EXPECT_LT(left.size(), 4);
    for (const char* name : {"p", "q", "r", "s"})
        EXPECT_EQ(Exists(File(name)), left.contains(QLatin1String(name))) << name;
    EXPECT_FALSE(w->IsBusy());
}

TEST_F(TreloWindow, DuplicateNamesAreReportedAndNothingMoves) {
    Add({"a", "b"});
    Find<QLineEdit>("txtTemplate")->setText("same");
    prompter.Push(PromptAnswer::Yes);
    prompter.Push(PromptAnswer::OK);
    Click("cmdRename");
    EXPECT_TRUE(prompter.asked()[1].text.startsWith("Nothing was renamed:"));
    EXPECT_EQ(List()->topLevelItemCount(), 2);
    EXPECT_EQ(Snapshot(dir / "files"), "a=a;b=b;");
}

TEST_F(TreloWindow, CopyNeedsADestinationAndAsksForAMissingFolder) {
    Add({"a.JPG"});
    w->show();
    Find<QCheckBox>("chkCopy")->setChecked(true);
    auto* dest = Find<QLineEdit>("txtDest");
    dest->setText("   ");
    prompter.Push(PromptAnswer::OK);
    Click("cmdRename");
    ASSERT_EQ(prompter.asked().size(), 1);
    EXPECT_EQ(prompter.asked()[0].text, "Please specify copy destination.");
    EXPECT_EQ(prompter.asked()[0].icon, PromptIcon::Exclamation);
    EXPECT_EQ(w->focusWidget(), dest);

    const std::string out = dir / "out";
    dest->setText(Q("  " + out + "/  "));
    Find<QCheckBox>("chkForce")->setChecked(true);
    prompter.Push(PromptAnswer::Cancel);
    Click("cmdRename");
    EXPECT_EQ(prompter.asked()[1].text, Q("This will copy 1 files to the '" + out + "/' folder."));
    EXPECT_EQ(prompter.asked()[1].buttons, PromptButtons::OKCancel);
    EXPECT_EQ(prompter.asked()[1].defaultAnswer, PromptAnswer::Cancel);
    EXPECT_EQ(prompter.asked()[1].icon, PromptIcon::Information);
    EXPECT_FALSE(Exists(out));

    prompter.Push(PromptAnswer::OK);
    prompter.Push(PromptAnswer::Yes);  // create the folder
    Click("cmdRename");
    ASSERT_EQ(prompter.asked().size(), 4);
    EXPECT_EQ(prompter.asked()[3].text, CreateFolderQuestionText(out));
    EXPECT_EQ(Snapshot(out), "File [000] (a).jpg=a.JPG;");
    EXPECT_TRUE(Exists(File("a.JPG")));
    EXPECT_EQ(List()->topLevelItemCount(), 0);
}

TEST_F(TreloWindow, RelativeSaveInIsTheFilesFolder) {
    Add({"a.JPG"});
    Find<QCheckBox>("chkCopy")->setChecked(true);
    Find<QLineEdit>("txtDest")->setText(" out ");
    prompter.Push(PromptAnswer::OK);   // copy?
    prompter.Push(PromptAnswer::Yes);  // create the folder
    Click("cmdRename");
    ASSERT_EQ(prompter.asked().size(), 2);
    EXPECT_EQ(prompter.asked()[1].text, CreateFolderQuestionText(dir / "files/out"));
    EXPECT_EQ(Snapshot(dir / "files/out"), "File [000] (a).JPG=a.JPG;");
}

TEST_F(TreloWindow, InterruptedBatchIsOfferedBackBeforeANewOne) {
    Add({"a", "b"});
    // As a crash leaves it: the plan written, a renamed to x, b not yet.
    {
        auto journal = std::move(BatchJournal::Create(JournalFolder()).value());
        const std::vector<BatchItem> items = {{File("a"), dir / "files", "x"},
                                              {File("b"), dir / "files", "y"}};
        ASSERT_EQ(
            journal->Begin(BatchMode::Move, items, {LookAtPath(File("a")), LookAtPath(File("b"))},
                           {ItemDecision::Go, ItemDecision::Go}),
            "");
        ASSERT_EQ(rename(File("a").c_str(), File("x").c_str()), 0);
    }
    prompter.Push(PromptAnswer::Cancel);  // later
    Click("cmdRename");
    ASSERT_EQ(prompter.asked().size(), 1);  // no batch without an answer
    const Prompt& question = prompter.asked()[0];
    EXPECT_TRUE(question.text.startsWith("A batch started on ")) << question.text.toStdString();
    EXPECT_NE(question.text.indexOf("1 file has its new name, 1 still has its old one"), -1)
        << question.text.toStdString();
    EXPECT_EQ(question.captions, (QStringList{"Turn Back", "Finish", "Later"}));
    EXPECT_EQ(question.defaultAnswer, PromptAnswer::Yes);
    EXPECT_EQ(Snapshot(dir / "files"), "b=b;x=a;");

    prompter.Push(PromptAnswer::Yes);  // turn back
    prompter.Push(PromptAnswer::OK);
    EXPECT_TRUE(w->OfferRecovery());
    EXPECT_TRUE(prompter.asked()[2].text.startsWith("Turned back: 1 file was renamed."));
    EXPECT_EQ(Snapshot(dir / "files"), "a=a;b=b;");
    EXPECT_TRUE(w->OfferRecovery());  // nothing left to ask about
    EXPECT_EQ(prompter.asked().size(), 3);
}

TEST_F(TreloWindow, UndoLastBatchByButtonAndCtrlZOutsideTextFields) {
    Add({"1.txt", "0.txt", "c"});
    Find<QLineEdit>("txtTemplate")->setText("#");
    prompter.Push(PromptAnswer::Yes);
    Click("cmdRename");
    ASSERT_EQ(Snapshot(dir / "files"), "0.txt=1.txt;1.txt=0.txt;2=c;");

    w->show();
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    auto* tmpl = Find<QLineEdit>("txtTemplate");
    tmpl->setFocus();
    QTest::keyClick(tmpl, Qt::Key_Z, Qt::ControlModifier);  // the field's own undo
    EXPECT_EQ(prompter.asked().size(), 1);

    prompter.Push(PromptAnswer::No);
    List()->setFocus();
    QTest::keyClick(List(), Qt::Key_Z, Qt::ControlModifier);
    ASSERT_EQ(prompter.asked().size(), 2);
    EXPECT_TRUE(prompter.asked()[1].text.startsWith("Undo the batch of "))
        << prompter.texts().join("|").toStdString();
    EXPECT_EQ(prompter.asked()[1].defaultAnswer, PromptAnswer::No);
    EXPECT_EQ(Snapshot(dir / "files"), "0.txt=1.txt;1.txt=0.txt;2=c;");

    prompter.Push(PromptAnswer::Yes);
    prompter.Push(PromptAnswer::OK);
    Key("undo")->trigger();
    EXPECT_EQ(prompter.asked()[3].text, "Undone: 3 files were renamed.");
    EXPECT_EQ(Snapshot(dir / "files"), "0.txt=0.txt;1.txt=1.txt;c=c;");
    prompter.Push(PromptAnswer::OK);
    Key("undo")->trigger();
    EXPECT_EQ(prompter.asked()[4].text, "There is no batch to undo.");
    EXPECT_FALSE(w->IsBusy());
}

TEST_F(TreloWindow, StopSignalWhileIdleClosesTheWindowAndKeepsTheSettings) {
    ScopedStopSignals stopSignals(true);
    w->WatchStopSignals();
    w->show();
    Find<QLineEdit>("txtTemplate")->setText("Kept ###");
    ::raise(SIGTERM);
    QTRY_VERIFY(!w->isVisible());
    EXPECT_EQ(LoadRenamerSettings(dir / "trelo.ini", 0, 0).nameTemplate, "Kept ###");
}

TEST_F(TreloWindow, BrowseStartsAtTheTypedFolder) {
    Find<QCheckBox>("chkCopy")->setChecked(true);
    auto* dest = Find<QLineEdit>("txtDest");
    dest->setText("/srv/www");
    dialogs.Push(QStringList());  // cancelled
    Click("cmdBrowse");
    EXPECT_EQ(dest->text(), "/srv/www");
    dialogs.Push(QString("/tmp/chosen"));
    Click("cmdBrowse");
    EXPECT_EQ(dest->text(), "/tmp/chosen");
    ASSERT_EQ(dialogs.calls().size(), 2);
    EXPECT_EQ(dialogs.calls()[0].kind, "folder");
    EXPECT_EQ(dialogs.calls()[0].title, "Select folder where you want to copy the files to.");
    EXPECT_EQ(dialogs.calls()[0].initialFolder, "/srv/www");
}

TEST_F(TreloWindow, PopupPropertiesOnlyOverAnEntry) {
    Add({"a"});
    w->show();
    QTreeWidgetItem* item = List()->topLevelItem(0);
    w->PreparePopList(List()->visualItemRect(item).center());
    EXPECT_TRUE(Find<QAction>("mnuPopListProperties")->isEnabled());
    w->PreparePopList(QPoint(5, List()->viewport()->height() - 3));
    EXPECT_FALSE(Find<QAction>("mnuPopListProperties")->isEnabled());
    // Properties of the selected file: our own window where no file manager answers.
    Select(0);
    w->PreparePopList(List()->visualItemRect(item).center());
    Find<QAction>("mnuPopListProperties")->trigger();
    FilePropertiesDialog* sheet = nullptr;
    for (QWidget* top : QApplication::topLevelWidgets())
        if (auto* dialog = qobject_cast<FilePropertiesDialog*>(top)) sheet = dialog;
    ASSERT_NE(sheet, nullptr);
    EXPECT_TRUE(sheet->windowTitle().startsWith("a "));
    // Above the window that stays on top, not behind it.
    EXPECT_EQ(sheet->parentWidget(), w.get());
    EXPECT_TRUE(sheet->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    sheet->close();
}

TEST_F(TreloWindow, ImagePreviewOfAPictureOnly) {
    QImage picture(64, 48, QImage::Format_RGB32);
    picture.fill(Qt::red);
    ASSERT_TRUE(picture.save(Q(File("red.png"))));
    Add({"red.png"}, false);
    Add({"notes.txt"});
    ASSERT_EQ(mkfifo(File("pipe.png").c_str(), 0644), 0);  // never written: must not hold it up
    Add({"pipe.png"}, false);
    auto* image = Find<QLabel>("Image1");
    w->ShowImagePreview(List()->topLevelItem(0));
    EXPECT_FALSE(image->pixmap().isNull());
    w->ShowImagePreview(List()->topLevelItem(1));
    EXPECT_TRUE(image->pixmap().isNull());
    w->ShowImagePreview(List()->topLevelItem(2));
    EXPECT_TRUE(image->pixmap().isNull());
}

TEST_F(TreloWindow, UpdateLinksIsKeptAndItsFieldsFollowTheBox) {
    auto* links = Find<QCheckBox>("chkLinks");
    EXPECT_EQ(links->text(), "Update links in site folder:");
    EXPECT_FALSE(links->isChecked());
    EXPECT_FALSE(Find<QLineEdit>("txtSite")->isEnabled());
    EXPECT_FALSE(Find<QPushButton>("cmdSiteBrowse")->isEnabled());
    links->setChecked(true);
    EXPECT_TRUE(Find<QLineEdit>("txtSiteAddresses")->isEnabled());
    dialogs.Push(Q(dir.path()));
    Click("cmdSiteBrowse");
    EXPECT_EQ(Find<QLineEdit>("txtSite")->text(), Q(dir.path()));
    Find<QLineEdit>("txtSiteAddresses")->setText("http://www.example.org/");
    Add({"a"});
    prompter.Push(PromptAnswer::OK);
    Find<QLineEdit>("txtSite")->clear();
    Click("cmdRename");
    EXPECT_EQ(prompter.asked().at(0).text, "Please specify the site folder.");
    Find<QLineEdit>("txtSite")->setText(Q(dir.path()));
    w->close();
    frmMain again(Ini());
    again.LoadSettings();
    EXPECT_TRUE(again.findChild<QCheckBox*>("chkLinks")->isChecked());
    EXPECT_EQ(again.findChild<QLineEdit*>("txtSite")->text(), Q(dir.path()));
    EXPECT_EQ(again.findChild<QLineEdit*>("txtSiteAddresses")->text(), "http://www.example.org/");
}

TEST_F(TreloWindow, PreviewCountsTheLinksAndTheBatchRewritesThem) {
    WriteFile(dir / "index.html", "<a href=\"files/a.htm\"></a><script>'files/a.htm'</script>");
    WriteFile(dir / "more.html", "<a href=\"files/a.htm\"></a>");  // two pages: two writers
    Add({"a.htm"});
    Find<QLineEdit>("txtTemplate")->setText("page#");
    Find<QCheckBox>("chkLinks")->setChecked(true);
    Find<QLineEdit>("txtSite")->setText(Q(dir.path()));
    Click("cmdPreview");
    EXPECT_EQ(Find<QLabel>("lblLinkCount")->text(),
              "2 references in 2 pages will change; 1 cannot be rewritten (see Details).");
    bool seen = false;
    QTimer::singleShot(0, [&] {
        auto* details = qobject_cast<frmLinks*>(QApplication::activeModalWidget());
        ASSERT_NE(details, nullptr);
        seen = true;
        // The row of index.html (the pages come in the folder's order).
        auto row = [&](const char* table) {
            auto* list = details->findChild<QTreeWidget*>(table);
            for (int k = 0; k < list->topLevelItemCount(); ++k) {
                QTreeWidgetItem* item = list->topLevelItem(k);
                if (item->text(0) == "index.html")
                    return QStringList{item->text(0), item->text(1), item->text(2)};
            }
            return QStringList{};
        };
        EXPECT_EQ(row("lstLinks"), (QStringList{"index.html", "files/a.htm", "files/page0.htm"}));
        EXPECT_EQ(row("lstUnsafe"), (QStringList{"index.html", "files/a.htm", "inside a script"}));
        details->reject();
    });
    Click("cmdLinks");
    EXPECT_TRUE(seen);

    prompter.Push(PromptAnswer::Yes);
    Click("cmdRename");
    EXPECT_EQ(ReadFile(dir / "index.html"),
              "<a href=\"files/page0.htm\"></a><script>'files/a.htm'</script>");
    EXPECT_EQ(ReadFile(dir / "more.html"), "<a href=\"files/page0.htm\"></a>");
    EXPECT_EQ(List()->topLevelItemCount(), 0);
    prompter.Push(PromptAnswer::Yes);
    prompter.Push(PromptAnswer::OK);
    Key("undo")->trigger();
    EXPECT_EQ(ReadFile(dir / "index.html"),
              "<a href=\"files/a.htm\"></a><script>'files/a.htm'</script>");
    EXPECT_EQ(ReadFile(dir / "more.html"), "<a href=\"files/a.htm\"></a>");
    EXPECT_EQ(Snapshot(dir / "files"), "a.htm=a.htm;");
}

TEST_F(TreloWindow, HelpWindowShowsTheSteps) {
    bool seen = false;
    QTimer::singleShot(0, [&] {
        auto* help = qobject_cast<frmHelp*>(QApplication::activeModalWidget());
        ASSERT_NE(help, nullptr);
        seen = true;
        EXPECT_EQ(help->windowTitle(), "Trellin Help");
        EXPECT_TRUE(help->windowFlags().testFlag(Qt::WindowStaysOnTopHint));  // like the window
        auto text = [&](const char* name) { return help->findChild<QLabel*>(name)->text(); };
        EXPECT_EQ(text("Label0_0"), "Trellin");
        EXPECT_EQ(text("Label0_1"), "Rename a group of files according to a numbered series.");
        EXPECT_EQ(text("Label1_0"), "1. Select files:");
        EXPECT_EQ(text("Label1_1"),
                  "Click {+} to add files, {-} to remove the selected file, "
                  "and {x} to remove all the files.");
        EXPECT_EQ(text("Label2_0"), "2. Enter Template:");
        EXPECT_EQ(text("Label2_1"),
                  "Use #'s to specify positions used by numeric enumerator.\n"
                  "Use * to insert original filename in pattern.");
        EXPECT_EQ(text("Label3"), "3. Enter Start at to specify the starting index.");
        EXPECT_EQ(text("Label4"), "4. Click <Preview> to see the new names.");
        EXPECT_EQ(text("Label5"), "5. Click <Rename> to start renaming.");
        EXPECT_NE(text("Label6").indexOf("the last ten batches are kept"), -1);
        help->findChild<QPushButton*>("cmdOK")->click();
    });
    Click("cmdHelp");
    EXPECT_TRUE(seen);
}

TEST_F(TreloWindow, BusyStateDisablesTheWindow) {
    w->SetBusy(true);
    EXPECT_TRUE(w->IsBusy());
    EXPECT_FALSE(Find<QPushButton>("cmdRename")->isEnabled());
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    w->SetBusy(false);
    EXPECT_TRUE(Find<QPushButton>("cmdRename")->isEnabled());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

}  // namespace
