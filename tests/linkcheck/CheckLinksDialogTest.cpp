#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
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
#include "helpers/widgets/FileDialogs.h"
#include "helpers/widgets/Prompter.h"
#include "helpers/widgets/QtText.h"
#include "linkcheck/widgets/CheckLinksDialog.h"
#include "services/widgets/ProgressWindow.h"
#include "tests/extract/TempTree.h"
#include "tests/support/WidgetFakes.h"

using namespace morv;

namespace {

class CheckLinksDialog : public ::testing::Test {
  protected:
    void SetUp() override {
        main_ = std::make_unique<frmMain>(folder_.path(), folder_.path());
        InstallLinkcheckCommands(*main_);
        main_->RefreshCommandStates();
        site_.Write("index.htm", "<a href=\"gone.htm\">x</a><img src=\"Logo.gif\">");
        site_.Write("logo.gif");
    }
    void TearDown() override {
        main_->State().DocumentModified = false;
        main_.reset();
    }
    cINI Ini() const {
        cINI ini;
        ini.FileName = PathToStd(main_->SettingsFile());
        ini.AppName = "CheckLinks";
        return ini;
    }
    std::unique_ptr<frmCheckLinks> Open() {
        auto dialog = std::make_unique<frmCheckLinks>(*main_);
        dialog->show();
        return dialog;
    }
    std::string Document() const { return DocumentBytes(main_->Rich1()); }

    // Every step of a run lets events run, so a queued click lands at a known step.
    ScopedHooks pump_{{.pollIntervals = kPollAtEveryStep}};
    QTemporaryDir folder_;
    TempTree site_;
    std::unique_ptr<frmMain> main_;
    ScriptedPrompter prompter_;
    ScopedPrompter usePrompter_{&prompter_};
    ScriptedFileDialogs dialogs_;
    ScopedFileDialogs useDialogs_{&dialogs_};
};

TEST_F(CheckLinksDialog, MenuEntryAndFirstUse) {
    QAction* entry = main_->MenuAction("mnuActionsCheckLinks");
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->text(), "Check Links ..");
    EXPECT_TRUE(entry->isEnabled());
    auto dialog = Open();
    EXPECT_EQ(dialog->windowTitle(), "Check Links");
    EXPECT_EQ(dialog->txtFolder()->text(), "");
    EXPECT_EQ(dialog->txtIndex()->text(), "index.html index.htm default.htm index.php");
    EXPECT_FALSE(dialog->chkOrphans()->isChecked());
    for (QWidget* control : std::initializer_list<QWidget*>{
             dialog->txtFolder(), dialog->txtAddresses(), dialog->txtIndex(), dialog->cmdBrowse(),
             dialog->chkOrphans(), dialog->cmdCheck(), dialog->cmdCancel(), dialog->cmdHelp()})
        EXPECT_FALSE(control->accessibleName().isEmpty()) << control->objectName().toStdString();
}

TEST_F(CheckLinksDialog, ChoicesAreKeptOnEveryClose) {
    auto dialog = Open();
    dialogs_.Push(PathToQString(site_.root()));
    QTest::mouseClick(dialog->cmdBrowse(), Qt::LeftButton);
    EXPECT_EQ(dialog->txtFolder()->text(), PathToQString(site_.root()));
    dialog->txtAddresses()->setText("http://www.example.org/  https://example.org/");
    dialog->txtIndex()->setText("home.htm,index.htm");
    dialog->chkOrphans()->setChecked(true);
    QTest::mouseClick(dialog->cmdCancel(), Qt::LeftButton);
    EXPECT_EQ(Ini().GetINI("Addresses"), "2");
    EXPECT_EQ(Ini().GetINI("Address(1)"), "https://example.org/");

    dialog = Open();
    EXPECT_EQ(dialog->txtFolder()->text(), PathToQString(site_.root()));
    EXPECT_EQ(dialog->txtAddresses()->text(), "http://www.example.org/ https://example.org/");
    EXPECT_EQ(dialog->txtIndex()->text(), "home.htm index.htm");
    EXPECT_TRUE(dialog->chkOrphans()->isChecked());
    const LinkCheckOptions options = dialog->Options();
    EXPECT_EQ(options.indexNames, (std::vector<std::string>{"home.htm", "index.htm"}));
    EXPECT_EQ(options.addresses.size(), 2u);
}

TEST_F(CheckLinksDialog, CheckRefusesWhatCannotBeChecked) {
    struct Row {
        const char* name;
        QString folder, index, message;
    } rows[] = {
        {"no folder", " ", "index.htm", "Please specify the site's folder."},
        {"folder not there", PathToQString(site_.Path("none")), "index.htm",
         "The folder \"" + PathToQString(site_.Path("none")) + "\" does not exist."},
        {"a file is no folder", PathToQString(site_.Path("logo.gif")), "index.htm",
         "The folder \"" + PathToQString(site_.Path("logo.gif")) + "\" does not exist."},
        {"no index names", PathToQString(site_.root()), " , ",
         "Please specify at least one index document."},
    };
    for (const Row& row : rows) {
        prompter_.clear();
        auto dialog = Open();
        dialog->txtFolder()->setText(row.folder);
        dialog->txtIndex()->setText(row.index);
        QTest::mouseClick(dialog->cmdCheck(), Qt::LeftButton);
        EXPECT_EQ(prompter_.texts(), QStringList{row.message}) << row.name;
        EXPECT_TRUE(dialog->isVisible()) << row.name;
    }
}

TEST_F(CheckLinksDialog, ReportReplacesTheDocumentAfterTheSaveQuestion) {
    struct Row {
        const char* name;
        PromptAnswer answer;
        bool replaced;
    } rows[] = {{"cancel keeps the document", PromptAnswer::Cancel, false},
                {"no replaces it", PromptAnswer::No, true}};
    for (const Row& row : rows) {
        main_->Rich1()->LoadBytes("my notes");
        main_->State().DocumentFile = "/notes.txt";
        main_->State().DocumentModified = true;
        prompter_.clear();
        prompter_.Push(row.answer);
        auto dialog = Open();
        dialog->txtFolder()->setText(PathToQString(site_.root()));
        QTest::mouseClick(dialog->cmdCheck(), Qt::LeftButton);
        ASSERT_EQ(prompter_.asked().size(), 1) << row.name;
        EXPECT_EQ(dialog->isVisible(), !row.replaced) << row.name;
        if (!row.replaced) {
            EXPECT_EQ(Document(), "my notes") << row.name;
            continue;
        }
        EXPECT_EQ(Document(), "[FILE = \"" + site_.Path("index.htm") +
                                  "\"]\r\n\r\n[MISSING]\r\ngone.htm\r\n\r\n[CASE]\r\nLogo.gif\r\n"
                                  "\r\n\r\n; Checked 1 page, 2 links: 1 missing, 1 case, 0 "
                                  "outside; 0 not checked (other hosts or schemes).\r\n");
        EXPECT_TRUE(main_->State().DocumentFile.isEmpty());
        EXPECT_EQ(main_->windowTitle(), "Untitled - Morvane");
        EXPECT_TRUE(main_->isEnabled());
        EXPECT_TRUE(main_->State().StopRequest);
        EXPECT_EQ(main_->StatusText(), "Ready");
    }
}

TEST_F(CheckLinksDialog, CancelInTheProgressWindowLeavesTheDocument) {
    main_->Rich1()->LoadBytes("my notes");
    main_->State().DocumentModified = false;
    auto dialog = Open();
    dialog->txtFolder()->setText(PathToQString(site_.root()));
    QTimer::singleShot(0, main_.get(), [this] {
        auto* progress = main_->findChild<frmProgress*>("frmProgress");
        ASSERT_NE(progress, nullptr);
        QTest::mouseClick(progress->cmdCancel(), Qt::LeftButton);
    });
    QTest::mouseClick(dialog->cmdCheck(), Qt::LeftButton);
    EXPECT_EQ(Document(), "my notes");
    EXPECT_TRUE(prompter_.asked().isEmpty());
    EXPECT_TRUE(main_->isEnabled());
    EXPECT_TRUE(main_->State().StopRequest);
    EXPECT_FALSE(dialog->isVisible());
}

}  // namespace
