// The music's time line in the script's own terms: seconds to bar:beat:tick and back for one tempo
// (beats per minute, beats per bar, ticks per beat), with bars, beats and ticks counted from 0 as in
// the script's time literals. The overlay shows where the music is with it, and writes keyframe times.
#pragma once

#include <cstdint>
#include <string>

struct BarBeatTick {
    int bar = 0;
    int beat = 0; // 0 .. beats per bar - 1
    int tick = 0; // 0 .. ticks per beat - 1
    bool operator==(const BarBeatTick&) const = default;
};

class CMusicalTime {
public:
    // A tempo that is not a positive, finite number (or a count below 1) falls back to the script's
    // default for that value (120 beats per minute, 4 beats, 96 ticks).
    CMusicalTime(float bpm, int beats, int ticks);

    double SecondsPerTick() const { return secondsPerBeat / ticks; }
    double SecondsPerBeat() const { return secondsPerBeat; }
    double SecondsPerBar() const { return secondsPerBeat * beats; }
    int Beats() const { return beats; }
    int Ticks() const { return ticks; }

    // The bar, beat and tick that hold the moment: never rounded up, so that the display changes bar
    // exactly when the music reaches it. Times before 0 give negative bars, as the script writes them.
    BarBeatTick PositionOf(double seconds) const;
    // The tick nearest to the moment, for a time literal that names it.
    BarBeatTick NearestTick(double seconds) const;
    // What the script makes of the literal (its bar:beat:tick conversion).
    double SecondsOf(const BarBeatTick& position) const;

    // The bar that holds the moment, and where a bar starts.
    int BarOf(double seconds) const { return PositionOf(seconds).bar; }
    double BarStart(int bar) const { return bar * SecondsPerBar(); }

    // A time literal as the script writes it: "12:3:48".
    static std::string Format(const BarBeatTick& position);

private:
    BarBeatTick FromTicks(int64_t ticks) const;
    // Whole ticks since 0, saturated far beyond any music's length.
    int64_t TicksOf(double ticks) const;

    double secondsPerBeat;
    int beats;
    int ticks;
};
