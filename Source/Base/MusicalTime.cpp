#include "Base/MusicalTime.h"

#include <cmath>
#include <limits>

bool MusicalTimeToSeconds(const MusicalTimeBase& tempo, int bar, int beat, int tick, float& seconds) {
    if (beat >= tempo.Beats || tick >= tempo.Ticks)
        return false;
    const double beats = static_cast<double>(static_cast<float>(tempo.Beats));
    const double value = (bar + beat / beats + tick / (beats * tempo.Ticks)) * beats * (60.0 / tempo.Bpm);
    seconds = static_cast<float>(value);
    return true;
}

double SecondsPerBar(const MusicalTimeBase& tempo) { return tempo.Beats * (60.0 / tempo.Bpm); }

MusicalPosition SecondsToMusicalTime(const MusicalTimeBase& tempo, double seconds) {
    MusicalPosition position;
    const double ticksPerBar = static_cast<double>(tempo.Beats) * tempo.Ticks;
    const double perBar = SecondsPerBar(tempo);
    if (!(seconds > 0.0) || !std::isfinite(seconds) || !(perBar > 0.0) || !(ticksPerBar > 0.0))
        return position;
    // Seconds are kept as floats: a time made from a literal may fall a fraction of a tick short of
    // it, and still names that tick.
    const double exact = seconds / perBar * ticksPerBar;
    const double nearest = std::round(exact);
    double ticks = std::fabs(exact - nearest) < 0.02 ? nearest : std::floor(exact);
    const double maxTicks = static_cast<double>(std::numeric_limits<int>::max()) * ticksPerBar;
    if (ticks > maxTicks)
        ticks = maxTicks;
    const double bar = std::floor(ticks / ticksPerBar);
    const double rest = ticks - bar * ticksPerBar;
    position.bar = static_cast<int>(bar);
    position.beat = static_cast<int>(std::floor(rest / tempo.Ticks));
    position.tick = static_cast<int>(rest - static_cast<double>(position.beat) * tempo.Ticks);
    return position;
}
