// The overlay's model: lays out what the authoring overlay draws, so that the platform's overlay only
// maps fractions of its strip and plot to pixels and draws. The time line is laid out for the strip
// the overlay drew last (its width and the room a bar number takes are known only where it is
// drawn), the spectrum's logarithmic axis for the music's rate. A click or drag on the strip comes
// back as a fraction of it and is turned into a time here.
#pragma once

#include "App/authoring/CTimelineLayout.h"
#include "Platform/OverlayData.h"

#include <array>
#include <optional>
#include <vector>

class COverlayLayout {
public:
    // Fills the layout fields of `frame` from its time line and spectrum. They are views of this
    // object's lists, valid until the next LayOut; the lists are kept, so that once they have grown
    // laying out allocates nothing.
    void LayOut(OverlayFrame& frame);
    // After the overlay drew the frame laid out last: keeps the strip it drew for the next layout,
    // and gives the time a click or drag on it seeks to.
    std::optional<float> AfterDraw(const OverlayActions& actions);

    const CTimelineLayout& Timeline() const { return timeline; }
    const OverlayStrip& Strip() const { return strip; }

private:
    CTimelineLayout timeline;
    OverlayStrip strip;
    float axisRate = 0.0f; // the rate the axis below was laid out for; 0 before the first
    std::vector<float> bandEdges;
    std::array<OverlayFrequencyLabel, 16> labels{};
    int labelCount = 0;
};
