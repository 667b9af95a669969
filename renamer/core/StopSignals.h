#pragma once

#include <string>

#include "helpers/core/Progress.h"

// SIGINT, SIGTERM and SIGHUP as a stop request. While the handlers are installed, such a signal
// only notes its number and writes one byte to a pipe; a running batch polls the number between
// its steps (so it finishes or turns back the cycle in hand and stops cleanly), and an event loop
// can watch the pipe.
namespace morv::renamer {

// Installs the handlers. restart: system calls interrupted by the signal go on (an event loop);
// without it a blocking read, such as a question on the terminal, returns at once.
void InstallStopSignals(bool restart);
// The default actions again.
void RemoveStopSignals();
// The number of the last such signal since the handlers were installed or cleared; 0 for none.
int StopSignalReceived();
void ClearStopSignal();
// The end of the pipe to watch for a signal; -1 before the first install.
int StopSignalFd();
// Reads what waits in the pipe; the signal's number stays.
void DrainStopSignalPipe();
// "SIGINT" and so on.
std::string StopSignalName(int signal);

// The handlers for the life of the object (a batch of the command-line tool).
class ScopedStopSignals {
  public:
    explicit ScopedStopSignals(bool restart = false) { InstallStopSignals(restart); }
    ~ScopedStopSignals() { RemoveStopSignals(); }
    ScopedStopSignals(const ScopedStopSignals&) = delete;
    ScopedStopSignals& operator=(const ScopedStopSignals&) = delete;
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

}  // namespace morv::renamer
