#include "helpers/core/StopSignals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <iterator>

namespace morv {

namespace {

volatile sig_atomic_t gSignal = 0;
int gPipe[2] = {-1, -1};
constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

extern "C" void OnStopSignal(int signal) {
    gSignal = signal;
    const int saved = errno;
    if (gPipe[1] >= 0) (void)!write(gPipe[1], "s", 1);
    errno = saved;
}

// Installs the handlers; the ones they replace go to old when given.
void Install(bool restart, struct sigaction* old) {
    if (gPipe[0] < 0 && pipe2(gPipe, O_CLOEXEC | O_NONBLOCK) != 0) gPipe[0] = gPipe[1] = -1;
    gSignal = 0;
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = restart ? SA_RESTART : 0;
    for (size_t i = 0; i < std::size(kSignals); ++i)
        sigaction(kSignals[i], &action, old != nullptr ? &old[i] : nullptr);
}

}  // namespace

void InstallStopSignals(bool restart) {
    Install(restart, nullptr);
}

ScopedStopSignals::ScopedStopSignals(bool restart) {
    static_assert(std::size(kSignals) == sizeof old_ / sizeof old_[0]);
    Install(restart, old_);
}

ScopedStopSignals::~ScopedStopSignals() {
    for (size_t i = 0; i < std::size(kSignals); ++i)
        sigaction(kSignals[i], &old_[i], nullptr);
}

int StopSignalReceived() {
    return gSignal;
}

void ClearStopSignal() {
    gSignal = 0;
    DrainStopSignalPipe();
}

void DrainStopSignalPipe() {
    char drain[64];
    while (gPipe[0] >= 0 && read(gPipe[0], drain, sizeof drain) > 0) {
    }
}

int StopSignalFd() {
    return gPipe[0];
}

std::string StopSignalName(int signal) {
    switch (signal) {
        case SIGINT:
            return "SIGINT";
        case SIGTERM:
            return "SIGTERM";
        case SIGHUP:
            return "SIGHUP";
        default:
            return "signal " + std::to_string(signal);
    }
}

}  // namespace morv
