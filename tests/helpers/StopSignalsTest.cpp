#include <signal.h>

#include <gtest/gtest.h>

#include "helpers/core/CliCommand.h"
#include "helpers/core/StopSignals.h"

using namespace morv;

namespace {

void (*HandlerOf(int signal))(int) {
    struct sigaction now {};
    sigaction(signal, nullptr, &now);
    return now.sa_handler;
}

// The windows and the tools catch the same three signals the same way: each one is a stop request
// while a guard lives, and the handler that was there before comes back after it.
TEST(StopSignals, EachSignalStopsAToolStepAndTheOldHandlerComesBack) {
    const int rows[] = {SIGINT, SIGTERM, SIGHUP};
    for (const int signal : rows) {
        SCOPED_TRACE(StopSignalName(signal));
        struct sigaction ignore = {}, before = {};
        ignore.sa_handler = SIG_IGN;
        sigaction(signal, &ignore, &before);
        {
            ScopedStopSignals guard;
            SignalStopObserver tool;
            EXPECT_FALSE(tool.ShouldStop());
            raise(signal);
            EXPECT_EQ(StopSignalReceived(), signal);
            EXPECT_TRUE(tool.ShouldStop());
        }
        EXPECT_EQ(HandlerOf(signal), SIG_IGN);
        sigaction(signal, &before, nullptr);
        ClearStopSignal();
    }
}

}  // namespace
