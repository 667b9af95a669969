#pragma once

#include <string_view>

namespace morv {

// How a long core operation reports progress and learns that the user wants it to stop. The
// widgets' observer updates the progress window, lets pending window events run (at most every
// few milliseconds) and then answers from the program's stop request; the command-line tools
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

}  // namespace morv
