#pragma once

#include <chrono>
#include <cstdint>
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

// Decides, at the steps of a long operation, when pending window events run and when the
// progress shows. Events run at most once per idle interval while nothing happens, so that
// polling costs next to nothing; after a run that found events, again after the short busy
// interval: a screen reader walks a window with many small requests, each sent only when the
// answer to the last has come, and those are answered at the pace of the steps rather than one
// per idle interval. Progress texts and bars change at most once per display interval: each
// change repaints a window and tells the accessibility bus, which costs more than a step.
// Reading a clock costs more than many steps do, so the caller looks at it only every stride
// steps: the stride doubles while looks come less than half the look interval apart, up to
// kMaxStride, and drops back to 1 when a look comes more than twice the interval late. Times are
// in the unit of the caller's clock (microseconds in the widgets).
class PollThrottle {
  public:
    using Ticks = std::uint64_t;
    struct Intervals {
        Ticks idle;
        Ticks busy;
        Ticks display;
        Ticks look;
    };
    struct Decision {
        bool runEvents = false;
        bool showProgress = false;
    };
    static constexpr int kMaxStride = 64;

    explicit PollThrottle(Intervals intervals) : intervals_(intervals) {}

    // A look at the clock, which read now.
    Decision Look(Ticks now) {
        const Ticks since = now - lastLook_;
        lastLook_ = now;
        if (since / 2 > intervals_.look)
            stride_ = 1;
        else if (since < intervals_.look / 2 && stride_ < kMaxStride)
            stride_ *= 2;
        Decision decision;
        decision.runEvents = now - lastRun_ >= (busy_ ? intervals_.busy : intervals_.idle);
        if (now - lastDisplay_ >= intervals_.display) {
            lastDisplay_ = now;
            decision.showProgress = true;
        }
        return decision;
    }
    // Events ran at now; foundEvents: there were some to run.
    void Ran(Ticks now, bool foundEvents) {
        lastRun_ = now;
        busy_ = foundEvents;
    }
    // Steps from one look to the next.
    int stride() const { return stride_; }
    // A new operation begins: its steps may be slower than the last one's.
    void Restart() { stride_ = 1; }

    Intervals intervals() const { return intervals_; }
    void SetIntervals(Intervals intervals) {
        intervals_ = intervals;
        stride_ = 1;
    }

  private:
    Intervals intervals_;
    Ticks lastRun_ = 0;
    Ticks lastDisplay_ = 0;
    Ticks lastLook_ = 0;
    bool busy_ = false;
    int stride_ = 1;
};

// The steady clock in microseconds: the unit of the throttles' intervals.
inline PollThrottle::Ticks MonotonicMicros() {
    return PollThrottle::Ticks(std::chrono::duration_cast<std::chrono::microseconds>(
                                   std::chrono::steady_clock::now().time_since_epoch())
                                   .count());
}

// A PollThrottle over the steps of a loop, on the steady clock: most steps only count down to
// the next look at the clock, which comes every stride steps.
class PacedSteps {
  public:
    explicit PacedSteps(PollThrottle::Intervals intervals) : throttle_(intervals) {}

    // One step of the loop.
    PollThrottle::Decision Step() { return CountDown() ? PollThrottle::Decision{} : Look(); }
    // True while this step only counts down.
    bool CountDown() { return --stepsToLook_ > 0; }
    PollThrottle::Decision Look() {
        const PollThrottle::Decision decision = throttle_.Look(MonotonicMicros());
        stepsToLook_ = throttle_.stride();
        return decision;
    }
    // The next step looks at the clock.
    void LookNextStep() { stepsToLook_ = 0; }
    PollThrottle& throttle() { return throttle_; }

  private:
    PollThrottle throttle_;
    int stepsToLook_ = 0;
};

}  // namespace morv
