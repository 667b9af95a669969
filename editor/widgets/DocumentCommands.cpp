#include "editor/widgets/DocumentCommands.h"

#include <QFileInfo>
#include <QProcess>
#include <QTreeWidget>

#include <cerrno>

#include "editor/core/CommandLine.h"
#include "editor/core/DocumentText.h"
#include "editor/widgets/DocumentEditor.h"
#include "editor/widgets/DocumentLoad.h"
#include "editor/widgets/EditCommands.h"
#include "editor/widgets/MainWindow.h"
#include "helpers/core/PathHelpers.h"
#include "helpers/core/SystemFolder.h"
#include "helpers/widgets/FileDialogs.h"
#include "helpers/widgets/Hooks.h"
#include "helpers/widgets/Prompter.h"
#include "helpers/widgets/QtText.h"
#include "helpers/widgets/WaitCursor.h"
#include "services/widgets/AboutDialog.h"
#include "services/widgets/DocumentPrint.h"
#include "services/widgets/HelpWindow.h"
#include "services/widgets/PrintDialogs.h"

namespace morv {

namespace {

QString FileNameOf(const QString& path) {
    return PathToQString(GetFileName(PathToStd(path)));
}

void ShowFailure(frmMain& window, const QString& description) {
    ShowMessage(&window, description + QLatin1Char('.'), PromptIcon::Exclamation, kAppTitle);
}

// The document's bytes for saving, in its encoding. When the text holds characters that a
// single-byte document cannot hold, the user may save it as UTF-8 instead; false: do not save.
bool ChooseSaveEncoding(frmMain& window) {
    DocumentEditor* editor = window.Rich1();
    if (editor->Encoding() != TextEncoding::Windows1252) return true;
    bool lossless = true;
    EncodeDocument(editor->Text(), TextEncoding::Windows1252, &lossless);
    if (lossless) return true;
    const PromptAnswer answer =
        Ask(&window,
            QStringLiteral("The text holds characters that the Western (Windows-1252) encoding of "
                           "this document cannot hold.\r\n\r\nSave the document as UTF-8 "
                           "instead?"),
            PromptButtons::YesNo, PromptIcon::Exclamation, PromptAnswer::Yes, kAppTitle);
    if (answer != PromptAnswer::Yes) return false;
    editor->SetEncoding(TextEncoding::Utf8);
    return true;
}

// Writes the editor's text to path; shows the failure and returns false when it is not written.
bool WriteEditorText(frmMain& window, const QString& path) {
    if (!ChooseSaveEncoding(window)) return false;
    WaitCursor wait;
    const Status written = WriteDocumentFile(PathToStd(path), window.Rich1()->Bytes());
    wait.Release();
    if (!written) {
        ShowFailure(window, ToQString(written.error().description));
        return false;
    }
    return true;
}

void StartInstance(frmMain& window, const QStringList& arguments) {
    const QString program = PathToQString(JoinPath(PathToStd(window.ProgramFolder()), "morv"));
    const int code = StartProgram(program, arguments);
    if (code != 0)
        ShowMessage(&window, ToQString(GetAPIErrorText(code)), PromptIcon::Exclamation, kAppTitle);
}

QString AskForDocument(frmMain& window, const QString& title) {
    return ShowOpenDialog(&window, kDocumentFilter, window.State().LastPath, title, QString(),
                          &window.State().LastPath);
}

}  // namespace

int StartProgram(const QString& program, const QStringList& arguments) {
    if (Hooks().startProgram) return Hooks().startProgram(program, arguments);
    const QFileInfo info(program);
    if (!info.exists()) return ENOENT;
    if (!info.isExecutable() || info.isDir()) return EACCES;
    if (!QProcess::startDetached(program, arguments, QString())) return ENOEXEC;
    return 0;
}

void ClearSectionsTree(frmMain& window) {
    QTreeWidget* tree = window.TreeView1();
    if (tree->topLevelItemCount() == 0) return;
    window.setUpdatesEnabled(false);
    tree->clear();
    window.setUpdatesEnabled(true);
}

bool QuerySaveChanges(frmMain& window) {
    AppState& state = window.State();
    if (!state.DocumentModified) return true;
    const QString name =
        state.DocumentFile.isEmpty() ? QStringLiteral("Untitled") : FileNameOf(state.DocumentFile);
    const PromptAnswer answer =
        Ask(&window,
            QStringLiteral("The text in the ") + name +
                QStringLiteral(" file has changed.\r\n\r\nDo you want to save the changes?"),
            PromptButtons::YesNoCancel, PromptIcon::Exclamation, PromptAnswer::Yes, kAppTitle);
    if (answer == PromptAnswer::Cancel) return false;
    // A save the user cancelled in its dialog lets the caller go on; one that failed does not,
    // so that text that could not be written is not thrown away.
    if (answer == PromptAnswer::Yes) return FileSave(window) != SaveOutcome::Failed;
    return true;
}

void FileNew(frmMain& window) {
    if (!QuerySaveChanges(window)) return;
    ClearSectionsTree(window);
    window.Rich1()->NewDocument();
    AdaptViewToDocument(window);
    window.State().DocumentFile.clear();
    window.State().DocumentModified = false;
    window.SetUntitledCaption();
}

void FileOpen(frmMain& window) {
    if (!QuerySaveChanges(window)) return;
    const QString path = AskForDocument(window, QStringLiteral("Open"));
    LoadReport report =
        path.isEmpty() ? LoadReport{LoadResult::Declined, {}} : CheckFileSize(window, path);
    if (report.result == LoadResult::Done) {
        WaitCursor wait;
        window.SetStatusText(QStringLiteral("Loading..."));
        ClearSectionsTree(window);
        const QString oldCaption = window.windowTitle();
        window.SetDocumentCaption(path, IsReadOnlyFile(PathToStd(path)));
        window.repaint();
        Result<std::string> bytes = ReadDocumentFile(PathToStd(path));
        report = bytes ? LoadDocumentBytes(window, std::move(bytes.value()), FileNameOf(path))
                       : LoadReport{LoadResult::Failed, ToQString(bytes.error().description)};
        if (report.result == LoadResult::Done) {
            window.State().DocumentFile = path;
            window.State().DocumentModified = false;
        } else {
            // The document is still the one the caption named before.
            window.setWindowTitle(oldCaption);
        }
    }
    if (report.result == LoadResult::Failed) ShowFailure(window, report.error);
    window.SetStatusText(QStringLiteral("Ready"));
}

void FileReopen(frmMain& window) {
    AppState& state = window.State();
    if (state.DocumentFile.isEmpty()) {
        FileOpen(window);
    } else if (Ask(&window,
                   QStringLiteral("Are you sure you want to reopen the '") +
                       FileNameOf(state.DocumentFile) + QStringLiteral("' file?"),
                   PromptButtons::YesNo, PromptIcon::Question, PromptAnswer::Yes,
                   kAppTitle) == PromptAnswer::Yes) {
        window.SetStatusText(QStringLiteral("Loading..."));
        WaitCursor wait;
        const LoadReport report = window.LoadThroughReader(state.DocumentFile);
        wait.Release();
        if (report.result == LoadResult::Done) {
            state.DocumentModified = false;
        } else if (report.result == LoadResult::Failed) {
            ShowFailure(window, report.error);
        }
    }
    window.SetStatusText(QStringLiteral("Ready"));
}

SaveOutcome FileSave(frmMain& window) {
    window.SetStatusText(QStringLiteral("Saving..."));
    SaveOutcome outcome = SaveOutcome::Failed;
    AppState& state = window.State();
    if (window.windowTitle().contains(QStringLiteral("[Read-only]")) ||
        state.DocumentFile.isEmpty()) {
        outcome = FileSaveAs(window);
    } else if (WriteEditorText(window, state.DocumentFile)) {
        state.DocumentModified = false;
        outcome = SaveOutcome::Saved;
    }
    window.SetStatusText(QStringLiteral("Ready"));
    return outcome;
}

SaveOutcome FileSaveAs(frmMain& window) {
    window.SetStatusText(QStringLiteral("Saving..."));
    SaveOutcome outcome = SaveOutcome::Cancelled;
    AppState& state = window.State();
    const QString path = ShowSaveDialog(&window, kDocumentFilter, QString(), state.LastPath,
                                        QStringLiteral("Save As"), &state.LastPath);
    if (!path.isEmpty()) {
        window.repaint();
        // The document takes the new name only once its text is there.
        outcome = SaveOutcome::Failed;
        if (WriteEditorText(window, path)) {
            state.DocumentFile = path;
            window.SetDocumentCaption(path, false);
            state.DocumentModified = false;
            outcome = SaveOutcome::Saved;
        }
    }
    window.SetStatusText(QStringLiteral("Ready"));
    return outcome;
}

void FileNewWindow(frmMain& window) {
    StartInstance(window, {});
}

void FileOpenNewWindow(frmMain& window) {
    const QString path = AskForDocument(window, QStringLiteral("Open"));
    if (!path.isEmpty()) StartInstance(window, {path});
}

void FileReopenNewWindow(frmMain& window) {
    if (window.State().DocumentFile.isEmpty()) {
        FileOpenNewWindow(window);
    } else {
        StartInstance(window, {window.State().DocumentFile});
    }
    window.SetStatusText(QStringLiteral("Ready"));
}

void InsertFile(frmMain& window) {
    const QString path = AskForDocument(window, QStringLiteral("Insert"));
    if (path.isEmpty()) return;
    const LoadReport size = CheckFileSize(window, path);
    if (size.result == LoadResult::Failed) ShowFailure(window, size.error);
    if (size.result != LoadResult::Done) return;
    Result<std::string> bytes = ReadDocumentFile(PathToStd(path));
    if (!bytes) {
        ShowFailure(window, ToQString(bytes.error().description));
        return;
    }
    // The file's own encoding decides how its bytes read; the text goes in without formatting.
    const DecodedText decoded = DecodeDocument(bytes.value());
    DocumentEditor* editor = window.Rich1();
    editor->ReplaceRange(editor->SelectionStart(), editor->SelectionEnd(), decoded.utf8);
}

void FilePageSetup(frmMain& window) {
    ShowPageSetup(&window);
}

void FilePrint(frmMain& window) {
    window.CloseFindReplace();
    window.SetStatusText(QStringLiteral("Printing..."));
    DocumentEditor* editor = window.Rich1();
    if (ShowPrintDialog(&window, editor->HasSelection())) {
        WaitCursor wait;
        const Status printed = PrintEditor(*editor, DocumentPrinter());
        wait.Release();
        if (!printed) ShowFailure(window, ToQString(printed.error().description));
    }
    window.SetStatusText(QStringLiteral("Ready"));
}

void InstallDocumentCommands(frmMain& window) {
    MainCommands& c = window.Commands();
    frmMain* w = &window;
    c.querySaveChanges = [w] { return QuerySaveChanges(*w); };
    c.fileNew = [w] { FileNew(*w); };
    c.fileOpen = [w] { FileOpen(*w); };
    c.fileReopen = [w] { FileReopen(*w); };
    c.fileSave = [w] { FileSave(*w); };
    c.fileSaveAs = [w] { FileSaveAs(*w); };
    c.fileNewWindow = [w] { FileNewWindow(*w); };
    c.fileOpenNewWindow = [w] { FileOpenNewWindow(*w); };
    c.fileReopenNewWindow = [w] { FileReopenNewWindow(*w); };
    c.insertFile = [w] { InsertFile(*w); };
    c.pageSetup = [w] { FilePageSetup(*w); };
    c.print = [w] { FilePrint(*w); };
    InstallEditCommands(window);
    window.RefreshCommandStates();
}

void InstallHelpCommands(frmMain& window) {
    MainCommands& c = window.Commands();
    frmMain* w = &window;
    c.helpContents = [w] { ShowHelpContents(w); };
    c.helpSearch = [w] { ShowHelpSearch(w); };
    c.helpTopic = [w](const QString& topic) { ShowHelpTopic(w, topic); };
    c.about = [w] { ShowAbout(w); };
    window.RefreshCommandStates();
}

}  // namespace morv
