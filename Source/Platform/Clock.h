// The monotonic high-resolution counter the silent clock and frame timing run on.
#pragma once

#include <cstdint>

// Counter ticks per second; 0 when the platform has no high-resolution counter.
int64_t GetCounterFrequency();
int64_t GetCounterValue();
