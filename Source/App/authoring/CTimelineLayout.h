// Where the overlay's time line puts things across its strip, as fractions of the strip's width (0 at
// its left end, 1 at its right end) over the whole show: bar lines with their numbers thinned so that
// labels never overlap, beat lines between them, one lane per scene from its start to its end, the
// playhead and the loop; and the time under a point of the strip, snapped to the nearest beat or bar.
// Plain arithmetic: the overlay maps fractions to pixels.
#pragma once

#include "Platform/OverlayData.h"

#include <vector>

class CTimelineLayout {
public:
    // Lines closer than this many pixels are thinned out too, even where they carry no label.
    static constexpr float MinLineSpacing = 4.0f;
    // Beat lines closer than this are thinned out (they are fainter, and need more room to read).
    static constexpr float MinBeatSpacing = 6.0f;

    enum class Snap { None, Beat, Bar };

    // Lays the time line out over a strip `width` pixels wide; `labelSpacing` is the least distance
    // between two bar numbers (the widest number and a gap). Reuses its lists, so a layout kept from
    // frame to frame does not allocate.
    void Build(const OverlayTimeline& timeline, float width, float labelSpacing);

    // The show's length the layout spans: the time line's, or one bar when it has none.
    float Length() const { return length; }
    // Where `time` lies across the strip, clamped to it.
    float FractionOf(float time) const;
    // The time at a fraction of the strip, clamped to the show: what a click or drag on it seeks to.
    float TimeAt(float fraction) const;
    // The same, moved to the nearest beat or bar start that lies within the show.
    float SnappedTimeAt(float fraction, Snap snap) const;

    const std::vector<OverlayBarLine>& BarLines() const { return barLines; }
    const std::vector<OverlayLane>& Lanes() const { return lanes; }
    int LabelStep() const { return labelStep; } // bars between two numbers
    int LineStep() const { return lineStep; }   // bars between two lines
    // Beat lines, between bar lines; every BeatStep-th beat of each bar has one, a step that divides
    // the bar so that the lines fall alike in every bar. 0 when beats are too close for any.
    const std::vector<float>& BeatLines() const { return beatLines; }
    int BeatStep() const { return beatStep; }

    float Playhead() const { return playhead; }
    bool HasLoop() const { return hasLoop; }
    float LoopStart() const { return loopStart; }
    float LoopEnd() const { return loopEnd; }

    // The number of the last bar, whose width sets how far apart numbers must be.
    static int WidestBar(const OverlayTimeline& timeline);

private:
    float length = 1.0f;
    double secondsPerBar = 0.0; // 0 without a tempo
    int beats = 4;
    int labelStep = 1, lineStep = 1, beatStep = 0;
    float playhead = 0.0f;
    bool hasLoop = false;
    float loopStart = 0.0f, loopEnd = 0.0f;
    std::vector<OverlayBarLine> barLines;
    std::vector<float> beatLines;
    std::vector<OverlayLane> lanes;
};
