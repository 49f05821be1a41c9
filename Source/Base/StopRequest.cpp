#include "Base/StopRequest.h"

#include <atomic>

namespace {

// Lock-free atomics: safe in a signal handler, and seen by every thread where the request comes on a
// thread of its own (a console's control handler on Windows).
std::atomic<int> stopRequested{0};
std::atomic<int> stopSignal{0};
static_assert(std::atomic<int>::is_always_lock_free);

} // namespace

void RequestStop(int signal) {
    int none = 0;
    if (stopRequested.compare_exchange_strong(none, 1))
        stopSignal = signal;
}

bool StopRequested() { return stopRequested != 0; }

int StopSignal() { return stopSignal; }
