#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTreeWidget>

#include <fstream>

#include "helpers/widgets/Prompter.h"
#include "services/widgets/HelpFiles.h"
#include "services/widgets/HelpWindow.h"
#include "tests/support/SpecialFiles.h"

namespace morv {
namespace {

// Each test starts without a help window, with the help set the build copied beside the tests.
class HelpTest : public ::testing::Test {
  protected:
    void TearDown() override {
        delete CurrentHelpWindow();
        SetShippedFileFolders({});
    }
    ScriptedPrompter prompter_;
    ScopedPrompter scoped_{&prompter_};
};

TEST_F(HelpTest, NamedTopicsOfTheCallersOpen) {
    for (const char* topic :
         {"license.htm", "support.htm", "actions_extract.htm", "actions_fix.htm"}) {
        EXPECT_TRUE(ShowHelpTopic(nullptr, QString::fromLatin1(topic))) << topic;
        ASSERT_NE(CurrentHelpWindow(), nullptr);
        EXPECT_EQ(CurrentHelpWindow()->CurrentTopic(), QString::fromLatin1(topic));
        EXPECT_TRUE(CurrentHelpWindow()->isVisible());
        EXPECT_TRUE(CurrentHelpWindow()->windowTitle().endsWith(QStringLiteral(" - Morvane Help")))
            << CurrentHelpWindow()->windowTitle().toStdString();
    }
    EXPECT_TRUE(prompter_.asked().isEmpty());
}

TEST_F(HelpTest, TopicsOutsideTheHelpSetFail) {
    for (const char* topic : {"missing.htm", "../License.txt", "/etc/passwd", ""}) {
        prompter_.clear();
        EXPECT_FALSE(ShowHelpTopic(nullptr, QString::fromLatin1(topic))) << topic;
        ASSERT_EQ(prompter_.asked().size(), 1) << topic;
        EXPECT_EQ(prompter_.asked()[0].text, QStringLiteral("Unable to open the help topic."));
        EXPECT_EQ(prompter_.asked()[0].icon, PromptIcon::Critical);
        EXPECT_EQ(prompter_.asked()[0].title, QStringLiteral("Morvane"));
    }
}

TEST_F(HelpTest, MissingHelpSetGivesOneInitialisationMessagePerRequest) {
    QTemporaryDir empty;
    SetShippedFileFolders({empty.path()});
    EXPECT_FALSE(IsHelpAvailable(nullptr));
    EXPECT_FALSE(ShowHelpContents(nullptr));
    EXPECT_FALSE(ShowHelpSearch(nullptr));
    EXPECT_FALSE(ShowHelpTopic(nullptr, QStringLiteral("support.htm")));
    ASSERT_EQ(prompter_.asked().size(), 4);
    for (const Prompt& p : prompter_.asked()) {
        EXPECT_TRUE(
            p.text.startsWith(QStringLiteral("Unable to initialize the help system.\r\n\r\n")));
        EXPECT_TRUE(p.text.contains(empty.path())) << "names where the help set belongs";
        EXPECT_EQ(p.icon, PromptIcon::Critical);
    }
    EXPECT_EQ(CurrentHelpWindow(), nullptr);
}

TEST_F(HelpTest, UnreadableContentsPageFailsContents) {
    // A contents page that exists but cannot be read (a folder of that name reads as nothing,
    // also for root, whom file permissions do not stop).
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("html/index.htm")));
    SetShippedFileFolders({dir.path()});
    EXPECT_FALSE(ShowHelpContents(nullptr));
    EXPECT_EQ(prompter_.texts(), QStringList{QStringLiteral("Unable to open the help contents.")});
}

// A named pipe as a page of the help set is passed over at once: it is no topic.
TEST_F(HelpTest, PipesInTheHelpSetNeverHang) {
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("html")));
    const std::string html = dir.filePath(QStringLiteral("html")).toStdString();
    std::ofstream(html + "/index.htm") << "<a href=\"pipe.htm\">Pipe</a>";
    ASSERT_TRUE(special_files::MakeFifo(html + "/pipe.htm"));
    SetShippedFileFolders({dir.path()});
    EXPECT_FALSE(ShowHelpTopic(nullptr, QStringLiteral("pipe.htm")));
    EXPECT_EQ(prompter_.texts(), QStringList{QStringLiteral("Unable to open the help topic.")});
}

TEST_F(HelpTest, ContentsTreeListsTheTopicsAndOpensThem) {
    ASSERT_TRUE(ShowHelpContents(nullptr));
    HelpWindow* window = CurrentHelpWindow();
    EXPECT_EQ(window->CurrentTopic(), QStringLiteral("index.htm"));
    auto* tree = window->findChild<QTreeWidget*>(QStringLiteral("treeContents"));
    ASSERT_NE(tree, nullptr);
    QStringList files;
    for (QTreeWidgetItemIterator it(tree); *it; ++it)
        files << (*it)->data(0, Qt::UserRole).toString();
    for (const char* topic :
         {"license.htm", "support.htm", "actions_extract.htm", "actions_fix.htm"})
        EXPECT_TRUE(files.contains(QString::fromLatin1(topic))) << topic;
    // Every entry of the contents names a page of the help set.
    for (const QString& file : files)
        EXPECT_TRUE(window->ShowTopic(file)) << file.toStdString();

    QTreeWidgetItem* fix = nullptr;
    for (QTreeWidgetItemIterator it(tree); *it; ++it)
        if ((*it)->data(0, Qt::UserRole).toString() == QStringLiteral("actions_fix.htm")) fix = *it;
    ASSERT_NE(fix, nullptr);
    tree->scrollToItem(fix);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(fix).center());
    EXPECT_EQ(window->CurrentTopic(), QStringLiteral("actions_fix.htm"));
}

TEST_F(HelpTest, SearchListsMatchingTopicsAndOpensOne) {
    ASSERT_TRUE(ShowHelpSearch(nullptr));
    HelpWindow* window = CurrentHelpWindow();
    auto* query = window->findChild<QLineEdit*>(QStringLiteral("txtSearch"));
    auto* results = window->findChild<QListWidget*>(QStringLiteral("lstResults"));
    ASSERT_NE(query, nullptr);
    ASSERT_NE(results, nullptr);

    QTest::keyClicks(query, QStringLiteral("license"));
    QTest::keyClick(query, Qt::Key_Return);
    ASSERT_GT(results->count(), 0);
    QStringList found;
    for (int i = 0; i < results->count(); ++i)
        found << results->item(i)->data(Qt::UserRole).toString();
    EXPECT_TRUE(found.contains(QStringLiteral("license.htm")));

    const int row = int(found.indexOf(QStringLiteral("license.htm")));
    QTest::mouseClick(results->viewport(), Qt::LeftButton, {},
                      results->visualItemRect(results->item(row)).center());
    EXPECT_EQ(window->CurrentTopic(), QStringLiteral("license.htm"));
    auto* browser = window->findChild<QTextBrowser*>(QStringLiteral("txtTopic"));
    EXPECT_EQ(browser->textCursor().selectedText().toLower(), QStringLiteral("license"));

    query->clear();
    QTest::keyClicks(query, QStringLiteral("zzzqqq"));
    window->findChild<QPushButton*>(QStringLiteral("cmdSearch"))->click();
    ASSERT_EQ(results->count(), 1);
    EXPECT_EQ(results->item(0)->text(), QStringLiteral("No topics found."));
    EXPECT_TRUE(results->item(0)->data(Qt::UserRole).toString().isEmpty());
}

TEST_F(HelpTest, EveryLinkOfTheHelpSetLeadsToAPage) {
    const QString contents = FindShippedFile(QStringLiteral("html/index.htm"));
    ASSERT_FALSE(contents.isEmpty());
    const QDir folder = QFileInfo(contents).dir();
    const QStringList pages = folder.entryList({QStringLiteral("*.htm")}, QDir::Files);
    EXPECT_GE(pages.size(), 5);
    for (const QString& page : pages) {
        QFile file(folder.filePath(page));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << page.toStdString();
        const std::string html = file.readAll().toStdString();
        EXPECT_FALSE(HtmlTitle(html).empty()) << page.toStdString() << " has no title";
        for (const ContentsEntry& link : ParseContents(html))
            EXPECT_TRUE(folder.exists(QString::fromStdString(link.fileName)))
                << page.toStdString() << " links to " << link.fileName;
    }
}

TEST_F(HelpTest, OneHelpWindowServesEveryRequest) {
    ASSERT_TRUE(ShowHelpContents(nullptr));
    HelpWindow* first = CurrentHelpWindow();
    ASSERT_TRUE(ShowHelpTopic(nullptr, QStringLiteral("support.htm")));
    ASSERT_TRUE(ShowHelpSearch(nullptr));
    EXPECT_EQ(CurrentHelpWindow(), first);
}

}  // namespace
}  // namespace morv
