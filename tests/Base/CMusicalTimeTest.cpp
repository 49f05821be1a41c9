#include "Base/CMusicalTime.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

float Seconds(int bar, int beat, int tick, const CMusicalTime& tempo = CMusicalTime{}) {
    float seconds = -1.0f;
    EXPECT_TRUE(tempo.ToSeconds(bar, beat, tick, seconds)) << bar << ":" << beat << ":" << tick;
    return seconds;
}

} // namespace

TEST(CMusicalTime, DefaultTempoGivesTheWorkedValues) {
    EXPECT_FLOAT_EQ(Seconds(0, 0, 0), 0.0f);
    EXPECT_FLOAT_EQ(Seconds(1, 0, 0), 2.0f);
    EXPECT_FLOAT_EQ(Seconds(0, 1, 0), 0.5f);
    EXPECT_FLOAT_EQ(Seconds(0, 0, 48), 0.25f);
    EXPECT_EQ(Seconds(2, 3, 95), static_cast<float>(5.994791666666667));
    // Negative parts pass the range check.
    EXPECT_FLOAT_EQ(Seconds(-1, 0, 0), -2.0f);
    EXPECT_FLOAT_EQ(Seconds(0, -1, 0), -0.5f);
}

TEST(CMusicalTime, BeatOrTickOutsideItsRangeIsRefused) {
    float seconds = 7.0f;
    EXPECT_FALSE(CMusicalTime{}.ToSeconds(0, 4, 0, seconds));
    EXPECT_FALSE(CMusicalTime{}.ToSeconds(0, 0, 96, seconds));
    EXPECT_EQ(seconds, 7.0f);
    EXPECT_TRUE(CMusicalTime{}.ToSeconds(0, 3, 95, seconds));
}

TEST(CMusicalTime, FollowsTheTempoGiven) {
    const CMusicalTime tempo(60.0f, 3, 10);
    EXPECT_FLOAT_EQ(Seconds(1, 0, 0, tempo), 3.0f);
    EXPECT_FLOAT_EQ(Seconds(0, 2, 5, tempo), 2.5f);
    float seconds;
    EXPECT_FALSE(tempo.ToSeconds(0, 3, 0, seconds));
}

TEST(CMusicalTime, ReadsBackEveryTickOfTheScriptsLiteralsAtAwkwardTempos) {
    // The script turns literals into float seconds; the position shown for that moment must be the
    // literal itself, never the tick before it.
    for (float bpm : {120.0f, 128.0f, 130.0f, 87.5f, 174.0f}) {
        const CMusicalTime tempo(bpm, 3, 48);
        for (int bar : {0, 1, 7, 63, 511})
            for (int beat = 0; beat < 3; ++beat)
                for (int tick : {0, 1, 23, 47}) {
                    float seconds = 0.0f;
                    ASSERT_TRUE(tempo.ToSeconds(bar, beat, tick, seconds));
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

TEST(CMusicalTime, TheSystemBlocksValuesReplaceOneAtATimeAndUnusableOnesKeepTheDefault) {
    CMusicalTime tempo;
    tempo.SetBeats(3);
    tempo.SetTicks(48);
    tempo.SetBpm(140.5f);
    float seconds = 0.0f;
    ASSERT_TRUE(tempo.ToSeconds(1, 2, 24, seconds));
    EXPECT_EQ(seconds, static_cast<float>((1 * 3 + 2 + 24.0 / 48) * 60.0 / 140.5));
    EXPECT_FALSE(tempo.ToSeconds(0, 3, 0, seconds));

    tempo.SetBpm(-1.0f);
    tempo.SetBeats(0);
    tempo.SetTicks(-7);
    EXPECT_EQ(tempo.Bpm(), CMusicalTime::DefaultBpm);
    EXPECT_EQ(tempo.Beats(), CMusicalTime::DefaultBeats);
    EXPECT_EQ(tempo.Ticks(), CMusicalTime::DefaultTicks);
    tempo.SetBpm(INFINITY);
    EXPECT_DOUBLE_EQ(tempo.SecondsPerBar(), 2.0);
}

TEST(CMusicalTime, TheDisplaysSecondsAreTheScriptsToTheLastBit) {
    // Keyframe times the overlay writes must read back as the very times the script makes of them.
    for (float bpm : {120.0f, 133.3f, 87.5f})
        for (int beats : {3, 4, 7}) {
            const CMusicalTime tempo(bpm, beats, 96);
            for (const BarBeatTick at : {BarBeatTick{0, 0, 1}, BarBeatTick{5, beats - 1, 95}, BarBeatTick{-2, 1, 17}}) {
                float seconds = 0.0f;
                ASSERT_TRUE(tempo.ToSeconds(at.bar, at.beat, at.tick, seconds));
                EXPECT_EQ(static_cast<float>(tempo.SecondsOf(at)), seconds) << CMusicalTime::Format(at);
            }
        }
}
