// The music's time line in the script's own terms, for one tempo (beats per minute, beats per bar,
// ticks per beat): the script turns its bar:beat:tick literals into seconds with it, and the overlay
// shows where the music is and writes keyframe times with it. Bars, beats and ticks count from 0.
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
    static constexpr float DefaultBpm = 120.0f;
    static constexpr int DefaultBeats = 4;
    static constexpr int DefaultTicks = 96;

    // The script's default tempo until its system block says otherwise.
    CMusicalTime() = default;
    // A tempo that is not a positive, finite number (or a count below 1) falls back to the default
    // for that value, so that no time computed with it is infinite or meaningless.
    CMusicalTime(float bpm, int beats, int ticks);

    // The system block changes one value at a time; the same fallback applies.
    void SetBpm(float value);
    void SetBeats(int value);
    void SetTicks(int value);

    float Bpm() const { return bpm; }
    int Beats() const { return beats; }
    int Ticks() const { return ticks; }
    double SecondsPerBeat() const { return 60.0 / bpm; }
    double SecondsPerTick() const { return SecondsPerBeat() / ticks; }
    double SecondsPerBar() const { return SecondsPerBeat() * beats; }

    // A time literal in seconds, as every keyframe and scene time is read; false when the beat or the
    // tick is past its bar or beat (negative parts count backwards and pass).
    bool ToSeconds(int bar, int beat, int tick, float& seconds) const;
    // The same conversion unrounded, for any position (its parts need not be in range).
    double SecondsOf(const BarBeatTick& position) const;

    // The bar, beat and tick that hold the moment: never rounded up, so that the display changes bar
    // exactly when the music reaches it. Times before 0 give negative bars, as the script writes them.
    BarBeatTick PositionOf(double seconds) const;
    // The tick nearest to the moment, for a time literal that names it.
    BarBeatTick NearestTick(double seconds) const;

    // The bar that holds the moment, and where a bar starts.
    int BarOf(double seconds) const { return PositionOf(seconds).bar; }
    double BarStart(int bar) const { return bar * SecondsPerBar(); }

    // A time literal as the script writes it: "12:3:48".
    static std::string Format(const BarBeatTick& position);

private:
    BarBeatTick FromTicks(int64_t ticks) const;
    // Whole ticks since 0, saturated far beyond any music's length.
    int64_t TicksOf(double ticks) const;

    float bpm = DefaultBpm;
    int beats = DefaultBeats;
    int ticks = DefaultTicks;
};
