#include "Base/MusicalTime.h"

bool MusicalTimeToSeconds(const MusicalTimeBase& tempo, int bar, int beat, int tick, float& seconds) {
    if (beat >= tempo.Beats || tick >= tempo.Ticks)
        return false;
    const double beats = static_cast<double>(static_cast<float>(tempo.Beats));
    const double value = (bar + beat / beats + tick / (beats * tempo.Ticks)) * beats * (60.0 / tempo.Bpm);
    seconds = static_cast<float>(value);
    return true;
}
