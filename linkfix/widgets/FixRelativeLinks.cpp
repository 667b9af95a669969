#include "linkfix/widgets/FixRelativeLinks.h"

#include <QLineEdit>

#include <exception>
#include <string>

#include "editor/widgets/DocumentEditor.h"
#include "editor/widgets/EditorBuffer.h"
#include "editor/widgets/LongOperation.h"
#include "editor/widgets/MainWindow.h"
#include "helpers/widgets/Prompter.h"
#include "helpers/widgets/QtText.h"
#include "linkfix/core/FixLinks.h"
#include "linkfix/widgets/FixDialog.h"

namespace morv {

void FixRelativeLinks(frmMain& main, frmFix& dialog) {
    DocumentEditor* editor = main.Rich1();
    FixLinksOptions options;
    // Typed text goes into the document in the document's own encoding.
    options.root = editor->ToEditorText(dialog.txtRoot()->text());
    options.path = editor->ToEditorText(dialog.txtPath()->text());
    options.scope = dialog.Scope();
    options.caret = dialog.Caret();

    dialog.hide();
    FixLinksResult result;
    {
        LongOperation operation(
            main, {.status = "Fixing relative links...", .cover = true, .progressWindow = true});
        try {
            // The run reads a copy of the text and hands the editor one replacement of the range
            // it changed, which the user can undo in one step.
            EditorBuffer live(editor);
            result = FixLinksInDocument(live, options, operation.Observer());
            operation.ShowProgress();
            editor->EnsureCaretVisible();
        } catch (const std::exception& e) {
            result.outcome = FixOutcome::Failed;
            result.message = e.what();
        }
    }
    dialog.Unload();
    if (result.outcome == FixOutcome::NoSection) {
        ShowMessage(&main, ToQString(result.message), PromptIcon::Exclamation, kAppTitle);
    } else if (result.outcome == FixOutcome::Failed) {
        ShowMessage(&main, ToQString(result.message) + ".", PromptIcon::Critical, kAppTitle);
    }
}

void InstallLinkfixCommands(frmMain& main) {
    main.Commands().fix = [&main] { ShowFixDialog(main); };
}

}  // namespace morv
