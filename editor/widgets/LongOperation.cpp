#include "editor/widgets/LongOperation.h"

#include "editor/widgets/MainWindow.h"
#include "helpers/widgets/EventPump.h"
#include "services/widgets/ProgressWindow.h"

namespace morv {

namespace {

// Without a progress window: each step (a report of progress, or a poll) lets window events run
// when the pump says they are due.
class PumpObserver : public ProgressObserver {
  public:
    PumpObserver(const bool* stopRequest, bool stoppable)
        : stopRequest_(stopRequest), stoppable_(stoppable) {}
    void SetValue(long) override { Step(); }
    bool ShouldStop() override {
        Step();
        return stoppable_ && *stopRequest_;
    }

  private:
    void Step() {
        EventPump::Poll(stoppable_ ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents);
    }
    const bool* stopRequest_;
    bool stoppable_;
};

}  // namespace

LongOperation::LongOperation(frmMain& main, const Setup& setup) : main_(main), setup_(setup) {
    AppState& state = main_.State();
    if (!setup_.status.isEmpty()) main_.SetStatusText(setup_.status);
    if (setup_.cover) main_.CoverEditor(true);
    if (setup_.suspendPainting) main_.setUpdatesEnabled(false);
    if (setup_.progressWindow) {
        progress_ = new frmProgress(&main_, &state.StopRequest);
        progress_->show();
        main_.repaint();
        main_.setEnabled(false);
        progress_->setEnabled(true);  // a window of its own, not disabled with its owner
        progress_->repaint();
        observer_ = std::make_unique<ProgressWindowObserver>(progress_, &state.StopRequest);
    } else {
        observer_ = std::make_unique<PumpObserver>(&state.StopRequest, setup_.stoppable);
    }
    if (setup_.stoppable) state.StopRequest = false;
}

LongOperation::~LongOperation() {
    End();
}

ProgressObserver& LongOperation::Observer() {
    return *observer_;
}

frmProgress* LongOperation::Progress() const {
    return progress_;
}

void LongOperation::ShowProgress() {
    if (setup_.progressWindow) static_cast<ProgressWindowObserver&>(*observer_).Flush();
}

void LongOperation::End() {
    if (ended_) return;
    ended_ = true;
    main_.State().StopRequest = true;
    if (setup_.progressWindow) {
        main_.setEnabled(true);
        if (progress_ != nullptr) progress_->Unload();
    }
    if (setup_.suspendPainting) main_.setUpdatesEnabled(true);
    if (setup_.cover) main_.CoverEditor(false);
    if (!setup_.status.isEmpty()) main_.SetStatusText("Ready");
    wait_.Release();
}

}  // namespace morv
