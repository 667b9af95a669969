#pragma once

#include <signal.h>

#include <string>

#include "helpers/core/Progress.h"

// SIGINT, SIGTERM and SIGHUP as a stop request, for the windows and the command-line tools alike.
// While the handlers are installed, such a signal only notes its number and writes one byte to a
// pipe; a long run polls the number between its steps (a batch finishes or turns back the cycle in
// hand, a tool removes its half-written output) and stops cleanly, and an event loop can watch the
// pipe.
namespace morv {

// Installs the handlers. restart: system calls interrupted by the signal go on (an event loop);
// without it a blocking read, such as a question on the terminal, returns at once.
void InstallStopSignals(bool restart);
// The number of the last such signal since the handlers were installed or cleared; 0 for none.
int StopSignalReceived();
void ClearStopSignal();
// The end of the pipe to watch for a signal; -1 before the first install.
int StopSignalFd();
// Reads what waits in the pipe; the signal's number stays.
void DrainStopSignalPipe();
// "SIGINT" and so on.
std::string StopSignalName(int signal);

// The handlers for the life of the object (a command of a command-line tool); the handlers that
// were there before come back at its end.
class ScopedStopSignals {
  public:
    explicit ScopedStopSignals(bool restart = false);
    ~ScopedStopSignals();
    ScopedStopSignals(const ScopedStopSignals&) = delete;
    ScopedStopSignals& operator=(const ScopedStopSignals&) = delete;

  private:
    struct sigaction old_[3]{};
};

// Stops at a signal; otherwise asks the observer it wraps.
class SignalStopObserver : public ProgressObserver {
  public:
    explicit SignalStopObserver(ProgressObserver& inner = NoProgress()) : inner_(inner) {}
    void SetAction(std::string_view text) override { inner_.SetAction(text); }
    void SetStatus(std::string_view text) override { inner_.SetStatus(text); }
    void SetMax(long max) override { inner_.SetMax(max); }
    void SetValue(long value) override { inner_.SetValue(value); }
    bool ShouldStop() override { return StopSignalReceived() != 0 || inner_.ShouldStop(); }

  private:
    ProgressObserver& inner_;
};

}  // namespace morv
