#include "Base/CMusicalTime.h"

#include <climits>
#include <cmath>

namespace {

// Times on the music clock are floats: a literal's time read back as a float may land a hair below
// its tick. A hundredth of a tick (50 microseconds at 120 bpm) absorbs that without being visible.
constexpr double TickSlack = 0.01;

int64_t FloorDiv(int64_t a, int64_t b) {
    int64_t q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0)))
        --q;
    return q;
}

} // namespace

CMusicalTime::CMusicalTime(float bpm, int beats, int ticks) {
    SetBpm(bpm);
    SetBeats(beats);
    SetTicks(ticks);
}

void CMusicalTime::SetBpm(float value) { bpm = (value > 0.0f && std::isfinite(value)) ? value : DefaultBpm; }

void CMusicalTime::SetBeats(int value) { beats = value >= 1 ? value : DefaultBeats; }

void CMusicalTime::SetTicks(int value) { ticks = value >= 1 ? value : DefaultTicks; }

double CMusicalTime::SecondsOf(const BarBeatTick& p) const {
    // Beats go through a float first, as the script's numbers always have: keyframe times stay the
    // same to the last bit whatever the tempo.
    const double beatsPerBar = static_cast<double>(static_cast<float>(beats));
    return (p.bar + p.beat / beatsPerBar + p.tick / (beatsPerBar * ticks)) * beatsPerBar * (60.0 / bpm);
}

bool CMusicalTime::ToSeconds(int bar, int beat, int tick, float& seconds) const {
    if (beat >= beats || tick >= ticks)
        return false;
    seconds = static_cast<float>(SecondsOf(BarBeatTick{bar, beat, tick}));
    return true;
}

int64_t CMusicalTime::TicksOf(double value) const {
    if (!std::isfinite(value))
        return 0;
    // Bars must still fit an int after the division.
    const double limit = static_cast<double>(INT_MAX) * beats * ticks;
    if (value > limit)
        value = limit;
    if (value < -limit)
        value = -limit;
    return static_cast<int64_t>(value);
}

BarBeatTick CMusicalTime::FromTicks(int64_t total) const {
    const int64_t perBar = static_cast<int64_t>(beats) * ticks;
    const int64_t bar = FloorDiv(total, perBar);
    const int64_t inBar = total - bar * perBar;
    return BarBeatTick{static_cast<int>(bar), static_cast<int>(inBar / ticks), static_cast<int>(inBar % ticks)};
}

BarBeatTick CMusicalTime::PositionOf(double seconds) const {
    return FromTicks(TicksOf(std::floor(seconds / SecondsPerTick() + TickSlack)));
}

BarBeatTick CMusicalTime::NearestTick(double seconds) const {
    return FromTicks(TicksOf(std::round(seconds / SecondsPerTick())));
}

std::string CMusicalTime::Format(const BarBeatTick& p) {
    return std::to_string(p.bar) + ":" + std::to_string(p.beat) + ":" + std::to_string(p.tick);
}
