#pragma once

#include <chrono>
#include <string_view>

namespace morv {

// How a long core operation reports progress and learns that the user wants it to stop. The
// widgets' observer updates the progress window, lets pending window events run when the shared
// PollThrottle says so and then answers from the program's stop request; the command-line tools
// draw a bar on a terminal; tests count calls or stop at a chosen step.
class ProgressObserver {
  public:
    virtual ~ProgressObserver() = default;
    virtual void SetAction(std::string_view /*text*/) {}  // what is being done
    virtual void SetStatus(std::string_view /*text*/) {}  // the current item
    virtual void SetMax(long /*max*/) {}
    virtual void SetValue(long /*value*/) {}
    // Polled once per step; true stops the operation, which then ends as a user interrupt.
    virtual bool ShouldStop() { return false; }
};

// An observer that reports nothing and never stops.
inline ProgressObserver& NoProgress() {
    static ProgressObserver none;
    return none;
}

// Decides when a long operation that polls once per step lets pending window events run, and
// when it shows its progress. Events run at most once per idle interval while nothing happens, so
// that polling costs next to nothing; after a run that found events, again after the short busy
// interval: a screen reader walks a window with many small requests, each sent only when the
// answer to the last has come, and those are answered at the pace of the steps rather than one per
// idle interval. Progress texts and bars change at most once per display interval: each change
// repaints a window and tells the accessibility bus, which would cost more than the work itself.
class PollThrottle {
  public:
    using Clock = std::chrono::steady_clock;
    struct Intervals {
        Clock::duration idle;
        Clock::duration busy;
        Clock::duration display;
    };
    static constexpr Intervals kDefaultIntervals{
        std::chrono::milliseconds(20), std::chrono::milliseconds(1), std::chrono::milliseconds(50)};

    explicit PollThrottle(Intervals intervals = kDefaultIntervals) : intervals_(intervals) {}

    bool Due(Clock::time_point now) const {
        return now - lastRun_ >= (busy_ ? intervals_.busy : intervals_.idle);
    }
    // Events ran at now; foundEvents: there were some to run.
    void Ran(Clock::time_point now, bool foundEvents) {
        lastRun_ = now;
        busy_ = foundEvents;
    }
    // True at most once per display interval: the caller shows its progress now.
    bool TakeDisplay(Clock::time_point now) {
        if (now - lastDisplay_ < intervals_.display) return false;
        lastDisplay_ = now;
        return true;
    }

    Intervals intervals() const { return intervals_; }
    void SetIntervals(Intervals intervals) { intervals_ = intervals; }

  private:
    Intervals intervals_;
    // The clock's epoch: the first poll is due, the first progress is shown.
    Clock::time_point lastRun_{};
    Clock::time_point lastDisplay_{};
    bool busy_ = false;
};

}  // namespace morv
