// The script's musical time: bar:beat:tick literals turned into seconds with the tempo in force
// (beats per minute, beats per bar, ticks per beat). Bars, beats and ticks count from 0.
#pragma once

struct MusicalTimeBase {
    float Bpm = 120.0f;
    int Beats = 4;
    int Ticks = 96;
};

// Converts a time literal with the tempo given; false when beat >= Beats or tick >= Ticks.
bool MusicalTimeToSeconds(const MusicalTimeBase& tempo, int bar, int beat, int tick, float& seconds);
