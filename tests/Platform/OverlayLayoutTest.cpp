// The overlay's layout arithmetic, without drawing: the time line's bar lines, lanes and seeking, and
// the spectrum's logarithmic frequency axis.
#include "Platform/CLogFrequencyAxis.h"
#include "Platform/CTimelineLayout.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// 72 s at 2 s a bar (36 bars) over a strip from x = 100, 720 pixels wide: 20 pixels a bar.
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
    layout.Build(Show(), 100.0f, 720.0f, 30.0f);
    // 20 pixels a bar and labels needing 30: every second bar is numbered, every bar has a line.
    EXPECT_EQ(layout.LabelStep(), 2);
    EXPECT_EQ(layout.LineStep(), 1);
    ASSERT_EQ(layout.BarLines().size(), 37u) << "bars 0 to 36, the last at the show's end";
    EXPECT_FLOAT_EQ(layout.BarLines()[0].x, 100.0f);
    EXPECT_TRUE(layout.BarLines()[0].labelled);
    EXPECT_FALSE(layout.BarLines()[1].labelled);
    EXPECT_EQ(layout.BarLines()[36].bar, 36);
    EXPECT_FLOAT_EQ(layout.BarLines()[36].x, 820.0f);
    float lastLabel = -1000.0f;
    for (const TimelineBarLine& bar : layout.BarLines())
        if (bar.labelled) {
            EXPECT_GE(bar.x - lastLabel, 30.0f);
            lastLabel = bar.x;
        }

    // A long show on a narrow strip: lines thin out too, and numbers fall on powers of two.
    OverlayTimeline longShow = Show();
    longShow.length = 3600.0f; // 1800 bars on 300 pixels
    layout.Build(longShow, 0.0f, 300.0f, 40.0f);
    EXPECT_EQ(layout.LabelStep(), 256);
    EXPECT_EQ(layout.LineStep(), 32);
    EXPECT_LE(layout.BarLines().size(), 300u / 4u + 1u);
    for (const TimelineBarLine& bar : layout.BarLines())
        EXPECT_EQ(bar.labelled, bar.bar % 256 == 0);
}

TEST(CTimelineLayout, OneLanePerSceneFromItsStartToItsEndClampedToTheStrip) {
    CTimelineLayout layout;
    layout.Build(Show(), 100.0f, 720.0f, 30.0f);
    const auto& lanes = layout.Lanes();
    ASSERT_EQ(lanes.size(), 4u);
    EXPECT_EQ(lanes[1].scene, 1);
    EXPECT_FLOAT_EQ(lanes[0].x0, 100.0f);
    EXPECT_FLOAT_EQ(lanes[0].x1, 260.0f);
    EXPECT_FLOAT_EQ(lanes[1].x0, 220.0f);
    EXPECT_FLOAT_EQ(lanes[1].x1, 580.0f);
    EXPECT_FLOAT_EQ(lanes[2].x0, lanes[2].x1) << "a scene that never runs is an empty lane";
    EXPECT_FLOAT_EQ(lanes[3].x1, 820.0f) << "a scene past the music's end stops at the strip's end";
    EXPECT_FALSE(lanes[0].now);
    EXPECT_TRUE(lanes[1].now);
    EXPECT_FLOAT_EQ(layout.PlayheadX(), 400.0f);
}

TEST(CTimelineLayout, AClickGivesTheTimeUnderItClampedToTheShow) {
    CTimelineLayout layout;
    OverlayTimeline line = Show();
    line.hasLoopStart = line.hasLoopEnd = true;
    line.loopStart = 8.0f;
    line.loopEnd = 16.0f;
    layout.Build(line, 100.0f, 720.0f, 30.0f);
    EXPECT_FLOAT_EQ(layout.TimeOf(100.0f), 0.0f);
    EXPECT_FLOAT_EQ(layout.TimeOf(460.0f), 36.0f);
    EXPECT_FLOAT_EQ(layout.TimeOf(820.0f), 72.0f);
    EXPECT_FLOAT_EQ(layout.TimeOf(20.0f), 0.0f);
    EXPECT_FLOAT_EQ(layout.TimeOf(5000.0f), 72.0f);
    EXPECT_FLOAT_EQ(layout.TimeOf(NAN), 0.0f);
    for (float t : {0.0f, 13.7f, 71.9f})
        EXPECT_NEAR(layout.TimeOf(layout.XOf(t)), t, 1e-4f);
    ASSERT_TRUE(layout.HasLoop());
    EXPECT_FLOAT_EQ(layout.LoopX0(), 180.0f);
    EXPECT_FLOAT_EQ(layout.LoopX1(), 260.0f);

    // No length (no music, no scenes) or a broken strip: still a usable mapping, never a division by 0.
    OverlayTimeline empty;
    empty.secondsPerBar = 0.0f;
    layout.Build(empty, 0.0f, 0.0f, 30.0f);
    EXPECT_TRUE(layout.BarLines().empty());
    EXPECT_TRUE(std::isfinite(layout.TimeOf(10.0f)));
    EXPECT_TRUE(std::isfinite(layout.XOf(10.0f)));
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
