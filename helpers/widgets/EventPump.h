#pragma once

#include <QEventLoop>

#include "helpers/core/Progress.h"

// The one place where long operations on the event thread let pending window events run, so that
// the windows, the progress window and the accessibility bus answer while they work. Every long
// operation calls it once per step; one throttle (PollThrottle) paces them all.
namespace morv::EventPump {

// The throttle's intervals in microseconds: events every 20 ms, 1 ms while they keep coming;
// progress every 50 ms; a look at the clock about every 0.2 ms.
inline constexpr PollThrottle::Intervals kDefaultIntervals{20000, 1000, 50000, 200};

namespace detail {
// The steps of every long operation; every step looks at the clock while a step hook is set.
inline PacedSteps steps{kDefaultIntervals};
PollThrottle::Decision Look();
// Takes up the step hook and the intervals of the hooks now in force (WidgetHooks).
void HooksChanged();
}  // namespace detail

// One step of a long operation: runs the step hook (WidgetHooks::eachStep) and says whether
// events are due and whether the progress should show now (before the events, so that they
// paint it). Most steps only count down to the next look at the clock.
inline PollThrottle::Decision Step() {
    return detail::steps.CountDown() ? PollThrottle::Decision{} : detail::Look();
}

// Lets pending events run now. Operations that nothing may interrupt pass
// QEventLoop::ExcludeUserInputEvents: windows repaint and the accessibility bus is answered,
// while keys and clicks wait until the operation ends. Returns true when there were some.
bool RunNow(QEventLoop::ProcessEventsFlags flags = QEventLoop::AllEvents);

// Step, then RunNow when events are due. Returns true when events ran.
bool Poll(QEventLoop::ProcessEventsFlags flags = QEventLoop::AllEvents);

}  // namespace morv::EventPump
