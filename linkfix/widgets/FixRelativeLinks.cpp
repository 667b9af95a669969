#include "linkfix/widgets/FixRelativeLinks.h"

#include <QApplication>
#include <QLineEdit>

#include <exception>
#include <string>

#include "editor/core/DocumentText.h"
#include "editor/core/StringBuffer.h"
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
    options.root = EncodeDocument(ToStd(dialog.txtRoot()->text()), editor->Encoding());
    options.path = EncodeDocument(ToStd(dialog.txtPath()->text()), editor->Encoding());
    options.scope = dialog.Scope();
    options.caret = dialog.Caret();

    FixLinksResult result;
    try {
        state.StopRequest = false;
        // The run works on a copy of the document; the editor takes the result as one edit,
        // which the user can undo in one step.
        StringBuffer snapshot(DocumentBytes(editor));
        EditorBuffer live(editor);
        snapshot.Select(live.SelectionStart(), live.SelectionLength());
        ProgressWindowObserver window(progress, &state.StopRequest);
        result = FixLinksInDocument(snapshot, options, window);
        window.Flush();
        if (result.outcome == FixOutcome::Finished || result.outcome == FixOutcome::Stopped) {
            ReplaceDocumentBytes(editor, snapshot.str());
            live.Select(snapshot.SelectionStart(), snapshot.SelectionLength());
            editor->ensureCursorVisible();
        }
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
