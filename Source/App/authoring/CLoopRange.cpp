#include "App/authoring/CLoopRange.h"

void CLoopRange::MarkStart(double time, const CMusicalTime& tempo) {
    const int bar = tempo.BarOf(time);
    start = tempo.BarStart(bar);
    hasStart = true;
    if (hasEnd && end <= start)
        end = tempo.BarStart(bar + 1);
}

void CLoopRange::MarkEnd(double time, const CMusicalTime& tempo) {
    const int bar = tempo.BarOf(time);
    end = tempo.BarStart(bar + 1);
    hasEnd = true;
    if (hasStart && start >= end)
        start = tempo.BarStart(bar);
}

void CLoopRange::Clear() {
    hasStart = hasEnd = false;
    start = end = 0.0;
}

std::optional<double> CLoopRange::SeekFor(double time) const {
    if (IsSet() && time >= end)
        return start;
    return std::nullopt;
}
