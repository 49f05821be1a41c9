#include "App/authoring/COverlayLayout.h"

#include "App/authoring/CLogFrequencyAxis.h"

void COverlayLayout::LayOut(OverlayFrame& frame) {
    OverlayTimeline& line = frame.timeline;
    timeline.Build(line, strip.width, strip.labelSpacing);
    line.widestBar = CTimelineLayout::WidestBar(line);
    line.barLines = timeline.BarLines();
    line.lanes = timeline.Lanes();
    line.playheadAt = timeline.Playhead();
    line.hasLoop = timeline.HasLoop();
    line.loopStartAt = timeline.LoopStart();
    line.loopEndAt = timeline.LoopEnd();

    // The axis changes only with the music's rate.
    const CLogFrequencyAxis axis(frame.spectrum.sampleRate);
    if (axis.Rate() != axisRate) {
        axisRate = axis.Rate();
        bandEdges.resize(static_cast<size_t>(axis.Bands()) + 1);
        for (int band = 0; band < axis.Bands(); ++band)
            bandEdges[static_cast<size_t>(band)] = axis.BandStart(band);
        bandEdges.back() = axis.BandEnd(axis.Bands() - 1);
        float hz[16];
        labelCount = axis.Labels(hz, 16);
        for (int i = 0; i < labelCount; ++i)
            labels[static_cast<size_t>(i)] = OverlayFrequencyLabel{hz[i], axis.FractionOf(hz[i])};
    }
    frame.spectrum.bandEdges = bandEdges;
    frame.spectrum.labels = std::span<const OverlayFrequencyLabel>(labels.data(), static_cast<size_t>(labelCount));
}

std::optional<float> COverlayLayout::AfterDraw(const OverlayActions& actions) {
    // A frame that drew no time line (hidden, with an error shown) leaves the last strip standing.
    if (actions.strip.width > 0.0f)
        strip = actions.strip;
    if (!actions.seekAt)
        return std::nullopt;
    return timeline.TimeAt(*actions.seekAt);
}
