// The overlay's layout, without drawing: the time line's bar lines, lanes and seeking, the spectrum's
// logarithmic frequency axis, and the model that lays both out for the overlay frame by frame.
#include "App/authoring/CLogFrequencyAxis.h"
#include "App/authoring/COverlayLayout.h"
#include "App/authoring/CTimelineLayout.h"
#include "Base/CMusicalTime.h"

#include <gtest/gtest.h>

#include <atomic>
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

TEST(CTimelineLayout, BeatLinesFallBetweenBarLinesAndThinOutByStepsThatDivideTheBar) {
    CTimelineLayout layout;
    OverlayTimeline line = Show();      // 4 beats of half a second
    layout.Build(line, 1440.0f, 30.0f); // 10 pixels a beat: every beat
    EXPECT_EQ(layout.BeatStep(), 1);
    ASSERT_EQ(layout.BeatLines().size(), 36u * 3u) << "three between each two bar lines, none at a bar";
    EXPECT_FLOAT_EQ(layout.BeatLines()[0], 0.5f / 72.0f);
    EXPECT_FLOAT_EQ(layout.BeatLines()[2], 1.5f / 72.0f);
    EXPECT_FLOAT_EQ(layout.BeatLines()[3], 2.5f / 72.0f);

    layout.Build(line, 720.0f, 30.0f); // 5 pixels a beat: every second one
    EXPECT_EQ(layout.BeatStep(), 2);
    ASSERT_EQ(layout.BeatLines().size(), 36u);
    EXPECT_FLOAT_EQ(layout.BeatLines()[5], 11.0f / 72.0f);

    line.beatsPerBar = 3; // a step of two would not fall alike in every bar: every beat, or none
    layout.Build(line, 720.0f, 30.0f);
    EXPECT_EQ(layout.BeatStep(), 1);
    EXPECT_EQ(layout.BeatLines().size(), 72u);
    layout.Build(line, 480.0f, 30.0f);
    EXPECT_EQ(layout.BeatStep(), 0);
    EXPECT_TRUE(layout.BeatLines().empty());
    line.beatsPerBar = 6;
    layout.Build(line, 720.0f, 30.0f); // 3.3 pixels a beat: every second, then none on a narrow strip
    EXPECT_EQ(layout.BeatStep(), 2);
    layout.Build(line, 100.0f, 30.0f);
    EXPECT_TRUE(layout.BeatLines().empty());

    line.beatsPerBar = 0; // not a bar: counted as one beat, no beat lines
    layout.Build(line, 1440.0f, 30.0f);
    EXPECT_TRUE(layout.BeatLines().empty());
}

TEST(CTimelineLayout, SeeksSnapToTheNearestBeatOrBarOfTheTempoWithinTheShow) {
    // An odd tempo: 97 beats a minute, 7 beats a bar, 5 ticks a beat.
    const CMusicalTime tempo(97.0f, 7, 5);
    OverlayTimeline line;
    line.length = 60.0f;
    line.secondsPerBar = static_cast<float>(tempo.SecondsPerBar());
    line.beatsPerBar = tempo.Beats();
    CTimelineLayout layout;
    layout.Build(line, 600.0f, 30.0f);
    const double beat = tempo.SecondsPerBeat();
    auto fractionAt = [](double seconds) { return static_cast<float>(seconds / 60.0); };
    auto positionAt = [&](float fraction, CTimelineLayout::Snap snap) {
        return tempo.PositionOf(layout.SnappedTimeAt(fraction, snap));
    };
    const double at = tempo.SecondsOf({3, 4, 0});
    EXPECT_EQ(positionAt(fractionAt(at + 0.4 * beat), CTimelineLayout::Snap::Beat), (BarBeatTick{3, 4, 0}));
    EXPECT_EQ(positionAt(fractionAt(at + 0.6 * beat), CTimelineLayout::Snap::Beat), (BarBeatTick{3, 5, 0}));
    EXPECT_EQ(positionAt(fractionAt(at - 0.3 * beat), CTimelineLayout::Snap::Beat), (BarBeatTick{3, 4, 0}));
    EXPECT_NEAR(layout.SnappedTimeAt(fractionAt(at + 0.4 * beat), CTimelineLayout::Snap::Beat), at, 1e-4);
    EXPECT_EQ(positionAt(fractionAt(at), CTimelineLayout::Snap::Bar), (BarBeatTick{4, 0, 0})) << "4 of 7 beats in";
    EXPECT_EQ(positionAt(fractionAt(tempo.SecondsOf({3, 3, 0})), CTimelineLayout::Snap::Bar), (BarBeatTick{3, 0, 0}));
    EXPECT_NEAR(layout.SnappedTimeAt(fractionAt(at + 0.4 * beat), CTimelineLayout::Snap::None), at + 0.4 * beat, 1e-4);

    // 60 s is not on a beat: the nearest beat after it is outside the show, so the last one inside.
    const float end = layout.SnappedTimeAt(1.0f, CTimelineLayout::Snap::Bar);
    EXPECT_LE(end, 60.0f);
    EXPECT_GT(end, 60.0f - tempo.SecondsPerBar());
    EXPECT_EQ(tempo.PositionOf(end).beat, 0);
    EXPECT_FLOAT_EQ(layout.SnappedTimeAt(-0.5f, CTimelineLayout::Snap::Beat), 0.0f);

    OverlayTimeline noTempo = line;
    noTempo.secondsPerBar = 0.0f;
    layout.Build(noTempo, 600.0f, 30.0f);
    EXPECT_FLOAT_EQ(layout.SnappedTimeAt(0.3f, CTimelineLayout::Snap::Beat), layout.TimeAt(0.3f));
}

TEST(COverlayLayout, AClickSnapsByTheKeysHeldAndADragSeeksOnlyWhenItReachesAnotherBeat) {
    COverlayLayout layout;
    OverlayFrame frame;
    frame.timeline = Show(); // beats of half a second
    layout.LayOut(frame);
    OverlayActions click;
    click.strip = OverlayStrip{720.0f, 30.0f};
    click.seekAt = 10.2f / 72.0f;
    EXPECT_FLOAT_EQ(*layout.AfterDraw(click), 10.0f) << "the nearest beat";
    click.altHeld = true;
    click.seekAt = 11.2f / 72.0f;
    EXPECT_FLOAT_EQ(*layout.AfterDraw(click), 12.0f) << "Alt: the nearest bar";
    click.shiftHeld = true;
    EXPECT_NEAR(*layout.AfterDraw(click), 11.2f, 1e-4f) << "Shift: where the pointer is";

    OverlayActions drag = click;
    drag.shiftHeld = drag.altHeld = false;
    drag.seekAt = 20.1f / 72.0f;
    EXPECT_FLOAT_EQ(*layout.AfterDraw(drag), 20.0f);
    drag.seekDragged = true;
    drag.seekAt = 20.2f / 72.0f;
    EXPECT_EQ(layout.AfterDraw(drag), std::nullopt) << "still the same beat: no seek to restart the sound";
    drag.seekAt = 20.3f / 72.0f;
    EXPECT_FLOAT_EQ(*layout.AfterDraw(drag), 20.5f);
    drag.seekDragged = false;
    EXPECT_FLOAT_EQ(*layout.AfterDraw(drag), 20.5f) << "a new click goes back to the beat even where it was";
}

TEST(COverlayLayout, TheMusicsWaveformIsReducedToThePixelColumnsItCovers) {
    // 36 s of music with a click up at 10.05 s and one down at 30.05 s, under a show of 72 s laid over
    // 720 pixels: 360 pixels of music, ten to a second.
    DecodedMusic music;
    music.frames = 36 * 44100;
    music.channels = 1;
    music.sampleRate = 44100;
    music.read = [](int64_t first, int64_t count, float* out) {
        for (int64_t i = 0; i < count; ++i)
            out[i] = first + i == 443205 ? 0.8f : (first + i == 1325205 ? -0.6f : 0.0f);
    };
    std::atomic<bool> stop{false};
    const std::shared_ptr<const CMusicOverview> overview = CMusicOverview::Build(music, stop, {});
    COverlayLayout layout;
    OverlayFrame frame;
    frame.timeline = Show();
    layout.SetMusic(nullptr, true);
    layout.LayOut(frame);
    EXPECT_TRUE(frame.timeline.musicPending);
    EXPECT_TRUE(frame.timeline.waveLows.empty());
    const uint64_t before = frame.timeline.musicVersion;

    layout.SetMusic(overview, false);
    OverlayActions drawn;
    drawn.strip = OverlayStrip{720.0f, 30.0f};
    layout.AfterDraw(drawn);
    layout.LayOut(frame);
    const OverlayTimeline& line = frame.timeline;
    EXPECT_FALSE(line.musicPending);
    EXPECT_NE(line.musicVersion, before);
    EXPECT_FLOAT_EQ(line.musicEndAt, 0.5f);
    ASSERT_EQ(line.waveLows.size(), 360u);
    ASSERT_EQ(line.waveHighs.size(), 360u);
    for (size_t x = 0; x < 360; ++x) {
        EXPECT_FLOAT_EQ(line.waveHighs[x], x == 100 ? 0.8f : 0.0f) << x;
        EXPECT_FLOAT_EQ(line.waveLows[x], x == 300 ? -0.6f : 0.0f) << x;
    }
    EXPECT_EQ(line.spectrum.data(), overview->Spectrum().data()) << "a view of the overview";
    EXPECT_EQ(line.spectrumColumns, 1024);
    EXPECT_EQ(line.spectrumRows, 64);

    // A strip wider than the overview has columns: each pixel takes the column under it.
    drawn.strip.width = 20000.0f;
    layout.AfterDraw(drawn);
    layout.LayOut(frame);
    EXPECT_EQ(frame.timeline.waveHighs.size(), 10000u);
    EXPECT_FLOAT_EQ(frame.timeline.waveHighs[2791], 0.8f) << "10.05 s of 36 over 10000 pixels";
    EXPECT_FLOAT_EQ(frame.timeline.waveHighs[2700], 0.0f);
    EXPECT_EQ(frame.timeline.musicVersion, line.musicVersion) << "the same music";
}
