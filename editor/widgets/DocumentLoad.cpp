#include "editor/widgets/DocumentLoad.h"

#include <QAction>
#include <QFileInfo>
#include <QLabel>

#include "editor/core/DocumentLimits.h"
#include "editor/widgets/DocumentEditor.h"
#include "editor/widgets/LongOperation.h"
#include "editor/widgets/MainWindow.h"
#include "helpers/core/PathHelpers.h"
#include "helpers/widgets/Prompter.h"
#include "helpers/widgets/QtText.h"
#include "services/widgets/ProgressWindow.h"

namespace morv {

namespace {

uint64_t AvailableMemory(const DocumentLimits& limits) {
    return limits.availableMemory ? limits.availableMemory() : SystemAvailableMemory();
}

DocumentEditor::LoadOutcome LoadWithProgressWindow(frmMain& window, std::string bytes,
                                                   const QString& name) {
    // The status text stays the caller's ("Loading...").
    LongOperation operation(window, {.progressWindow = true});
    operation.Progress()->lblAction()->setText(QStringLiteral("Loading..."));
    operation.Progress()->lblStatus()->setText(name);
    return window.Rich1()->Load(std::move(bytes), operation.Observer());
}

}  // namespace

LoadReport CheckFileSize(frmMain& window, const QString& path) {
    const QFileInfo info(path);
    if (!info.isFile()) return {};  // reading it tells what it is
    const uint64_t size = uint64_t(info.size());
    const std::string name = GetFileName(PathToStd(path));
    const DocumentLimits& limits = CurrentDocumentLimits();
    const uint64_t available = AvailableMemory(limits);
    switch (CheckDocumentSize(size, available, limits)) {
        case SizeVerdict::Open:
            return {};
        case SizeVerdict::TooLargeForEditor:
            return {LoadResult::Failed, ToQString(TooLargeForEditor(name, size, limits))};
        case SizeVerdict::TooLargeForMemory:
            return {LoadResult::Failed, ToQString(TooLargeForMemory(name, size, available))};
        case SizeVerdict::Ask:
            break;
    }
    const PromptAnswer answer =
        Ask(&window, ToQString(SizeQuestion(name, size)), PromptButtons::YesNo,
            PromptIcon::Question, PromptAnswer::No, kAppTitle);
    return {answer == PromptAnswer::Yes ? LoadResult::Done : LoadResult::Declined, {}};
}

LoadReport LoadDocumentBytes(frmMain& window, std::string bytes, const QString& name,
                             ProgressObserver* progress) {
    DocumentEditor* editor = window.Rich1();
    const uint64_t size = bytes.size();
    DocumentEditor::LoadOutcome outcome;
    if (progress != nullptr) {
        outcome = editor->Load(std::move(bytes), *progress);
    } else if (bytes.size() >= CurrentDocumentLimits().progressAbove) {
        outcome = LoadWithProgressWindow(window, std::move(bytes), name);
    } else {
        outcome = editor->Load(std::move(bytes), NoProgress());
    }
    switch (outcome) {
        case DocumentEditor::LoadOutcome::Loaded:
            AdaptViewToDocument(window);
            return {};
        case DocumentEditor::LoadOutcome::Stopped:
            return {LoadResult::Declined, {}};
        case DocumentEditor::LoadOutcome::TooLarge:
            return {LoadResult::Failed,
                    ToQString(TooLargeForEditor(ToStd(name), size, CurrentDocumentLimits()))};
        case DocumentEditor::LoadOutcome::OutOfMemory:
            break;
    }
    return {LoadResult::Failed, ToQString(NotEnoughMemory(ToStd(name)))};
}

bool CanWrapDocument(frmMain& window, QString* why) {
    const long longest = window.Rich1()->LongestLine();
    if (uint64_t(longest) <= CurrentDocumentLimits().wrapLineLimit) return true;
    if (why != nullptr) *why = ToQString(LineTooLongToWrap(uint64_t(longest)));
    return false;
}

void AdaptViewToDocument(frmMain& window) {
    QString why;
    const bool longLines = !CanWrapDocument(window, &why);
    // Each blink of the caret repaints its line, and the component checks a whole line before
    // it paints it again: on a line of many megabytes the caret holds still instead.
    window.Rich1()->SetCaretBlinking(!longLines);
    if (!longLines || !window.IsWordWrapOn()) return;
    window.MenuAction("mnuFormatWordWrap")->setChecked(false);
    window.SetWordWrapMode(0);
    ShowMessage(&window, why, PromptIcon::Information, kAppTitle);
}

}  // namespace morv
