#include "Platform/Clock.h"

#include <SDL.h>

int64_t GetCounterFrequency() { return static_cast<int64_t>(SDL_GetPerformanceFrequency()); }
int64_t GetCounterValue() { return static_cast<int64_t>(SDL_GetPerformanceCounter()); }
