#pragma once

#include <QEventLoop>

#include <functional>

#include "helpers/core/Progress.h"

// The one place where long operations on the event thread let pending window events run, so that
// the windows, the progress window and the accessibility bus answer while they work. Every long
// operation polls it once per step; one throttle paces them all.
namespace morv::EventPump {

// One step of a long operation: runs the step hook (tests), then lets pending events run when
// the throttle says they are due. Operations that nothing may interrupt pass
// QEventLoop::ExcludeUserInputEvents: windows repaint and the accessibility bus is answered,
// while keys and clicks wait until the operation ends. Returns true when events ran.
bool Poll(QEventLoop::ProcessEventsFlags flags = QEventLoop::AllEvents);

// True at most once per display interval: an observer shows its progress now, before the step's
// Poll lets the window repaint.
bool TakeDisplay();

// Lets pending events run now, whatever the throttle says.
bool RunNow(QEventLoop::ProcessEventsFlags flags = QEventLoop::AllEvents);

// Tests: the throttle's intervals (zero lets events run and progress show at every step) and a
// hook that runs at the start of every step, so that a key or a click can be sent at a chosen
// step.
PollThrottle::Intervals Intervals();
void SetIntervals(PollThrottle::Intervals intervals);
void SetStepHook(std::function<void()> hook);

// Sets the intervals and the hook for one scope and restores the defaults afterwards.
class ScopedTestPump {
  public:
    explicit ScopedTestPump(std::function<void()> hook = {},
                            PollThrottle::Intervals intervals = {{}, {}, {}});
    ~ScopedTestPump();
    ScopedTestPump(const ScopedTestPump&) = delete;
    ScopedTestPump& operator=(const ScopedTestPump&) = delete;
};

}  // namespace morv::EventPump
