// The overlay's model: lays out what the authoring overlay draws, so that the platform's overlay only
// maps fractions of its strip and plot to pixels and draws. The time line is laid out for the strip
// the overlay drew last (its width and the room a bar number takes are known only where it is
// drawn), the spectrum's logarithmic axis for the music's rate, the music's overview (waveform and
// spectrum over time) under the bar lines. A click or drag on the strip comes back as a fraction of
// it and is turned into a time here, snapped to the nearest beat (or bar, or nowhere, by the keys
// held).
#pragma once

#include "App/authoring/CMusicOverview.h"
#include "App/authoring/CTimelineLayout.h"
#include "Platform/OverlayData.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class COverlayLayout {
public:
    // Fills the layout fields of `frame` from its time line and spectrum. They are views of this
    // object's lists, valid until the next LayOut; the lists are kept, so that once they have grown
    // laying out allocates nothing.
    void LayOut(OverlayFrame& frame);
    // After the overlay drew the frame laid out last: keeps the strip it drew for the next layout,
    // and gives the time a click or drag on it seeks to; a step of a drag that lands where the last
    // seek did gives none, so that holding a drag within a beat does not restart the sound.
    std::optional<float> AfterDraw(const OverlayActions& actions);

    // The music's overview to lay out under the bar lines from now on: null for none; `pending`
    // while it is being made.
    void SetMusic(std::shared_ptr<const CMusicOverview> overview, bool pending);

    const CTimelineLayout& Timeline() const { return timeline; }
    const OverlayStrip& Strip() const { return strip; }

private:
    void LayOutMusic(OverlayTimeline& line);

    CTimelineLayout timeline;
    OverlayStrip strip;
    float axisRate = 0.0f; // the rate the axis below was laid out for; 0 before the first
    std::vector<float> bandEdges;
    std::array<OverlayFrequencyLabel, 16> labels{};
    int labelCount = 0;
    std::optional<float> lastSeek;

    std::shared_ptr<const CMusicOverview> music;
    bool musicPending = false;
    uint64_t musicVersion = 0;
    // The waveform reduced to the strip's pixel columns, for the width and length it was made for.
    std::vector<float> waveLows, waveHighs;
    float waveWidth = -1.0f, waveLength = -1.0f;
    uint64_t waveVersion = 0;
};
