#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPrinter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTimer>
#include <QTreeWidget>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <fstream>
#include <optional>
#include <sstream>

#include <gtest/gtest.h>

#include "editor/widgets/DocumentCommands.h"
#include "editor/widgets/DocumentEditor.h"
#include "editor/widgets/MainWindow.h"
#include "helpers/core/SystemFolder.h"
#include "helpers/widgets/FileDialogs.h"
#include "helpers/widgets/Prompter.h"
#include "services/widgets/AboutDialog.h"
#include "services/widgets/HelpWindow.h"
#include "services/widgets/PrintDialogs.h"
#include "tests/support/WidgetFakes.h"

using namespace morv;

namespace {

const QString kSaveQuestion =
    QStringLiteral("The text in the %1 file has changed.\r\n\r\nDo you want to save the changes?");

std::string ReadBytes(const QString& path) {
    std::ifstream in(path.toStdString(), std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// Makes writes past `bytes` fail (EFBIG) for the life of the object, the way a full disk does.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &old_);
        oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = old_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, oldHandler_);
    }

  private:
    rlimit old_{};
    void (*oldHandler_)(int) = nullptr;
};

class DocumentCommandsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(folder_.isValid());
        window_ = std::make_unique<frmMain>(folder_.path(), folder_.path());
        InstallDocumentCommands(*window_);
        InstallHelpCommands(*window_);
    }
    void TearDown() override {
        window_->State().DocumentModified = false;
        window_.reset();
    }

    QString PathOf(const QString& name) const { return folder_.filePath(name); }
    QString WriteFile(const QString& name, const std::string& content) {
        std::ofstream(PathOf(name).toStdString(), std::ios::binary) << content;
        return PathOf(name);
    }
    void Trigger(const char* action) {
        QAction* a = window_->MenuAction(action);
        ASSERT_NE(a, nullptr) << action;
        ASSERT_TRUE(a->isEnabled()) << action;
        a->trigger();
    }
    // Opens a file through File > Open.
    void Open(const QString& path) {
        dialogs_.Push(path);
        Trigger("mnuFileOpen");
    }
    DocumentEditor* Editor() { return window_->Rich1(); }
    // The editor's text with its CR LF breaks shown as '\n'.
    QString Text() {
        return DocumentEditor::DecodePiece(Editor()->Text())
            .replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    }
    // Typing at the end of the text: each '\n' a line break.
    void Type(QString text) {
        Editor()->setFocus();
        const long end = Editor()->Length();
        Editor()->SetSelection(end, end);
        Editor()->ReplaceRange(
            end, end, text.replace(QLatin1Char('\n'), QStringLiteral("\r\n")).toStdString());
    }

    QTemporaryDir folder_;
    std::unique_ptr<frmMain> window_;
    ScriptedPrompter prompter_;
    ScopedPrompter scoped_{&prompter_};
    ScriptedFileDialogs dialogs_;
    ScopedFileDialogs scopedDialogs_{&dialogs_};
    ScriptedPrintDialogs printDialogs_;
    ScopedPrintDialogs scopedPrint_{&printDialogs_};
    QList<QStringList> started_;
    int starterResult_ = 0;
    std::optional<ScopedHooks> starter_{
        WidgetHooks{.startProgram = [this](const QString& program, const QStringList& arguments) {
            started_.append(QStringList{program} + arguments);
            return starterResult_;
        }}};
};

TEST_F(DocumentCommandsTest, ModifiedDocumentQuestion) {
    struct Row {
        const char* name;
        bool titled;
        PromptAnswer answer;
        QStringList saveAs;  // the Save As dialog's answer (empty: cancelled)
        bool goesOn;         // QuerySaveChanges's result
        bool written;        // the text reached the document's file
        bool writeFails = false;
    };
    const Row rows[] = {
        {"untitled, Cancel keeps the text", false, PromptAnswer::Cancel, {}, false, false},
        {"untitled, No discards", false, PromptAnswer::No, {}, true, false},
        {"untitled, Yes then Save As cancelled still goes on",
         false,
         PromptAnswer::Yes,
         {},
         true,
         false},
        {"untitled, Yes and a name", false, PromptAnswer::Yes, {"saved.txt"}, true, true},
        {"titled, Yes saves in place", true, PromptAnswer::Yes, {}, true, true},
        {"titled, No leaves the file", true, PromptAnswer::No, {}, true, false},
        {"titled, Yes but the write fails: the text is kept",
         true,
         PromptAnswer::Yes,
         {},
         false,
         false,
         true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        prompter_.clear();
        window_->Commands().fileNew();
        QString file = PathOf(QStringLiteral("saved.txt"));
        QFile::remove(file);
        if (row.titled) {
            file = WriteFile(QStringLiteral("doc.txt"), "old");
            Open(file);
        }
        Type(QStringLiteral("edited"));
        ASSERT_TRUE(window_->State().DocumentModified);
        if (row.writeFails) {
            QFile::remove(file);
            QDir(folder_.path()).mkdir(QStringLiteral("doc.txt"));
        }
        prompter_.Push(row.answer);
        if (!row.titled && row.answer == PromptAnswer::Yes)
            dialogs_.Push(row.saveAs.isEmpty() ? QStringList{} : QStringList{file});

        EXPECT_EQ(window_->Commands().querySaveChanges(), row.goesOn);
        ASSERT_EQ(prompter_.asked().size(), row.writeFails ? 2 : 1);
        const Prompt& asked = prompter_.asked()[0];
        EXPECT_EQ(asked.text, kSaveQuestion.arg(row.titled ? "doc.txt" : "Untitled"));
        EXPECT_EQ(asked.buttons, PromptButtons::YesNoCancel);
        EXPECT_EQ(asked.icon, PromptIcon::Exclamation);
        EXPECT_EQ(asked.defaultAnswer, PromptAnswer::Yes);
        EXPECT_EQ(asked.title, QStringLiteral("Morvane"));
        EXPECT_EQ(QFileInfo::exists(file) && ReadBytes(file).find("edited") != std::string::npos,
                  row.written);
        EXPECT_EQ(window_->State().DocumentModified, !row.written);
        EXPECT_TRUE(Text().endsWith(QStringLiteral("edited")));
        window_->State().DocumentModified = false;
        if (row.writeFails) QDir(folder_.path()).rmdir(QStringLiteral("doc.txt"));
    }
}

TEST_F(DocumentCommandsTest, NewAfterTheQuestion) {
    Type(QStringLiteral("keep me"));
    prompter_.Push(PromptAnswer::Cancel);
    Trigger("mnuFileNew");
    EXPECT_EQ(Text(), QStringLiteral("keep me"));

    window_->TreeView1()->addTopLevelItem(new QTreeWidgetItem({QStringLiteral("root")}));
    prompter_.Push(PromptAnswer::No);
    Trigger("mnuFileNew");
    EXPECT_EQ(Text(), QString());
    EXPECT_EQ(window_->TreeView1()->topLevelItemCount(), 0);
    EXPECT_FALSE(window_->State().DocumentModified);
    EXPECT_EQ(window_->windowTitle(), QStringLiteral("Untitled - Morvane"));
    EXPECT_EQ(prompter_.unexpected(), 0);
}

TEST_F(DocumentCommandsTest, OpenSetsCaptionStateAndLastPath) {
    QDir(folder_.path()).mkdir(QStringLiteral("sub"));
    const QString plain = WriteFile(QStringLiteral("sub/a.txt"), "one\r\ntwo");
    const QString locked = WriteFile(QStringLiteral("b.txt"), "locked");
    QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::ReadGroup);
    const QString rtf = WriteFile(QStringLiteral("c.txt"), "{\\rtf1 {\\b Bold} text}");
    struct Row {
        QString path;
        QString caption;
        QString text;
    };
    const Row rows[] = {
        {plain, QStringLiteral("a.txt - Morvane"), QStringLiteral("one\ntwo")},
        {locked, QStringLiteral("b.txt [Read-only] - Morvane"), QStringLiteral("locked")},
        {rtf, QStringLiteral("c.txt - Morvane"), QStringLiteral("{\\rtf1 {\\b Bold} text}")},
    };
    for (const Row& row : rows) {
        window_->TreeView1()->addTopLevelItem(new QTreeWidgetItem({QStringLiteral("root")}));
        Open(row.path);
        EXPECT_EQ(window_->windowTitle(), row.caption);
        EXPECT_EQ(Text(), row.text) << "Open shows the file's text as it is";
        EXPECT_EQ(window_->State().DocumentFile, row.path);
        EXPECT_FALSE(window_->State().DocumentModified);
        EXPECT_EQ(window_->State().LastPath, QFileInfo(row.path).absolutePath());
        EXPECT_EQ(window_->TreeView1()->topLevelItemCount(), 0);
        EXPECT_EQ(window_->StatusText(), QStringLiteral("Ready"));
    }
    const DialogCall& call = dialogs_.calls().last();
    EXPECT_EQ(call.title, QStringLiteral("Open"));
    EXPECT_EQ(call.nameFilters, QStringLiteral("Text Documents (*.txt);;All Files (*)"));
    EXPECT_EQ(call.initialFolder, folder_.path()) << "the folder of the previous file";

    // Cancelled: nothing changes, the status still ends with "Ready".
    window_->SetStatusText(QStringLiteral("Busy"));
    dialogs_.Push(QStringList{});
    Trigger("mnuFileOpen");
    EXPECT_EQ(window_->State().DocumentFile, rtf);
    EXPECT_EQ(window_->StatusText(), QStringLiteral("Ready"));
    EXPECT_TRUE(prompter_.asked().isEmpty());
}

TEST_F(DocumentCommandsTest, FailedOpenKeepsTheDocument) {
    const QString path = WriteFile(QStringLiteral("a.txt"), "mine");
    Open(path);
    Type(QStringLiteral(" edited"));
    prompter_.Push(PromptAnswer::No);  // discard the edit
    QDir(folder_.path()).mkdir(QStringLiteral("folder.txt"));
    Open(PathOf(QStringLiteral("folder.txt")));
    ASSERT_EQ(prompter_.asked().size(), 2);
    EXPECT_EQ(prompter_.asked()[1].text,
              "Unable to read \"" + PathOf(QStringLiteral("folder.txt")) + "\" (Is a directory).");
    EXPECT_EQ(prompter_.asked()[1].icon, PromptIcon::Exclamation);
    EXPECT_EQ(Text(), QStringLiteral("mine edited"));
    EXPECT_EQ(window_->State().DocumentFile, path);
    EXPECT_EQ(window_->windowTitle(), QStringLiteral("a.txt - Morvane"))
        << "the caption names the document Save writes to";
    EXPECT_EQ(window_->StatusText(), QStringLiteral("Ready"));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(DocumentCommandsTest, UnchangedDocumentsSaveToIdenticalBytes) {
    std::string everyByte;
    for (int b = 1; b < 256; ++b)
        if (b != '\r' && b != '\n') everyByte += char(b);
    struct Row {
        const char* name;
        std::string bytes;
    };
    const Row rows[] = {
        {"UTF-8", "caf\xC3\xA9 \xE2\x82\xAC\r\n<p>line two</p>\r\n"},
        {"single-byte, every byte value", everyByte + "\r\n" + everyByte},
        {"Latin-1 accents", "caf\xE9 na\xEFve\r\n"},
        {"empty", ""},
        {"no final break", "a\r\nb"},
    };
    for (const Row& row : rows) {
        const QString path = WriteFile(QStringLiteral("round.txt"), row.bytes);
        Open(path);
        window_->State().DocumentModified = true;  // Save writes whether or not it changed
        Trigger("mnuFileSave");
        EXPECT_EQ(ReadBytes(path), row.bytes) << row.name;
        EXPECT_FALSE(window_->State().DocumentModified) << row.name;
    }
    EXPECT_TRUE(prompter_.asked().isEmpty());
}

TEST_F(DocumentCommandsTest, SavingWritesCrLfBreaks) {
    const QString path = WriteFile(QStringLiteral("unix.txt"), "a\nb\n");
    Open(path);
    Type(QStringLiteral("c"));
    Trigger("mnuFileSave");
    EXPECT_EQ(ReadBytes(path), "a\r\nb\r\nc");
}

TEST_F(DocumentCommandsTest, ReadOnlyDocumentsSaveThroughSaveAs) {
    const QString locked = WriteFile(QStringLiteral("locked.txt"), "old");
    QFile::setPermissions(locked, QFileDevice::ReadOwner);
    const QString marked = WriteFile(QStringLiteral("notes [Read-only].txt"), "old");
    int copies = 0;
    for (const QString& original : {locked, marked}) {
        SCOPED_TRACE(original.toStdString());
        Open(original);
        Type(QStringLiteral(" new"));
        const QString copy = PathOf(QStringLiteral("copy%1.txt").arg(++copies));
        dialogs_.Push(copy);
        const int dialogsBefore = int(dialogs_.calls().size());
        Trigger("mnuFileSave");
        ASSERT_EQ(dialogs_.calls().size(), dialogsBefore + 1);
        EXPECT_EQ(dialogs_.calls().last().title, QStringLiteral("Save As"));
        EXPECT_EQ(ReadBytes(original), "old");
        EXPECT_EQ(ReadBytes(copy), "old new");
        EXPECT_EQ(window_->State().DocumentFile, copy);
        EXPECT_EQ(window_->windowTitle(), QFileInfo(copy).fileName() + " - Morvane");
        EXPECT_FALSE(window_->State().DocumentModified);
        // Later saves write the new file without asking for a name.
        Type(QStringLiteral("!"));
        Trigger("mnuFileSave");
        EXPECT_EQ(dialogs_.calls().size(), dialogsBefore + 1);
        EXPECT_EQ(ReadBytes(copy), "old new!");
    }
    // A name that holds the marker is always saved through Save As.
    Open(marked);
    dialogs_.Push(QStringList{});
    const int dialogsBefore = int(dialogs_.calls().size());
    Trigger("mnuFileSave");
    EXPECT_EQ(dialogs_.calls().size(), dialogsBefore + 1);
}

TEST_F(DocumentCommandsTest, FailedWritesLeaveTheOldFileAndTheDocumentModified) {
    const std::string old(100, 'o');
    const QString path = WriteFile(QStringLiteral("doc.txt"), old);
    Open(path);
    Type(QString(5000, QLatin1Char('n')));
    {
        FileSizeLimit limit(1000);  // as a full disk would
        Trigger("mnuFileSave");
    }
    EXPECT_EQ(ReadBytes(path), old);
    EXPECT_TRUE(window_->State().DocumentModified);
    ASSERT_EQ(prompter_.asked().size(), 1);
    EXPECT_TRUE(prompter_.asked()[0].text.startsWith("Unable to write \"" + path + "\" ("))
        << prompter_.asked()[0].text.toStdString();
    EXPECT_EQ(prompter_.asked()[0].icon, PromptIcon::Exclamation);
    EXPECT_EQ(window_->StatusText(), QStringLiteral("Ready"));
    EXPECT_EQ(QDir(folder_.path()).entryList(QDir::Files).size(), 1) << "no temporary file left";

    // Save As into a place that cannot hold a file: the document stays as it was.
    prompter_.clear();
    dialogs_.Push(path + QStringLiteral("/inside.txt"));
    Trigger("mnuFileSaveAs");
    ASSERT_EQ(prompter_.asked().size(), 1);
    EXPECT_EQ(window_->State().DocumentFile, path);
    EXPECT_EQ(window_->windowTitle(), QStringLiteral("doc.txt - Morvane"));
    EXPECT_TRUE(window_->State().DocumentModified);
}

TEST_F(DocumentCommandsTest, SaveKeepsPermissionsLinksAndSharedFiles) {
    const QString target = WriteFile(QStringLiteral("target.txt"), "old");
    QFile::setPermissions(
        target, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup);
    const QString link = PathOf(QStringLiteral("link.txt"));
    ASSERT_TRUE(QFile::link(target, link));

    Open(link);
    Type(QStringLiteral(" via link"));
    Trigger("mnuFileSave");
    EXPECT_TRUE(QFileInfo(link).isSymLink()) << "the link stays a link";
    EXPECT_EQ(ReadBytes(target), "old via link");
    struct stat mode {};
    ASSERT_EQ(stat(target.toLocal8Bit().constData(), &mode), 0);
    EXPECT_EQ(mode.st_mode & 07777, 0640u) << "the old file's permissions";

    // Several hard links: every name keeps sharing the one file.
    const QString first = WriteFile(QStringLiteral("first.txt"), "shared");
    const QString second = PathOf(QStringLiteral("second.txt"));
    ASSERT_EQ(::link(first.toLocal8Bit().constData(), second.toLocal8Bit().constData()), 0);
    struct stat before {};
    stat(first.toLocal8Bit().constData(), &before);
    Open(first);
    Type(QStringLiteral(" and changed"));
    Trigger("mnuFileSave");
    struct stat after {};
    stat(second.toLocal8Bit().constData(), &after);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_nlink, 2u);
    EXPECT_EQ(ReadBytes(second), "shared and changed");

    // ... and a failed write puts the old text back.
    Type(QString(5000, QLatin1Char('x')));
    {
        FileSizeLimit limit(1000);
        Trigger("mnuFileSave");
    }
    EXPECT_EQ(ReadBytes(second), "shared and changed");
    EXPECT_TRUE(window_->State().DocumentModified);
    EXPECT_EQ(prompter_.asked().size(), 1);
}

TEST_F(DocumentCommandsTest, CharactersTheEncodingCannotHold) {
    const QString path = WriteFile(QStringLiteral("w.txt"), "caf\xE9");
    Open(path);
    Type(QString::fromUtf8("\xCF\x89"));  // a Greek omega: not in the Western code page
    prompter_.Push(PromptAnswer::No);
    Trigger("mnuFileSave");
    EXPECT_EQ(ReadBytes(path), "caf\xE9") << "nothing written, nothing lost";
    EXPECT_TRUE(window_->State().DocumentModified);
    prompter_.Push(PromptAnswer::Yes);
    Trigger("mnuFileSave");
    EXPECT_EQ(ReadBytes(path), "caf\xC3\xA9\xCF\x89");
    EXPECT_FALSE(window_->State().DocumentModified);
}

TEST_F(DocumentCommandsTest, Reopen) {
    // Untitled: Reopen is Open.
    const QString path = WriteFile(QStringLiteral("r.txt"), "{\\rtf1 Hello {\\b world}\\par}");
    Open(path);
    EXPECT_TRUE(Text().startsWith(QStringLiteral("{\\rtf1")));
    Type(QStringLiteral(" typed"));

    prompter_.Push(PromptAnswer::No);
    Trigger("mnuFileReOpen");
    ASSERT_EQ(prompter_.asked().size(), 1);
    EXPECT_EQ(prompter_.asked()[0].text,
              QStringLiteral("Are you sure you want to reopen the 'r.txt' file?"));
    EXPECT_EQ(prompter_.asked()[0].buttons, PromptButtons::YesNo);
    EXPECT_EQ(prompter_.asked()[0].icon, PromptIcon::Question);
    EXPECT_TRUE(Text().endsWith(QStringLiteral(" typed")));
    EXPECT_TRUE(window_->State().DocumentModified);
    EXPECT_EQ(window_->StatusText(), QStringLiteral("Ready"));

    window_->TreeView1()->addTopLevelItem(new QTreeWidgetItem({QStringLiteral("root")}));
    prompter_.Push(PromptAnswer::Yes);
    Trigger("mnuFileReOpen");
    EXPECT_EQ(Text(), QStringLiteral("Hello world")) << "RTF shows formatted";
    EXPECT_FALSE(window_->State().DocumentModified) << "closing right away asks nothing";
    EXPECT_EQ(window_->TreeView1()->topLevelItemCount(), 1) << "the tree is left as it is";
    EXPECT_EQ(window_->windowTitle(), QStringLiteral("r.txt - Morvane"));

    // A later Save writes the plain text over the RTF file.
    window_->State().DocumentModified = true;
    Trigger("mnuFileSave");
    EXPECT_EQ(ReadBytes(path), "Hello world");

    window_->Commands().fileNew();
    const int dialogsBefore = int(dialogs_.calls().size());
    dialogs_.Push(QStringList{});
    Trigger("mnuFileReOpen");
    EXPECT_EQ(dialogs_.calls().size(), dialogsBefore + 1) << "untitled: Reopen opens";
}

TEST_F(DocumentCommandsTest, InsertFileReplacesTheSelectionWithPlainText) {
    const QString piece = WriteFile(QStringLiteral("piece.txt"), "one\r\ntwo");
    Type(QStringLiteral("start MIDDLE end"));
    window_->State().DocumentModified = false;
    CharFormat bold;
    bold.bold = true;
    Editor()->SetSelection(6, 12);
    Editor()->ReplaceSelectionFormatted({{"MIDDLE", bold}});
    Editor()->SetSelection(6, 12);

    dialogs_.Push(piece);
    Trigger("mnuActionsInsertFile");
    EXPECT_EQ(dialogs_.calls().last().title, QStringLiteral("Insert"));
    EXPECT_EQ(Text(), QStringLiteral("start one\ntwo end"));
    EXPECT_TRUE(window_->State().DocumentModified);
    EXPECT_FALSE(Editor()->FormatAt(7).bold) << "the inserted text is plain";

    // With nothing selected the text goes in at the caret; a cancel changes nothing.
    Editor()->SetSelection(0, 0);
    dialogs_.Push(piece);
    Trigger("mnuActionsInsertFile");
    EXPECT_EQ(Text(), QStringLiteral("one\ntwostart one\ntwo end"));
    dialogs_.Push(QStringList{});
    Trigger("mnuActionsInsertFile");
    EXPECT_EQ(Text(), QStringLiteral("one\ntwostart one\ntwo end"));
}

TEST_F(DocumentCommandsTest, NewWindowsStartThisProgram) {
    const QString program = folder_.path() + QStringLiteral("/morv");
    const QString spaced = WriteFile(QStringLiteral("with blanks.txt"), "x");
    Trigger("mnuFileNewWindow");
    dialogs_.Push(spaced);
    Trigger("mnuFileOpenNewWindow");
    dialogs_.Push(QStringList{});
    Trigger("mnuFileOpenNewWindow");  // cancelled: nothing starts
    dialogs_.Push(spaced);
    Trigger("mnuFileReOpenNewWindow");  // untitled: asks for a file
    Open(spaced);
    Trigger("mnuFileReOpenNewWindow");
    const QList<QStringList> expected = {
        {program}, {program, spaced}, {program, spaced}, {program, spaced}};
    EXPECT_EQ(started_, expected);
    EXPECT_EQ(Text(), QStringLiteral("x")) << "this window keeps its document";

    starterResult_ = ENOENT;
    Trigger("mnuFileNewWindow");
    ASSERT_EQ(prompter_.asked().size(), 1);
    EXPECT_EQ(prompter_.asked()[0].text, QString::fromStdString(GetAPIErrorText(ENOENT)));
    EXPECT_EQ(prompter_.asked()[0].icon, PromptIcon::Exclamation);

    starter_.reset();
    EXPECT_EQ(StartProgram(folder_.path() + QStringLiteral("/no-such-program"), {}), ENOENT);
    EXPECT_EQ(StartProgram(spaced, {}), EACCES) << "not executable";
}

TEST_F(DocumentCommandsTest, PrintSelectionOnlyAndCancel) {
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        GTEST_SKIP() << "pdftotext is missing";
    Type(QStringLiteral("FIRSTLINE\nSECONDLINE\nTHIRDLINE"));
    const QString pdf = PathOf(QStringLiteral("out.pdf"));
    auto toPdf = [pdf](QPrinter& printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        return true;
    };
    // Cancelled: nothing printed.
    Trigger("mnuFilePrint");
    EXPECT_FALSE(QFile::exists(pdf));
    EXPECT_EQ(window_->StatusText(), QStringLiteral("Ready"));

    Editor()->SetSelection(11, 21);  // "SECONDLINE"
    printDialogs_.Push(toPdf);
    Trigger("mnuFilePrint");
    EXPECT_TRUE(printDialogs_.lastHadSelection());
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    ASSERT_TRUE(text.waitForFinished(30000));
    const QString printed = QString::fromUtf8(text.readAllStandardOutput());
    EXPECT_TRUE(printed.contains(QStringLiteral("SECONDLINE")));
    EXPECT_FALSE(printed.contains(QStringLiteral("FIRSTLINE")));
    EXPECT_FALSE(printed.contains(QStringLiteral("THIRDLINE")));

    // A printer that cannot be opened is reported.
    printDialogs_.Push([this](QPrinter& printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(PathOf(QStringLiteral("missing/out.pdf")));
        return true;
    });
    Trigger("mnuFilePrint");
    ASSERT_EQ(prompter_.asked().size(), 1);
    EXPECT_TRUE(prompter_.asked()[0].text.startsWith(QStringLiteral("Unable to print on ")));
    EXPECT_TRUE(prompter_.asked()[0].text.endsWith(QLatin1Char('.')));
    EXPECT_EQ(window_->StatusText(), QStringLiteral("Ready"));

    printDialogs_.Push([](QPrinter&) { return true; });
    Trigger("mnuPageSetup");
    EXPECT_EQ(printDialogs_.pageSetupCalls(), 1);
}

TEST_F(DocumentCommandsTest, HelpMenuReachesTheHelpAndTheAboutBox) {
    Trigger("mnuHelpSupport");
    ASSERT_NE(CurrentHelpWindow(), nullptr);
    EXPECT_EQ(CurrentHelpWindow()->CurrentTopic(), QStringLiteral("support.htm"));
    Trigger("mnuHelpLicense");
    EXPECT_EQ(CurrentHelpWindow()->CurrentTopic(), QStringLiteral("license.htm"));
    Trigger("mnuHelpContents");
    EXPECT_EQ(CurrentHelpWindow()->CurrentTopic(), QStringLiteral("index.htm"));

    bool aboutShown = false;
    QTimer::singleShot(0, window_.get(), [&] {
        auto* about = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        aboutShown = about != nullptr && about->objectName() == QStringLiteral("frmAbout");
        if (about != nullptr) about->accept();
    });
    Trigger("mnuHelpAbout");
    EXPECT_TRUE(aboutShown);
    delete CurrentHelpWindow();
}

}  // namespace
