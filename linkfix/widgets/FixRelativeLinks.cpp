#include "linkfix/widgets/FixRelativeLinks.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>

#include <chrono>
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

namespace {

// Passes the run's progress on to the window at most every few milliseconds: the run reports
// every line, and relabelling a window two hundred thousand times would cost more than the run.
// Even the clock is read only every few dozen lines, since reading it costs more than a line.
class ThrottledProgress : public ProgressObserver {
  public:
    explicit ThrottledProgress(ProgressObserver& window) : window_(window) {}

    void SetAction(std::string_view text) override { window_.SetAction(text); }
    void SetMax(long max) override { window_.SetMax(max); }
    // The link being fixed: a view into the run's text, shown while the run goes on.
    void SetStatus(std::string_view text) override { status_ = text; }
    void SetValue(long value) override { value_ = value; }
    bool ShouldStop() override {
        if (++calls_ % kCallsPerLook != 0) return stop_;
        const auto now = std::chrono::steady_clock::now();
        if (now - lastShown_ >= std::chrono::milliseconds(30)) {
            lastShown_ = now;
            Flush();
            if (!status_.empty()) window_.SetStatus(status_);
        }
        stop_ = window_.ShouldStop();
        return stop_;
    }
    // The last position, once the run is over.
    void Flush() {
        if (value_ >= 0) window_.SetValue(value_);
    }

  private:
    static constexpr long kCallsPerLook = 64;
    ProgressObserver& window_;
    std::string_view status_;
    long value_ = -1;
    long calls_ = 0;
    bool stop_ = false;
    std::chrono::steady_clock::time_point lastShown_{};
};

}  // namespace

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
    options.scope = FixScope(std::max(0, dialog.Combo1()->currentIndex()));
    options.caret = dialog.Combo2()->currentIndex();

    FixLinksResult result;
    try {
        state.StopRequest = false;
        // The run reads a copy of the text and hands the editor one replacement of the range
        // it changed, which the user can undo in one step.
        EditorBuffer live(editor);
        ProgressWindowObserver window(progress, &state.StopRequest);
        ThrottledProgress throttled(window);
        result = FixLinksInDocument(live, options, throttled);
        throttled.Flush();
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
