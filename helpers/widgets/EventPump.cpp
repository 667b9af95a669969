#include "helpers/widgets/EventPump.h"

#include <QAbstractEventDispatcher>

#include <chrono>

#include "helpers/widgets/Hooks.h"

namespace morv::EventPump {

namespace {

PollThrottle::Ticks NowMicros() {
    return PollThrottle::Ticks(std::chrono::duration_cast<std::chrono::microseconds>(
                                   std::chrono::steady_clock::now().time_since_epoch())
                                   .count());
}

PollThrottle gThrottle(kDefaultIntervals);

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
    const std::function<void()>& hook = Hooks().eachStep;
    if (hook) hook();
    RestartWhenTheLoopWaits();
    const PollThrottle::Decision decision = gThrottle.Look(NowMicros());
    stepsToLook = hook ? 0 : gThrottle.stride();
    return decision;
}

void detail::HooksChanged() {
    gThrottle.SetIntervals(Hooks().pollIntervals.value_or(kDefaultIntervals));
    stepsToLook = 0;
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

}  // namespace morv::EventPump
