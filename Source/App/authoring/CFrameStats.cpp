#include "App/authoring/CFrameStats.h"

#include <algorithm>
#include <cmath>

void CFrameStats::AddFrame(float seconds) {
    if (!(seconds >= 0.0f) || !std::isfinite(seconds))
        return;
    ring[next] = seconds * 1000.0f;
    next = (next + 1) % Capacity;
    count = std::min(count + 1, Capacity);
}

void CFrameStats::Clear() {
    next = 0;
    count = 0;
}

float CFrameStats::FrameMs(int index) const {
    if (index < 0 || index >= count)
        return 0.0f;
    return ring[(Oldest() + index) % Capacity];
}

float CFrameStats::FramesPerSecond() const {
    double total = 0.0;
    int frames = 0;
    // Newest first, until a second is covered.
    for (int i = count - 1; i >= 0 && total < 1000.0; --i) {
        total += FrameMs(i);
        ++frames;
    }
    return total > 0.0 ? static_cast<float>(frames * 1000.0 / total) : 0.0f;
}

float CFrameStats::LongestMs() const {
    float longest = 0.0f;
    for (int i = 0; i < count; ++i)
        longest = std::max(longest, ring[i]);
    return longest;
}
