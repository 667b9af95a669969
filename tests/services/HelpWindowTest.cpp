#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHelpContentItem>
#include <QHelpContentModel>
#include <QHelpContentWidget>
#include <QHelpEngine>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>

#include <fstream>
#include <functional>

#include "helpers/widgets/Prompter.h"
#include "services/widgets/HelpFiles.h"
#include "services/widgets/HelpWindow.h"
#include "tests/support/SpecialFiles.h"
#include "tests/support/WidgetFakes.h"

namespace morv {
namespace {

// Each test starts without a help window, with the help collection the build made beside the
// tests.
class HelpTest : public ::testing::Test {
  protected:
    void TearDown() override { delete CurrentHelpWindow(); }
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
    ScopedHooks folders({.shippedFileFolders = {empty.path()}});
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

// A collection that cannot be read (a folder of that name), or that is a named pipe, which
// SQLite would wait on, is no help: the request fails at once with its message.
TEST_F(HelpTest, CollectionsThatCannotBeReadFailAtOnce) {
    for (const bool pipe : {false, true}) {
        QTemporaryDir dir;
        const std::string collection = dir.filePath(QStringLiteral("morv.qhc")).toStdString();
        if (pipe) {
            ASSERT_TRUE(special_files::MakeFifo(collection));
            std::ofstream(dir.filePath(QStringLiteral("morv.qch")).toStdString()) << "x";
        } else {
            ASSERT_TRUE(QDir().mkpath(QString::fromStdString(collection)));
        }
        ScopedHooks folders({.shippedFileFolders = {dir.path()}});
        prompter_.clear();
        EXPECT_FALSE(ShowHelpContents(nullptr)) << pipe;
        EXPECT_EQ(prompter_.texts(),
                  QStringList{QStringLiteral("Unable to open the help contents.")})
            << pipe;
    }
}

TEST_F(HelpTest, ContentsTreeListsTheTopicsAndOpensThem) {
    ASSERT_TRUE(ShowHelpContents(nullptr));
    HelpWindow* window = CurrentHelpWindow();
    EXPECT_EQ(window->CurrentTopic(), QStringLiteral("index.htm"));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Contents - Morvane Help"));
    auto* tree = window->findChild<QHelpContentWidget*>(QStringLiteral("treeContents"));
    ASSERT_NE(tree, nullptr);
    QHelpContentModel* model = window->Engine()->contentModel();
    QSignalSpy ready(window, &HelpWindow::contentsReady);
    ASSERT_TRUE(model->rowCount() > 0 || ready.wait(60000));

    QStringList files;
    QModelIndex fix;
    std::function<void(const QModelIndex&)> walk = [&](const QModelIndex& parent) {
        for (int row = 0; row < model->rowCount(parent); ++row) {
            const QModelIndex index = model->index(row, 0, parent);
            const QString file = model->contentItemAt(index)->url().fileName();
            files << file;
            if (file == QStringLiteral("actions_fix.htm")) fix = index;
            walk(index);
        }
    };
    walk(QModelIndex());
    for (const char* topic :
         {"index.htm", "license.htm", "support.htm", "actions_extract.htm", "actions_fix.htm"})
        EXPECT_TRUE(files.contains(QString::fromLatin1(topic))) << topic;
    // Every entry of the contents opens by its name.
    for (const QString& file : files)
        EXPECT_TRUE(window->ShowTopic(file)) << file.toStdString();

    ASSERT_TRUE(fix.isValid());
    tree->scrollTo(fix);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualRect(fix).center());
    EXPECT_EQ(window->CurrentTopic(), QStringLiteral("actions_fix.htm"));
}

// The search runs on Qt Help's index of the pages, built on a thread when the window opens: each
// query waits for its topics to be listed.
TEST_F(HelpTest, SearchListsTheTopicsThatHoldWhatWasTyped) {
    ASSERT_TRUE(ShowHelpSearch(nullptr));
    HelpWindow* window = CurrentHelpWindow();
    auto* query = window->findChild<QLineEdit*>(QStringLiteral("txtSearch"));
    auto* results = window->findChild<QListWidget*>(QStringLiteral("lstResults"));
    ASSERT_NE(query, nullptr);
    ASSERT_NE(results, nullptr);
    auto search = [&](const QString& words) {
        QSignalSpy listed(window, &HelpWindow::topicsListed);
        query->setText(words);
        QTest::keyClick(query, Qt::Key_Return);
        EXPECT_TRUE(listed.count() > 0 || listed.wait(60000)) << words.toStdString();
        QStringList found;
        for (int i = 0; i < results->count(); ++i)
            found << results->item(i)->data(Qt::UserRole).toUrl().fileName();
        return found;
    };
    struct Row {
        const char* name;
        const char* query;
        const char* topic;  // among the topics found
    };
    const Row rows[] = {
        {"a word", "license", "license.htm"},
        {"a file name with its dot", "morv.ini", "settings.htm"},
        {"a section header", "[IMAGE]", "report_format.htm"},
        {"a phrase", "\"site root\"", "actions_fix.htm"},
        {"a word as the start of longer ones", "renam", "renamer.htm"},
        {"letter case", "TRELLIN", "renamer.htm"},
    };
    for (const Row& row : rows)
        EXPECT_TRUE(search(QString::fromUtf8(row.query)).contains(QString::fromLatin1(row.topic)))
            << row.name;

    const QStringList found = search(QStringLiteral("license"));
    const int row = int(found.indexOf(QStringLiteral("license.htm")));
    ASSERT_GE(row, 0);
    QTest::mouseClick(results->viewport(), Qt::LeftButton, {},
                      results->visualItemRect(results->item(row)).center());
    EXPECT_EQ(window->CurrentTopic(), QStringLiteral("license.htm"));
    auto* browser = window->findChild<QTextBrowser*>(QStringLiteral("txtTopic"));
    EXPECT_EQ(browser->textCursor().selectedText().toLower(), QStringLiteral("license"));

    for (const char* nothing : {"zzzqqq", "license zzzqqq", "[]"}) {
        search(QString::fromLatin1(nothing));
        ASSERT_EQ(results->count(), 1) << nothing;
        EXPECT_EQ(results->item(0)->text(), QStringLiteral("No topics found.")) << nothing;
        EXPECT_TRUE(results->item(0)->data(Qt::UserRole).isNull()) << nothing;
    }
}

// Links between the pages stay in the window; any other address goes to the desktop.
TEST_F(HelpTest, OtherAddressesGoToTheDesktop) {
    QList<QUrl> opened;
    ScopedHooks desktop({.openUrl = [&opened](const QUrl& url) {
        opened << url;
        return true;
    }});
    ASSERT_TRUE(ShowHelpTopic(nullptr, QStringLiteral("index.htm")));
    auto* browser = CurrentHelpWindow()->findChild<QTextBrowser*>(QStringLiteral("txtTopic"));
    browser->setSource(browser->source().resolved(QUrl(QStringLiteral("menus.htm"))));
    EXPECT_EQ(CurrentHelpWindow()->CurrentTopic(), QStringLiteral("menus.htm"));
    const QUrl mail(QStringLiteral("mailto:web@example.org"));
    browser->setSource(mail);
    EXPECT_EQ(opened, QList<QUrl>{mail});
    EXPECT_EQ(CurrentHelpWindow()->CurrentTopic(), QStringLiteral("menus.htm"));
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
