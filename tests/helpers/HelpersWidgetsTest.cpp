#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include <gtest/gtest.h>

#include <functional>

#include "helpers/widgets/FileDialogs.h"
#include "helpers/widgets/FlatToolbar.h"
#include "helpers/widgets/Prompter.h"
#include "tests/support/WidgetFakes.h"

using namespace morv;

namespace {

const QString kTextFilter = "Text Documents (*.txt)|*.txt|All Files (*.*)|*.*";

TEST(FileDialogs, OpenAndSaveSetLastPathOnlyWhenConfirmed) {
    ScriptedFileDialogs dialogs;
    ScopedFileDialogs scoped(&dialogs);
    QString lastPath = "/start";
    dialogs.Push("/srv/site/index.htm");
    EXPECT_EQ(ShowOpenDialog(nullptr, kTextFilter, lastPath, "Open", "", &lastPath),
              "/srv/site/index.htm");
    EXPECT_EQ(lastPath, "/srv/site");
    dialogs.Push(QStringList());  // cancelled
    EXPECT_EQ(ShowSaveDialog(nullptr, kTextFilter, "", lastPath, "Save As", &lastPath), "");
    EXPECT_EQ(lastPath, "/srv/site");
    dialogs.Push("/a.txt");
    ShowSaveDialog(nullptr, kTextFilter, "", lastPath, "Save As", &lastPath);
    EXPECT_EQ(lastPath, "");  // a file in the root folder
    ASSERT_EQ(dialogs.calls().size(), 3);
    EXPECT_EQ(dialogs.calls()[0].initialFolder, "/start");
    EXPECT_EQ(dialogs.calls()[1].initialFolder, "/srv/site");
    EXPECT_EQ(dialogs.calls()[1].title, "Save As");
    EXPECT_EQ(dialogs.calls()[0].nameFilters, "Text Documents (*.txt);;All Files (*)");
}

TEST(FileDialogs, SelectFilesReplacesTheListOnlyWhenConfirmed) {
    ScriptedFileDialogs dialogs;
    ScopedFileDialogs scoped(&dialogs);
    QStringList files{"/old"};
    dialogs.Push(QStringList{"/site/a.htm", "/site/b.htm"});
    EXPECT_TRUE(SelectFiles(nullptr, files, "HTML (*.htm)|*.htm", "Add", "/site"));
    EXPECT_EQ(files, QStringList({"/site/a.htm", "/site/b.htm"}));
    EXPECT_FALSE(SelectFiles(nullptr, files, "HTML (*.htm)|*.htm", "Add", "/site"));
    EXPECT_EQ(files.size(), 2);
    dialogs.Push("/site");
    EXPECT_EQ(BrowseForFolder(nullptr, "Folder", "/srv"), "/site");
    EXPECT_EQ(BrowseForFolder(nullptr, "Folder", "/srv"), "");
    EXPECT_EQ(dialogs.calls().last().initialFolder, "/srv");
}

TEST(QtFileDialogs, OpenInTheFolderGivenElseInTheHomeFolder) {
    QTemporaryDir given;
    const QString home = QDir(QDir::homePath()).canonicalPath();
    QtFileDialogs dialogs;
    using Show = std::function<void(const QString& initialFolder)>;
    const struct {
        const char* name;
        Show show;
    } kinds[] = {
        {"open", [&](const QString& f) { dialogs.OpenFile(nullptr, "All (*)", f, "Open", ""); }},
        {"save",
         [&](const QString& f) { dialogs.SaveFile(nullptr, "All (*)", "", f, "Save", ""); }},
        {"files", [&](const QString& f) { dialogs.OpenFiles(nullptr, "All (*)", "Add", f); }},
        {"folder", [&](const QString& f) { dialogs.Folder(nullptr, "Folder", f); }},
    };
    for (const auto& kind : kinds) {
        for (const QString& initial : {QString(), given.path()}) {
            QString shown;
            QTimer::singleShot(0, qApp, [&shown] {
                auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
                ASSERT_NE(dialog, nullptr);
                shown = dialog->directory().canonicalPath();
                dialog->reject();
            });
            kind.show(initial);
            EXPECT_EQ(shown, initial.isEmpty() ? home : QDir(initial).canonicalPath())
                << kind.name << " from \"" << initial.toStdString() << "\"";
        }
    }
}

TEST(FileDialogs, HiddenFileTypedAmongQuotedNamesIsChosenToo) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const char* name : {"a.txt", ".hidden", "b.txt"}) {
        QFile file(dir.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    QTimer::singleShot(0, qApp, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        // Typed once the folder is listed, as a person would.
        auto* model = dialog->findChild<QFileSystemModel*>();
        for (int i = 0; i < 250 && model->rowCount(model->index(dir.path())) < 2; ++i)
            QTest::qWait(20);
        auto* edit = dialog->findChild<QLineEdit*>("fileNameEdit");
        ASSERT_NE(edit, nullptr);
        dialog->activateWindow();
        (void)QTest::qWaitForWindowActive(dialog);
        edit->setFocus();
        dialog->selectFile(dir.filePath("a.txt"));  // picked in the list first
        edit->selectAll();
        QTest::keyClicks(edit, "\"a.txt\" \".hidden\"");
        QTest::keyClick(edit, Qt::Key_Return);
    });
    QtFileDialogs dialogs;
    const QStringList files =
        dialogs.OpenFiles(nullptr, "All Files (*)", "Select Files", dir.path());
    EXPECT_EQ(files, (QStringList{dir.filePath("a.txt"), dir.filePath(".hidden")}));
}

TEST(FlatToolbar, ToggledTwiceIsAsBefore) {
    QToolBar toolbar;
    QAction* action = toolbar.addAction("x");
    auto* button = qobject_cast<QToolButton*>(toolbar.widgetForAction(action));
    ASSERT_NE(button, nullptr);
    SetToolbarFlat(&toolbar, false);
    ToggleFlatToolbar(&toolbar);
    EXPECT_TRUE(IsFlatToolbar(&toolbar));
    EXPECT_TRUE(button->autoRaise());
    ToggleFlatToolbar(&toolbar);
    EXPECT_FALSE(IsFlatToolbar(&toolbar));
    EXPECT_FALSE(button->autoRaise());
    // Qt's own default is flat: one toggle of an untouched toolbar raises it.
    QToolBar fresh;
    fresh.addAction("y");
    EXPECT_TRUE(IsFlatToolbar(&fresh));
}

TEST(MessageBoxPrompter, ShowsTitleIconButtonsAndDefault) {
    struct Row {
        const char* name;
        PromptButtons buttons;
        PromptIcon icon;
        PromptAnswer defaultAnswer;
        QMessageBox::StandardButtons expectedButtons;
        QMessageBox::Icon expectedIcon;
        QMessageBox::StandardButton expectedDefault;
        QMessageBox::StandardButton press;
        PromptAnswer expectedAnswer;
    } rows[] = {
        {"save question", PromptButtons::YesNoCancel, PromptIcon::Exclamation, PromptAnswer::Yes,
         QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Warning,
         QMessageBox::Yes, QMessageBox::Cancel, PromptAnswer::Cancel},
        {"clean-up confirmation", PromptButtons::OKCancel, PromptIcon::None, PromptAnswer::Cancel,
         QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::NoIcon, QMessageBox::Cancel,
         QMessageBox::Ok, PromptAnswer::OK},
        {"replace question", PromptButtons::YesYesToAllNoCancel, PromptIcon::Question,
         PromptAnswer::No,
         QMessageBox::Yes | QMessageBox::YesToAll | QMessageBox::No | QMessageBox::Cancel,
         QMessageBox::Question, QMessageBox::No, QMessageBox::YesToAll, PromptAnswer::YesToAll},
    };
    for (const Row& row : rows) {
        QMessageBox::StandardButtons seenButtons;
        QMessageBox::Icon seenIcon = QMessageBox::NoIcon;
        QMessageBox::StandardButton seenDefault = QMessageBox::NoButton;
        QString seenTitle;
        QTimer::singleShot(0, qApp, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            seenButtons = box->standardButtons();
            seenIcon = box->icon();
            seenDefault = box->standardButton(box->defaultButton());
            seenTitle = box->windowTitle();
            box->button(row.press)->click();
        });
        MessageBoxPrompter prompter;
        PromptAnswer answer = prompter.Ask(
            nullptr, Prompt{"text", row.buttons, row.icon, row.defaultAnswer, "Morvane"});
        EXPECT_EQ(answer, row.expectedAnswer) << row.name;
        EXPECT_EQ(seenButtons, row.expectedButtons) << row.name;
        EXPECT_EQ(seenIcon, row.expectedIcon) << row.name;
        EXPECT_EQ(seenDefault, row.expectedDefault) << row.name;
        EXPECT_EQ(seenTitle, "Morvane") << row.name;
    }
}

TEST(MessageBoxPrompter, CaptionsNameTheButtonsInTheOrderOfTheAnswers) {
    QStringList seen;
    QTimer::singleShot(0, qApp, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        for (QMessageBox::StandardButton button :
             {QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel})
            seen.append(box->button(button)->text());
        box->button(QMessageBox::No)->click();
    });
    MessageBoxPrompter prompter;
    EXPECT_EQ(prompter.Ask(nullptr, Prompt{"text",
                                           PromptButtons::YesNoCancel,
                                           PromptIcon::Question,
                                           PromptAnswer::Yes,
                                           "Trellin",
                                           {"Turn Back", "Finish", "Later"}}),
              PromptAnswer::No);
    EXPECT_EQ(seen, (QStringList{"Turn Back", "Finish", "Later"}));
}

TEST(ScriptedPrompter, RecordsAndCountsUnexpectedQuestions) {
    ScriptedPrompter prompter({PromptAnswer::No});
    ScopedPrompter scoped(&prompter);
    EXPECT_EQ(
        Ask(nullptr, "one", PromptButtons::YesNo, PromptIcon::Question, PromptAnswer::Yes, "T"),
        PromptAnswer::No);
    EXPECT_EQ(
        Ask(nullptr, "two", PromptButtons::YesNo, PromptIcon::Question, PromptAnswer::Yes, "T"),
        PromptAnswer::Yes);
    EXPECT_EQ(prompter.texts(), QStringList({"one", "two"}));
    EXPECT_EQ(prompter.unexpected(), 1);
}

}  // namespace
