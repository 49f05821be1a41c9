// Where the overlay's time line puts things across its strip: x from time and time from x over the
// whole show, bar lines with their numbers thinned so that labels never overlap, one lane per scene
// from its start to its end, the playhead and the loop. Plain arithmetic, kept apart from the drawing.
#pragma once

#include "Platform/OverlayData.h"

#include <vector>

struct TimelineBarLine {
    float x = 0.0f;
    int bar = 0;
    bool labelled = false;
};

struct TimelineLane {
    int scene = 0; // index into the time line's scenes; also the lane's row
    float x0 = 0.0f, x1 = 0.0f;
    bool now = false; // the playhead is inside the scene
};

class CTimelineLayout {
public:
    // Lines closer than this are thinned out too, even where they carry no label.
    static constexpr float MinLineSpacing = 4.0f;

    // Lays the time line out over the strip from `left`, `width` pixels wide; `labelSpacing` is the
    // least distance between two bar numbers (the widest number and a gap). Reuses its lists, so a
    // layout kept from frame to frame does not allocate.
    void Build(const OverlayTimeline& timeline, float left, float width, float labelSpacing);

    // The show's length the layout spans: the time line's, or one bar when it has none.
    float Length() const { return length; }
    float XOf(float time) const;
    // The time under x, clamped to the show: what a click or drag on the strip seeks to.
    float TimeOf(float x) const;

    const std::vector<TimelineBarLine>& BarLines() const { return barLines; }
    const std::vector<TimelineLane>& Lanes() const { return lanes; }
    int LabelStep() const { return labelStep; } // bars between two numbers
    int LineStep() const { return lineStep; }   // bars between two lines

    float PlayheadX() const { return playheadX; }
    bool HasLoop() const { return hasLoop; }
    float LoopX0() const { return loopX0; }
    float LoopX1() const { return loopX1; }

private:
    float left = 0.0f, width = 1.0f, length = 1.0f;
    int labelStep = 1, lineStep = 1;
    float playheadX = 0.0f;
    bool hasLoop = false;
    float loopX0 = 0.0f, loopX1 = 0.0f;
    std::vector<TimelineBarLine> barLines;
    std::vector<TimelineLane> lanes;
};
