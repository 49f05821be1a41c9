// Where the overlay's time line puts things across its strip, as fractions of the strip's width (0 at
// its left end, 1 at its right end) over the whole show: bar lines with their numbers thinned so that
// labels never overlap, one lane per scene from its start to its end, the playhead and the loop; and
// the time under a point of the strip. Plain arithmetic: the overlay maps fractions to pixels.
#pragma once

#include "Platform/OverlayData.h"

#include <vector>

class CTimelineLayout {
public:
    // Lines closer than this many pixels are thinned out too, even where they carry no label.
    static constexpr float MinLineSpacing = 4.0f;

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

    const std::vector<OverlayBarLine>& BarLines() const { return barLines; }
    const std::vector<OverlayLane>& Lanes() const { return lanes; }
    int LabelStep() const { return labelStep; } // bars between two numbers
    int LineStep() const { return lineStep; }   // bars between two lines

    float Playhead() const { return playhead; }
    bool HasLoop() const { return hasLoop; }
    float LoopStart() const { return loopStart; }
    float LoopEnd() const { return loopEnd; }

    // The number of the last bar, whose width sets how far apart numbers must be.
    static int WidestBar(const OverlayTimeline& timeline);

private:
    float length = 1.0f;
    int labelStep = 1, lineStep = 1;
    float playhead = 0.0f;
    bool hasLoop = false;
    float loopStart = 0.0f, loopEnd = 0.0f;
    std::vector<OverlayBarLine> barLines;
    std::vector<OverlayLane> lanes;
};
