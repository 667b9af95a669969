#include "linkfix/widgets/FixRelativeLinks.h"

#include <QApplication>
#include <QLineEdit>

#include <exception>
#include <string>

#include "editor/widgets/DocumentEditor.h"
#include "editor/widgets/EditorBuffer.h"
#include "editor/widgets/MainWindow.h"
#include "helpers/widgets/Prompter.h"
#include "helpers/widgets/QtText.h"
#include "linkfix/core/FixLinks.h"
#include "linkfix/widgets/FixDialog.h"
#include "services/widgets/ProgressWindow.h"

namespace morv {

void FixRelativeLinks(frmMain& main, frmFix& dialog) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    main.SetStatusText("Fixing relative links...");
    dialog.hide();
    main.CoverEditor(true);
    AppState& state = main.State();
    auto* progress = new frmProgress(&main, &state.StopRequest);
    progress->show();
    main.repaint();
    main.setEnabled(false);
    progress->setEnabled(true);  // a window of its own, not disabled with its owner
    progress->repaint();

    DocumentEditor* editor = main.Rich1();
    FixLinksOptions options;
    // Typed text goes into the document in the document's own encoding.
    options.root = editor->ToEditorText(dialog.txtRoot()->text());
    options.path = editor->ToEditorText(dialog.txtPath()->text());
    options.scope = dialog.Scope();
    options.caret = dialog.Caret();

    FixLinksResult result;
    try {
        state.StopRequest = false;
        // The run reads a copy of the text and hands the editor one replacement of the range
        // it changed, which the user can undo in one step.
        EditorBuffer live(editor);
        ProgressWindowObserver window(progress, &state.StopRequest);
        result = FixLinksInDocument(live, options, window);
        window.Flush();
        editor->EnsureCaretVisible();
    } catch (const std::exception& e) {
        result.outcome = FixOutcome::Failed;
        result.message = e.what();
    }
    state.StopRequest = true;

    main.setEnabled(true);
    QApplication::restoreOverrideCursor();
    if (result.outcome == FixOutcome::NoSection) {
        ShowMessage(&main, ToQString(result.message), PromptIcon::Exclamation, kAppTitle);
    } else if (result.outcome == FixOutcome::Failed) {
        ShowMessage(&main, ToQString(result.message) + ".", PromptIcon::Critical, kAppTitle);
    }
    dialog.Unload();
    progress->Unload();
    main.CoverEditor(false);
    main.SetStatusText("Ready");
}

void InstallLinkfixCommands(frmMain& main) {
    main.Commands().fix = [&main] { ShowFixDialog(main); };
}

}  // namespace morv
