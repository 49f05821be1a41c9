#include "Platform/StopSignals.h"

#include "Base/StopRequest.h"

#include <cstdio>
#include <signal.h>

namespace {

// Only async-signal-safe calls here: sigaction and raise.
void RestoreDefaultAndRaise(int signal) {
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    sigaction(signal, &action, nullptr);
    raise(signal);
}

void OnStopSignal(int signal) {
    // The signal is blocked while its handler runs: the raised one is delivered, with the default
    // action, as soon as the handler returns.
    if (StopRequested()) {
        RestoreDefaultAndRaise(signal);
        return;
    }
    RequestStop(signal);
}

} // namespace

void InstallStopSignalHandlers() {
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    // The other stop signal waits while one is noted, so that two at once count as first and second.
    sigaddset(&action.sa_mask, SIGINT);
    sigaddset(&action.sa_mask, SIGTERM);
    // Interrupted system calls resume; the request is seen at the next check.
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

void EndByStopSignal() {
    const int signal = StopSignal();
    if (signal == 0)
        return;
    std::fflush(nullptr);
    RestoreDefaultAndRaise(signal);
}
