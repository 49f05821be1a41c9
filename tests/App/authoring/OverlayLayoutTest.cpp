// The overlay's layout, without drawing: the time line's bar lines, lanes and seeking, the spectrum's
// logarithmic frequency axis, and the model that lays both out for the overlay frame by frame.
#include "App/authoring/CLogFrequencyAxis.h"
#include "App/authoring/COverlayLayout.h"
#include "App/authoring/CTimelineLayout.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// 72 s at 2 s a bar (36 bars); the tests lay it over a strip 720 pixels wide: 20 pixels a bar.
OverlayTimeline Show() {
    OverlayTimeline line;
    line.length = 72.0f;
    line.secondsPerBar = 2.0f;
    line.playhead = 30.0f;
    line.scenes = {{"Intro", 0.0f, 16.0f}, {"Tunnel", 12.0f, 48.0f}, {"Never", 50.0f, 50.0f}, {"Late", 60.0f, 90.0f}};
    return line;
}

} // namespace

TEST(CTimelineLayout, BarLinesAreNumberedFromZeroAndThinnedSoThatLabelsDoNotOverlap) {
    CTimelineLayout layout;
    layout.Build(Show(), 720.0f, 30.0f);
    // 20 pixels a bar and labels needing 30: every second bar is numbered, every bar has a line.
    EXPECT_EQ(layout.LabelStep(), 2);
    EXPECT_EQ(layout.LineStep(), 1);
    ASSERT_EQ(layout.BarLines().size(), 37u) << "bars 0 to 36, the last at the show's end";
    EXPECT_FLOAT_EQ(layout.BarLines()[0].at, 0.0f);
    EXPECT_TRUE(layout.BarLines()[0].labelled);
    EXPECT_FALSE(layout.BarLines()[1].labelled);
    EXPECT_EQ(layout.BarLines()[36].bar, 36);
    EXPECT_FLOAT_EQ(layout.BarLines()[36].at, 1.0f);
    float lastLabel = -1000.0f;
    for (const OverlayBarLine& bar : layout.BarLines())
        if (bar.labelled) {
            EXPECT_GE(bar.at * 720.0f - lastLabel, 30.0f - 1e-3f);
            lastLabel = bar.at * 720.0f;
        }

    // A long show on a narrow strip: lines thin out too, and numbers fall on powers of two.
    OverlayTimeline longShow = Show();
    longShow.length = 3600.0f; // 1800 bars on 300 pixels
    layout.Build(longShow, 300.0f, 40.0f);
    EXPECT_EQ(layout.LabelStep(), 256);
    EXPECT_EQ(layout.LineStep(), 32);
    EXPECT_LE(layout.BarLines().size(), 300u / 4u + 1u);
    for (const OverlayBarLine& bar : layout.BarLines())
        EXPECT_EQ(bar.labelled, bar.bar % 256 == 0);
    EXPECT_EQ(CTimelineLayout::WidestBar(longShow), 1800);
}

TEST(CTimelineLayout, OneLanePerSceneFromItsStartToItsEndClampedToTheStrip) {
    CTimelineLayout layout;
    layout.Build(Show(), 720.0f, 30.0f);
    const auto& lanes = layout.Lanes();
    ASSERT_EQ(lanes.size(), 4u);
    EXPECT_EQ(lanes[1].scene, 1);
    EXPECT_FLOAT_EQ(lanes[0].from, 0.0f);
    EXPECT_FLOAT_EQ(lanes[0].to, 16.0f / 72.0f);
    EXPECT_FLOAT_EQ(lanes[1].from, 12.0f / 72.0f);
    EXPECT_FLOAT_EQ(lanes[1].to, 48.0f / 72.0f);
    EXPECT_FLOAT_EQ(lanes[2].from, lanes[2].to) << "a scene that never runs is an empty lane";
    EXPECT_FLOAT_EQ(lanes[3].to, 1.0f) << "a scene past the music's end stops at the strip's end";
    EXPECT_FALSE(lanes[0].now);
    EXPECT_TRUE(lanes[1].now);
    EXPECT_FLOAT_EQ(layout.Playhead(), 30.0f / 72.0f);
}

TEST(CTimelineLayout, AClickGivesTheTimeUnderItClampedToTheShow) {
    CTimelineLayout layout;
    OverlayTimeline line = Show();
    line.hasLoopStart = line.hasLoopEnd = true;
    line.loopStart = 8.0f;
    line.loopEnd = 16.0f;
    layout.Build(line, 720.0f, 30.0f);
    EXPECT_FLOAT_EQ(layout.TimeAt(0.0f), 0.0f);
    EXPECT_FLOAT_EQ(layout.TimeAt(0.5f), 36.0f);
    EXPECT_FLOAT_EQ(layout.TimeAt(1.0f), 72.0f);
    EXPECT_FLOAT_EQ(layout.TimeAt(-0.1f), 0.0f);
    EXPECT_FLOAT_EQ(layout.TimeAt(6.0f), 72.0f);
    EXPECT_FLOAT_EQ(layout.TimeAt(NAN), 0.0f);
    EXPECT_FLOAT_EQ(layout.TimeAt(-FLT_MAX), 0.0f) << "the toolkit's place for a pointer it has not seen";
    for (float t : {0.0f, 13.7f, 71.9f})
        EXPECT_NEAR(layout.TimeAt(layout.FractionOf(t)), t, 1e-4f);
    ASSERT_TRUE(layout.HasLoop());
    EXPECT_FLOAT_EQ(layout.LoopStart(), 8.0f / 72.0f);
    EXPECT_FLOAT_EQ(layout.LoopEnd(), 16.0f / 72.0f);

    // No length (no music, no scenes) or a broken strip: still a usable mapping, never a division by 0.
    OverlayTimeline empty;
    empty.secondsPerBar = 0.0f;
    layout.Build(empty, 0.0f, 30.0f);
    EXPECT_TRUE(layout.BarLines().empty());
    EXPECT_TRUE(std::isfinite(layout.TimeAt(0.5f)));
    EXPECT_TRUE(std::isfinite(layout.FractionOf(10.0f)));
    EXPECT_EQ(CTimelineLayout::WidestBar(empty), 0);
}

TEST(CLogFrequencyAxis, BandsCoverTheirFrequenciesOnALogarithmicAxis) {
    const CLogFrequencyAxis axis(0.0f); // unknown: 44100 Hz
    EXPECT_FLOAT_EQ(axis.Rate(), 44100.0f);
    EXPECT_FLOAT_EQ(axis.BandWidthHz(), 44100.0f / 1024.0f);
    EXPECT_FLOAT_EQ(axis.BandStart(0), 0.0f);
    EXPECT_FLOAT_EQ(axis.BandEnd(511), 1.0f);
    // Each octave takes the same room: bands 1, 2, 4 and 8 start at equal steps.
    const float octave = axis.BandStart(2) - axis.BandStart(1);
    EXPECT_NEAR(axis.BandStart(4) - axis.BandStart(2), octave, 1e-5f);
    EXPECT_NEAR(axis.BandStart(8) - axis.BandStart(4), octave, 1e-5f);
    for (int k = 0; k < 511; ++k)
        EXPECT_FLOAT_EQ(axis.BandEnd(k), axis.BandStart(k + 1));

    float labels[16];
    const int count = axis.Labels(labels, 16);
    const float expected[] = {50, 100, 200, 500, 1000, 2000, 5000, 10000, 20000};
    ASSERT_EQ(count, 9);
    for (int i = 0; i < count; ++i)
        EXPECT_FLOAT_EQ(labels[i], expected[i]);
    EXPECT_EQ(axis.Labels(labels, 3), 3) << "never more than asked for";
    EXPECT_FLOAT_EQ(CLogFrequencyAxis(48000.0f).HighestHz(), 24000.0f);
}

TEST(COverlayLayout, LaysTheTimeLineOutForTheStripDrawnLastAndTurnsAClickOnItIntoATime) {
    COverlayLayout layout;
    OverlayFrame frame;
    frame.timeline = Show();
    layout.LayOut(frame);
    // Before the overlay has drawn a strip, what does not depend on its width is laid out already.
    EXPECT_EQ(frame.timeline.widestBar, 36);
    ASSERT_EQ(frame.timeline.lanes.size(), 4u);
    EXPECT_FLOAT_EQ(frame.timeline.lanes[1].from, 12.0f / 72.0f);
    EXPECT_FLOAT_EQ(frame.timeline.playheadAt, 30.0f / 72.0f);

    OverlayActions drawn;
    drawn.strip = OverlayStrip{720.0f, 30.0f};
    drawn.seekAt = 0.5f;
    EXPECT_EQ(layout.AfterDraw(drawn), 36.0f);
    layout.LayOut(frame);
    EXPECT_EQ(layout.Timeline().LabelStep(), 2);
    ASSERT_EQ(frame.timeline.barLines.size(), 37u);
    EXPECT_EQ(frame.timeline.barLines.data(), layout.Timeline().BarLines().data()) << "a view, not a copy";

    // A frame that drew no time line (the overlay hidden, an error shown) keeps the strip; a drag
    // past either end seeks to that end.
    OverlayActions hidden;
    EXPECT_EQ(layout.AfterDraw(hidden), std::nullopt);
    layout.LayOut(frame);
    EXPECT_EQ(frame.timeline.barLines.size(), 37u);
    hidden.seekAt = 1.5f;
    EXPECT_EQ(layout.AfterDraw(hidden), 72.0f);
    hidden.seekAt = -0.2f;
    EXPECT_EQ(layout.AfterDraw(hidden), 0.0f);

    frame.timeline.hasLoopStart = frame.timeline.hasLoopEnd = true;
    frame.timeline.loopStart = 16.0f;
    frame.timeline.loopEnd = 8.0f;
    layout.LayOut(frame);
    EXPECT_FALSE(frame.timeline.hasLoop) << "an end before the start shades nothing";
    EXPECT_FLOAT_EQ(frame.timeline.loopStartAt, 16.0f / 72.0f);
    EXPECT_FLOAT_EQ(frame.timeline.loopEndAt, 8.0f / 72.0f);
}

TEST(COverlayLayout, LaysTheSpectrumAxisOutForTheMusicsRate) {
    COverlayLayout layout;
    OverlayFrame frame;
    layout.LayOut(frame);
    const CLogFrequencyAxis axis(44100.0f);
    const std::span<const float> edges = frame.spectrum.bandEdges;
    ASSERT_EQ(edges.size(), 513u) << "one edge more than bands";
    // The drawing depends on these being the axis' own values, not merely close to them.
    for (int k = 0; k < 512; ++k) {
        EXPECT_EQ(edges[static_cast<size_t>(k)], axis.BandStart(k));
        EXPECT_EQ(edges[static_cast<size_t>(k) + 1], axis.BandEnd(k));
    }
    ASSERT_EQ(frame.spectrum.labels.size(), 9u);
    EXPECT_EQ(frame.spectrum.labels[0].hz, 50.0f);
    EXPECT_EQ(frame.spectrum.labels[8].hz, 20000.0f);
    EXPECT_EQ(frame.spectrum.labels[4].at, axis.FractionOf(1000.0f));

    const float* before = edges.data();
    frame.spectrum.sampleRate = 8000.0f; // 4 Hz to 4 kHz: labels from 10 Hz to 2k
    layout.LayOut(frame);
    EXPECT_EQ(frame.spectrum.bandEdges.data(), before) << "laid out again in the same list";
    EXPECT_EQ(frame.spectrum.bandEdges[1], CLogFrequencyAxis(8000.0f).BandStart(1));
    ASSERT_EQ(frame.spectrum.labels.size(), 8u);
    EXPECT_EQ(frame.spectrum.labels.front().hz, 10.0f);
    EXPECT_EQ(frame.spectrum.labels.back().hz, 2000.0f);
}
