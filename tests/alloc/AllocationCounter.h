// Counts heap allocations made through the global operator new, which this test program replaces, so
// that a test can show a code path allocates nothing.
#pragma once

#include <cstddef>

std::size_t AllocationCount();
