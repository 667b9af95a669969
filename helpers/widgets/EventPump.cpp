#include "helpers/widgets/EventPump.h"

#include <QAbstractEventDispatcher>

#include <chrono>
#include <utility>

namespace morv::EventPump {

namespace {

PollThrottle::Ticks NowMicros() {
    return PollThrottle::Ticks(std::chrono::duration_cast<std::chrono::microseconds>(
                                   std::chrono::steady_clock::now().time_since_epoch())
                                   .count());
}

PollThrottle gThrottle(kDefaultIntervals);
std::function<void()> gStepHook;

// The event loop waits for events only between operations (and in the dialogs they open):
// whatever runs next starts looking at the clock at every step.
void RestartWhenTheLoopWaits() {
    static bool connected = false;
    if (connected) return;
    if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance()) {
        QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, dispatcher, [] {
            gThrottle.Restart();
            detail::stepsToLook = 0;
        });
        connected = true;
    }
}

}  // namespace

PollThrottle::Decision detail::Look() {
    if (gStepHook) gStepHook();
    RestartWhenTheLoopWaits();
    const PollThrottle::Decision decision = gThrottle.Look(NowMicros());
    stepsToLook = gStepHook ? 0 : gThrottle.stride();
    return decision;
}

bool RunNow(QEventLoop::ProcessEventsFlags flags) {
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    const bool found = dispatcher != nullptr && dispatcher->processEvents(flags);
    gThrottle.Ran(NowMicros(), found);
    return found;
}

bool Poll(QEventLoop::ProcessEventsFlags flags) {
    return Step().runEvents && RunNow(flags);
}

void SetIntervals(PollThrottle::Intervals intervals) {
    gThrottle.SetIntervals(intervals);
    detail::stepsToLook = 0;
}

void SetStepHook(std::function<void()> hook) {
    gStepHook = std::move(hook);
    detail::stepsToLook = 0;
}

ScopedTestPump::ScopedTestPump(std::function<void()> hook, PollThrottle::Intervals intervals) {
    SetIntervals(intervals);
    SetStepHook(std::move(hook));
}

ScopedTestPump::~ScopedTestPump() {
    SetIntervals(kDefaultIntervals);
    SetStepHook({});
}

}  // namespace morv::EventPump
