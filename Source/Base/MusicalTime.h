// The script's musical time: bar:beat:tick literals and seconds, converted with a tempo (beats per
// minute, beats per bar, ticks per beat). Bars, beats and ticks count from 0.
#pragma once

struct MusicalTimeBase {
    float Bpm = 120.0f;
    int Beats = 4;
    int Ticks = 96;
};

struct MusicalPosition {
    int bar = 0;
    int beat = 0;
    int tick = 0;
};

// Converts a time literal with the tempo given; false when beat >= Beats or tick >= Ticks.
bool MusicalTimeToSeconds(const MusicalTimeBase& tempo, int bar, int beat, int tick, float& seconds);

// The bar, beat and tick a time in seconds falls in (ticks rounded down); negative or non-finite
// times give 0:0:0.
MusicalPosition SecondsToMusicalTime(const MusicalTimeBase& tempo, double seconds);

// The length of one bar in seconds.
double SecondsPerBar(const MusicalTimeBase& tempo);
