#include "Base/StopRequest.h"

#include <csignal>

namespace {

volatile std::sig_atomic_t stopRequested = 0;
volatile std::sig_atomic_t stopSignal = 0;

} // namespace

void RequestStop(int signal) {
    if (stopRequested == 0)
        stopSignal = signal;
    stopRequested = 1;
}

bool StopRequested() { return stopRequested != 0; }

int StopSignal() { return stopSignal; }
