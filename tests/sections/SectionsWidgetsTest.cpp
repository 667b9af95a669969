#include <gtest/gtest.h>

#include <QAction>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QTreeWidget>

#include <memory>
#include <string>

#include "editor/widgets/DocumentEditor.h"
#include "editor/widgets/EditorBuffer.h"
#include "editor/widgets/MainWindow.h"
#include "helpers/widgets/EventPump.h"
#include "helpers/widgets/Prompter.h"
#include "sections/core/SectionsTree.h"
#include "sections/widgets/SectionsCommands.h"
#include "tests/support/WidgetFakes.h"

using namespace morv;

namespace {

const std::string kReport =
    "[FILE = \"/web/a.htm\"]\r\n\r\n[SCRIPT]\r\nrun()\r\n\r\n[LINK]\r\n/web/b.htm\r\n\r\n\r\n"
    "[FILE = \"/web/b.htm\"]\r\n\r\n[E-MAIL]\r\nme@x.org\r\n\r\n\r\n"
    "[FILE = \"/web/c.htm\"]\r\n; Warning: File not found.\r\n\r\n\r\n\r\n";

class SectionsWidgets : public ::testing::Test {
  protected:
    void SetUp() override {
        main_ = std::make_unique<frmMain>(dir_.path(), dir_.path());
        InstallSectionsCommands(*main_);
        main_->Rich1()->LoadBytes(kReport);
        main_->State().DocumentModified = false;
        main_->show();
    }

    QTreeWidget* Tree() { return main_->TreeView1(); }
    std::string Bytes() { return DocumentBytes(main_->Rich1()); }
    EditorBuffer Buffer() { return EditorBuffer(main_->Rich1()); }
    void ClickToolbar(const char* key) { main_->ToolbarAction(key)->trigger(); }
    void ClickNode(QTreeWidgetItem* item) {
        Tree()->scrollToItem(item);
        const QRect rect = Tree()->visualItemRect(item);
        QTest::mouseClick(Tree()->viewport(), Qt::LeftButton, {}, rect.center());
    }

    QTemporaryDir dir_;
    std::unique_ptr<frmMain> main_;
};

TEST_F(SectionsWidgets, TreeButtonIndexesTheReport) {
    QAction* pane = main_->ToolbarAction("pane");
    ASSERT_FALSE(pane->isChecked());
    Buffer().SetCaret(kEndOfText);
    ClickToolbar("tree");

    ASSERT_EQ(Tree()->topLevelItemCount(), 1);
    QTreeWidgetItem* root = Tree()->topLevelItem(0);
    EXPECT_EQ(root->text(0), "Untitled");
    EXPECT_EQ(root->data(0, kNodeKeyRole).toString(), "root");
    EXPECT_TRUE(root->isExpanded());
    ASSERT_EQ(root->childCount(), 3);
    const char* texts[] = {"a.htm", "b.htm", "c.htm"};
    for (int i = 0; i < 3; ++i) {
        QTreeWidgetItem* file = root->child(i);
        EXPECT_EQ(file->text(0), texts[i]);
        EXPECT_EQ(file->data(0, kNodeImageRole).toInt(), kImageFile);
        EXPECT_FALSE(file->isExpanded());
        EXPECT_FALSE(file->icon(0).isNull());
        ASSERT_EQ(file->childCount(), 5);
        EXPECT_EQ(file->child(4)->text(0), "E-mail");
        EXPECT_EQ(file->child(4)->data(0, kNodeImageRole).toInt(), kImageSection);
    }
    EXPECT_EQ(root->child(0)->data(0, kNodeKeyRole).toString(), "/web/a.htm_8");
    EXPECT_EQ(root->child(1)->data(0, kNodeTagRole).toByteArray(), "/web/b.htm");

    EXPECT_EQ(main_->StatusText(), "Ready");
    EXPECT_TRUE(main_->State().StopRequest);
    EXPECT_EQ(Buffer().SelectionStart(), 0);
    EXPECT_TRUE(main_->IsSectionsPaneShown());
    EXPECT_TRUE(pane->isChecked());
    EXPECT_EQ(pane->toolTip(), " Hide Sections Pane ");
    EXPECT_FALSE(main_->Rich1()->isReadOnly());

    // A second request rebuilds from scratch; the document's name heads the tree.
    main_->State().DocumentFile = "/home/u/docs/report.txt";
    ClickToolbar("tree");
    ASSERT_EQ(Tree()->topLevelItemCount(), 1);
    EXPECT_EQ(Tree()->topLevelItem(0)->text(0), "report.txt");
    EXPECT_EQ(Tree()->topLevelItem(0)->childCount(), 3);
}

TEST_F(SectionsWidgets, AKeyAtAnyStepStopsTheBuildAfterTheCurrentFile) {
    // The build lets events run at every step here; the hook types the key at the chosen step.
    struct Row {
        const char* name;
        int files;  // file blocks in the report
        int keyAt;  // the step (1: before the first file) at which the key is typed; 0: none
        Qt::Key key;
        bool intoTree;  // typed into the tree instead of the covered editor
        int built;
    };
    const Row rows[] = {
        {"before the first file", 3, 1, Qt::Key_A, false, 0},
        {"after the first file", 3, 2, Qt::Key_Escape, true, 1},
        {"before the last file", 3, 3, Qt::Key_A, false, 2},
        {"no key", 3, 0, Qt::Key_A, false, 3},
        {"deep into a long report", 2000, 1500, Qt::Key_Escape, false, 1499},
    };
    for (const Row& row : rows) {
        std::string report;
        for (int i = 0; i < row.files; ++i)
            report += "[FILE = \"/web/p" + std::to_string(i) + ".htm\"]\r\n[LINK]\r\nx.htm\r\n\r\n";
        main_->Rich1()->LoadBytes(report);
        int step = 0;
        QWidget* target = row.intoTree ? static_cast<QWidget*>(Tree()) : main_->Rich1();
        ScopedHooks pump({.eachStep =
                              [&] {
                                  if (++step != row.keyAt) return;
                                  const QString text =
                                      row.key == Qt::Key_A ? QStringLiteral("a") : QString();
                                  QCoreApplication::postEvent(
                                      target, new QKeyEvent(QEvent::KeyPress, row.key, {}, text));
                              },
                          .pollIntervals = kPollAtEveryStep});
        ClickToolbar("tree");

        ASSERT_EQ(Tree()->topLevelItemCount(), 1) << row.name;
        QTreeWidgetItem* root = Tree()->topLevelItem(0);
        EXPECT_EQ(root->childCount(), row.built) << row.name;
        if (row.built > 0) {
            EXPECT_EQ(root->child(row.built - 1)->text(0),
                      QStringLiteral("p%1.htm").arg(row.built - 1))
                << row.name;
        }
        EXPECT_TRUE(root->isExpanded()) << row.name;
        EXPECT_EQ(main_->StatusText(), "Ready") << row.name;
        EXPECT_TRUE(main_->State().StopRequest) << row.name;
        EXPECT_EQ(Bytes(), report) << row.name << ": the key must not type into the document";
        EXPECT_FALSE(main_->Rich1()->isReadOnly()) << row.name;
    }
}

TEST_F(SectionsWidgets, ClickingNodesMovesTheSelection) {
    ClickToolbar("tree");
    QTreeWidgetItem* root = Tree()->topLevelItem(0);
    struct Row {
        const char* name;
        QTreeWidgetItem* node;
        long selStart;
        std::string selected;
    } rows[] = {
        // b.htm's path occurs first in a.htm's link list: the "[" before it is [LINK]'s.
        {"file node with an earlier mention", root->child(1), long(kReport.find("[LINK]")),
         kReport.substr(kReport.find("[LINK]"),
                        kReport.find(' ', kReport.find("[LINK]")) - kReport.find("[LINK]"))},
        {"file node", root->child(2), long(kReport.find("[FILE = \"/web/c")), "[FILE"},
        {"section node", root->child(0)->child(0), long(kReport.find("[SCRIPT]")), "[SCRIPT]"},
        {"missing section: a later block's header", root->child(0)->child(4),
         long(kReport.find("[E-MAIL]")), "[E-MAIL]"},
        {"document node", root, 0, ""},
    };
    for (const Row& row : rows) {
        Buffer().Select(20, 3);
        ClickNode(row.node);
        EXPECT_EQ(Buffer().SelectionStart(), row.selStart) << row.name;
        EXPECT_EQ(Buffer().SelectedText(), row.selected) << row.name;
    }
}

TEST_F(SectionsWidgets, EnterOnANodeNavigates) {
    ClickToolbar("tree");
    QTreeWidgetItem* script = Tree()->topLevelItem(0)->child(0)->child(0);
    Tree()->setCurrentItem(script);
    Tree()->setFocus();
    QTest::keyClick(Tree(), Qt::Key_Return);
    EXPECT_EQ(Buffer().SelectedText(), "[SCRIPT]");
}

TEST_F(SectionsWidgets, CleanupCommands) {
    struct Row {
        const char* name;
        const char* action;
        PromptAnswer answer;
        QString question;
        std::string after;
        bool treeKept;
    } rows[] = {
        {"remove sections", "mnuActionsRemoveSection", PromptAnswer::OK,
         "This will remove all section attributes on this document.",
         "\r\nrun()\r\n\r\n/web/b.htm\r\n\r\n\r\n\r\nme@x.org\r\n\r\n\r\n"
         "; Warning: File not found.\r\n\r\n\r\n\r\n",
         false},
        {"remove empty lines", "mnuActionsRemove", PromptAnswer::OK,
         "This will remove all empty-lines on this document.",
         "[FILE = \"/web/a.htm\"]\r\n[SCRIPT]\r\nrun()\r\n[LINK]\r\n/web/b.htm\r\n"
         "[FILE = \"/web/b.htm\"]\r\n[E-MAIL]\r\nme@x.org\r\n"
         "[FILE = \"/web/c.htm\"]\r\n; Warning: File not found.\r\n",
         true},
        {"cancelled", "mnuActionsRemoveSection", PromptAnswer::Cancel,
         "This will remove all section attributes on this document.", kReport, true},
    };
    for (const Row& row : rows) {
        main_->Rich1()->LoadBytes(kReport);
        main_->Rich1()->EmptyUndoBuffer();
        main_->State().DocumentModified = false;
        ClickToolbar("tree");
        main_->SetStatusText("Idle");
        ScriptedPrompter prompter({row.answer});
        ScopedPrompter scoped(&prompter);
        main_->MenuAction(row.action)->trigger();

        ASSERT_EQ(prompter.asked().size(), 1) << row.name;
        const Prompt& prompt = prompter.asked().front();
        EXPECT_EQ(prompt.text, row.question) << row.name;
        EXPECT_EQ(prompt.buttons, PromptButtons::OKCancel) << row.name;
        EXPECT_EQ(prompt.icon, PromptIcon::None) << row.name;
        EXPECT_EQ(prompt.title, "Morvane") << row.name;
        EXPECT_EQ(Bytes(), row.after) << row.name;
        EXPECT_EQ(Tree()->topLevelItemCount(), row.treeKept ? 1 : 0) << row.name;
        const bool ran = row.answer == PromptAnswer::OK;
        EXPECT_EQ(main_->StatusText(), ran ? "Ready" : "Idle") << row.name;
        EXPECT_EQ(main_->State().DocumentModified, ran) << row.name;
        // The whole command is one undo step.
        main_->Rich1()->undo();
        EXPECT_EQ(Bytes(), kReport) << row.name;
    }
}

}  // namespace
