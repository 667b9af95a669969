#pragma once

#include <QPointer>
#include <QString>

#include <memory>

#include "helpers/core/Progress.h"
#include "helpers/widgets/WaitCursor.h"

namespace morv {

class frmMain;
class frmProgress;

// What a long operation on the event thread changes about the windows, set up in one place and
// put back by End, or by the destructor on any other way out: the hourglass pointer, a status
// text ("Ready" afterwards), the editor behind its cover, the main window's painting suspended,
// the progress window over the disabled main window, and the stop request, cleared while the
// operation runs. Hide the operation's dialog before, and unload or show it again after.
class LongOperation {
  public:
    struct Setup {
        QString status{};              // the status text while it runs; none: left as it is
        bool cover = false;            // the editor hidden behind the cover
        bool suspendPainting = false;  // the main window not repainted until the end
        bool progressWindow = false;   // the progress window, with the main window disabled
        // Stopped by the stop request (Cancel, or a key in the main window). Otherwise keys and
        // clicks wait until the end, while the windows still repaint.
        bool stoppable = true;
    };

    LongOperation(frmMain& main, const Setup& setup);
    ~LongOperation();
    LongOperation(const LongOperation&) = delete;
    LongOperation& operator=(const LongOperation&) = delete;

    // The operation's observer: it reports to the progress window (if there is one), lets window
    // events run at the pace of the event pump, and answers from the stop request.
    ProgressObserver& Observer();
    // The progress window, or null without one.
    frmProgress* Progress() const;
    // Shows the progress reported last at once.
    void ShowProgress();
    // Puts every window back; later calls do nothing.
    void End();

  private:
    frmMain& main_;
    Setup setup_;
    WaitCursor wait_;
    QPointer<frmProgress> progress_;
    std::unique_ptr<ProgressObserver> observer_;
    bool ended_ = false;
};

}  // namespace morv
