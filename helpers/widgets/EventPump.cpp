#include "helpers/widgets/EventPump.h"

#include <QAbstractEventDispatcher>

#include "helpers/widgets/Hooks.h"

namespace morv::EventPump {

namespace {

// The event loop waits for events only between operations (and in the dialogs they open):
// whatever runs next starts looking at the clock at every step.
void RestartWhenTheLoopWaits() {
    static bool connected = false;
    if (connected) return;
    if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance()) {
        QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, dispatcher, [] {
            detail::steps.throttle().Restart();
            detail::steps.LookNextStep();
        });
        connected = true;
    }
}

}  // namespace

PollThrottle::Decision detail::Look() {
    const std::function<void()>& hook = Hooks().eachStep;
    if (hook) hook();
    RestartWhenTheLoopWaits();
    const PollThrottle::Decision decision = steps.Look();
    if (hook) steps.LookNextStep();
    return decision;
}

void detail::HooksChanged() {
    steps.throttle().SetIntervals(Hooks().pollIntervals.value_or(kDefaultIntervals));
    steps.LookNextStep();
}

bool RunNow(QEventLoop::ProcessEventsFlags flags) {
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    const bool found = dispatcher != nullptr && dispatcher->processEvents(flags);
    detail::steps.throttle().Ran(MonotonicMicros(), found);
    return found;
}

bool Poll(QEventLoop::ProcessEventsFlags flags) {
    return Step().runEvents && RunNow(flags);
}

}  // namespace morv::EventPump
