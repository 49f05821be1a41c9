#include "App/CMusicalTime.h"
#include "App/CFrameStats.h"
#include "Base/MusicalTime.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(CMusicalTime, ReadsBackEveryTickOfTheScriptsLiteralsAtAwkwardTempos) {
    // The script turns literals into float seconds; the position shown for that moment must be the
    // literal itself, never the tick before it.
    for (float bpm : {120.0f, 128.0f, 130.0f, 87.5f, 174.0f}) {
        const MusicalTimeBase base{bpm, 3, 48};
        const CMusicalTime tempo(bpm, 3, 48);
        for (int bar : {0, 1, 7, 63, 511})
            for (int beat = 0; beat < 3; ++beat)
                for (int tick : {0, 1, 23, 47}) {
                    float seconds = 0.0f;
                    ASSERT_TRUE(MusicalTimeToSeconds(base, bar, beat, tick, seconds));
                    const BarBeatTick expected{bar, beat, tick};
                    EXPECT_EQ(tempo.PositionOf(seconds), expected)
                        << bpm << " bpm " << bar << ":" << beat << ":" << tick;
                    EXPECT_EQ(tempo.NearestTick(seconds), expected);
                    EXPECT_NEAR(tempo.SecondsOf(expected), seconds, 1e-4);
                }
    }
}

TEST(CMusicalTime, PositionIsTheTickThatHoldsTheMomentAndNearestRoundsEitherWay) {
    const CMusicalTime tempo(120.0f, 4, 96); // a bar is 2 s, a beat 0.5 s, a tick 1/192 s
    EXPECT_EQ(CMusicalTime::Format(tempo.PositionOf(0.0)), "0:0:0");
    EXPECT_EQ(CMusicalTime::Format(tempo.PositionOf(1.999)), "0:3:95");
    EXPECT_EQ(CMusicalTime::Format(tempo.PositionOf(2.0)), "1:0:0");
    EXPECT_EQ(CMusicalTime::Format(tempo.PositionOf(37.25)), "18:2:48");
    EXPECT_EQ(CMusicalTime::Format(tempo.NearestTick(1.999)), "1:0:0");
    EXPECT_EQ(CMusicalTime::Format(tempo.NearestTick(2.001)), "1:0:0");
    // Before the music: negative bars with the beat and tick counted forwards, as the script reads them.
    EXPECT_EQ(CMusicalTime::Format(tempo.PositionOf(-0.5)), "-1:3:0");
    EXPECT_NEAR(tempo.SecondsOf(tempo.PositionOf(-0.5)), -0.5, 1e-9);
    EXPECT_EQ(tempo.BarOf(5.9), 2);
    EXPECT_DOUBLE_EQ(tempo.BarStart(3), 6.0);
}

TEST(CMusicalTime, ATempoThatCannotBeUsedFallsBackToTheDefaultsAndHugeTimesStayInRange) {
    const CMusicalTime broken(0.0f, 0, -5);
    EXPECT_DOUBLE_EQ(broken.SecondsPerBar(), 2.0);
    EXPECT_EQ(broken.Beats(), 4);
    EXPECT_EQ(broken.Ticks(), 96);
    EXPECT_EQ(CMusicalTime(NAN, 4, 96).SecondsPerBeat(), 0.5);
    EXPECT_EQ(broken.PositionOf(NAN), BarBeatTick{});
    EXPECT_GT(broken.PositionOf(1e30).bar, 0);
    EXPECT_LT(broken.PositionOf(-1e30).bar, 0);
}

TEST(CFrameStats, KeepsTheLast240FrameTimesOldestFirstAndCountsFramesOverTheLastSecond) {
    CFrameStats stats;
    EXPECT_EQ(stats.FramesPerSecond(), 0.0f);
    for (int i = 0; i < 300; ++i)
        stats.AddFrame(static_cast<float>(i) / 1000.0f);
    stats.AddFrame(-1.0f); // a clock that went back is no frame
    stats.AddFrame(NAN);
    ASSERT_EQ(stats.Count(), CFrameStats::Capacity);
    EXPECT_FLOAT_EQ(stats.FrameMs(0), 60.0f);
    EXPECT_FLOAT_EQ(stats.FrameMs(239), 299.0f);
    EXPECT_FLOAT_EQ(stats.Ring()[stats.Oldest()], 60.0f);
    EXPECT_FLOAT_EQ(stats.LastMs(), 299.0f);
    EXPECT_FLOAT_EQ(stats.LongestMs(), 299.0f);

    stats.Clear();
    for (int i = 0; i < 100; ++i)
        stats.AddFrame(1.0f / 50.0f);
    EXPECT_NEAR(stats.FramesPerSecond(), 50.0f, 0.01f);
    stats.AddFrame(0.5f); // a hitch: the last second now holds it and 25 frames before it
    EXPECT_NEAR(stats.FramesPerSecond(), 26.0f, 0.5f);
}
