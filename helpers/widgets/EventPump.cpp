#include "helpers/widgets/EventPump.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>

#include <utility>

namespace morv::EventPump {

namespace {

PollThrottle gThrottle;
std::function<void()> gStepHook;

}  // namespace

bool RunNow(QEventLoop::ProcessEventsFlags flags) {
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    const bool found = dispatcher != nullptr && dispatcher->processEvents(flags);
    gThrottle.Ran(PollThrottle::Clock::now(), found);
    return found;
}

bool TakeDisplay() {
    return gThrottle.TakeDisplay(PollThrottle::Clock::now());
}

bool Poll(QEventLoop::ProcessEventsFlags flags) {
    if (gStepHook) gStepHook();
    return gThrottle.Due(PollThrottle::Clock::now()) && RunNow(flags);
}

PollThrottle::Intervals Intervals() {
    return gThrottle.intervals();
}

void SetIntervals(PollThrottle::Intervals intervals) {
    gThrottle.SetIntervals(intervals);
}

void SetStepHook(std::function<void()> hook) {
    gStepHook = std::move(hook);
}

ScopedTestPump::ScopedTestPump(std::function<void()> hook, PollThrottle::Intervals intervals) {
    SetIntervals(intervals);
    SetStepHook(std::move(hook));
}

ScopedTestPump::~ScopedTestPump() {
    SetIntervals(PollThrottle::kDefaultIntervals);
    SetStepHook({});
}

}  // namespace morv::EventPump
