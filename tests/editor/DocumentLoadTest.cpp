#include <QAction>
#include <QApplication>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "editor/core/DocumentLimits.h"
#include "editor/widgets/DocumentCommands.h"
#include "editor/widgets/DocumentEditor.h"
#include "editor/widgets/MainWindow.h"
#include "helpers/widgets/EventPump.h"
#include "helpers/widgets/FileDialogs.h"
#include "helpers/widgets/Prompter.h"
#include "services/widgets/ProgressWindow.h"
#include "tests/support/WidgetFakes.h"

using namespace morv;

namespace {

constexpr uint64_t kGigabyte = uint64_t(1) << 30;

class DocumentLoadTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(folder_.isValid());
        window_ = std::make_unique<frmMain>(folder_.path(), folder_.path());
        InstallDocumentCommands(*window_);
    }
    void TearDown() override {
        window_->State().DocumentModified = false;
        window_.reset();
    }
    // A document to keep: loaded, titled, unchanged.
    void StartWith(const char* text) {
        window_->Rich1()->LoadBytes(text);
        window_->State().DocumentFile = folder_.filePath(QStringLiteral("mine.txt"));
        window_->State().DocumentModified = false;
    }
    QString Sparse(const char* name, uint64_t size) {
        QFile file(folder_.filePath(QLatin1String(name)));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.resize(qint64(size)));
        return file.fileName();
    }
    QString Write(const char* name, const std::string& bytes) {
        QFile file(folder_.filePath(QLatin1String(name)));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes.data(), qint64(bytes.size()));
        return file.fileName();
    }
    void Open(const QString& path) {
        dialogs_.Push(path);
        window_->MenuAction("mnuFileOpen")->trigger();
    }
    void CancelAtFirstPoll() {
        QTimer::singleShot(0, window_.get(), [this] {
            auto* progress = window_->findChild<frmProgress*>("frmProgress");
            ASSERT_NE(progress, nullptr);
            QTest::mouseClick(progress->cmdCancel(), Qt::LeftButton);
        });
    }
    std::string_view Text() { return window_->Rich1()->Text(); }

    ScopedHooks pump_{{.pollIntervals = kPollAtEveryStep}};  // every poll lets a queued click in
    QTemporaryDir folder_;
    std::unique_ptr<frmMain> window_;
    ScriptedPrompter prompter_;
    ScopedPrompter scoped_{&prompter_};
    ScriptedFileDialogs dialogs_;
    ScopedFileDialogs scopedDialogs_{&dialogs_};
};

// A file over the size limits is asked about or refused before it is read, and the document
// stays as it was. The gigabyte files are sparse and never read: the free memory is stood in for.
TEST_F(DocumentLoadTest, LargeFilesAreAskedAboutOrRefusedFirst) {
    struct Row {
        const char* name;
        uint64_t size;
        bool sparse;
        uint64_t available;
        uint64_t maximum;
        PromptAnswer answer;  // to the size question, when there is one
        QString asked;        // the question or the message; empty: none
        bool loaded;
    };
    const uint64_t editorMaximum = DocumentLimits().maximum;
    const Row rows[] = {
        {"a gigabyte, answered No", kGigabyte, true, 64 * kGigabyte, editorMaximum,
         PromptAnswer::No,
         "The file 'big.txt' is 1.0 GB. Opening it takes a while and about 2.0 GB of memory."
         "\r\n\r\nDo you want to open it?",
         false},
        {"a gigabyte with too little memory", kGigabyte, true, 3 * kGigabyte / 2, editorMaximum,
         PromptAnswer::Yes,
         "Unable to open 'big.txt': it is 1.0 GB and needs about 2.0 GB of memory, but only "
         "1.5 GB is free.",
         false},
        {"more than the editor holds", 3 * kGigabyte, true, 64 * kGigabyte, editorMaximum,
         PromptAnswer::Yes,
         "Unable to open 'big.txt': at 3.0 GB it is larger than the 1.9 GB a document can have "
         "in this editor.",
         false},
        {"over the question size, answered Yes", 5000, false, 64 * kGigabyte, editorMaximum,
         PromptAnswer::Yes,
         "The file 'big.txt' is 4.9 KB. Opening it takes a while and about 9.8 KB of memory."
         "\r\n\r\nDo you want to open it?",
         true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        DocumentLimits limits;
        limits.askAbove = 4096;  // the small file stands in for a large one
        if (row.sparse) limits.askAbove = DocumentLimits().askAbove;
        limits.maximum = row.maximum;
        limits.availableMemory = [&row] { return row.available; };
        ScopedDocumentLimits scoped(limits);
        QFile::remove(folder_.filePath(QStringLiteral("big.txt")));
        const QString path =
            row.sparse ? Sparse("big.txt", row.size) : Write("big.txt", std::string(row.size, 'x'));
        StartWith("mine");
        prompter_.clear();
        prompter_.Push(row.answer);
        Open(path);
        ASSERT_EQ(prompter_.asked().size(), row.asked.isEmpty() ? 0 : 1);
        if (!row.asked.isEmpty()) {
            EXPECT_EQ(prompter_.asked()[0].text, row.asked);
        }
        EXPECT_EQ(Text(), row.loaded ? std::string(row.size, 'x') : "mine");
        EXPECT_EQ(window_->State().DocumentFile,
                  row.loaded ? path : folder_.filePath(QStringLiteral("mine.txt")));
        EXPECT_FALSE(window_->State().DocumentModified);
        EXPECT_EQ(window_->StatusText(), QStringLiteral("Ready"));
    }
}

// A 50 MB file of one line loads with a progress window whose Cancel keeps the document; once
// loaded, word wrap is refused for it with a message, and taken up again for the next document.
TEST_F(DocumentLoadTest, OneLineOfFiftyMegabytes) {
    const std::string line(50 << 20, 'w');
    const QString path = Write("line.txt", line);
    window_->MenuAction("mnuFormatWordWrap")->setChecked(true);
    window_->SetWordWrapMode(1);
    const QString refused = QStringLiteral(
        "Word Wrap is not available for this document: one of its lines is 50 MB long, too long "
        "to wrap.");

    StartWith("mine");
    CancelAtFirstPoll();
    Open(path);
    EXPECT_EQ(Text(), "mine") << "cancelled";
    EXPECT_EQ(window_->State().DocumentFile, folder_.filePath(QStringLiteral("mine.txt")));
    EXPECT_TRUE(window_->isEnabled());
    EXPECT_EQ(window_->findChild<frmProgress*>("frmProgress"), nullptr);
    EXPECT_TRUE(prompter_.asked().isEmpty());

    Open(path);
    EXPECT_EQ(window_->Rich1()->Length(), long(line.size()));
    EXPECT_EQ(window_->State().DocumentFile, path);
    ASSERT_EQ(prompter_.asked().size(), 1);
    EXPECT_EQ(prompter_.asked()[0].text, refused);
    EXPECT_FALSE(window_->IsWordWrapOn());
    EXPECT_FALSE(window_->Rich1()->IsWrapped());
    EXPECT_FALSE(window_->Rich1()->IsCaretBlinking()) << "a blink would repaint the whole line";

    window_->MenuAction("mnuFormatWordWrap")->trigger();
    EXPECT_EQ(prompter_.asked().size(), 2) << "asked to wrap again: refused again";
    EXPECT_FALSE(window_->IsWordWrapOn());
    EXPECT_FALSE(window_->Rich1()->IsWrapped());

    window_->Commands().fileNew();
    EXPECT_TRUE(window_->Rich1()->IsCaretBlinking());
    window_->MenuAction("mnuFormatWordWrap")->trigger();
    EXPECT_TRUE(window_->Rich1()->IsWrapped()) << "a short document wraps";
}

}  // namespace
