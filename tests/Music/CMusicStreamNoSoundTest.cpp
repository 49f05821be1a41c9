#include "Music/CMusicStreamNoSound.h"
#include "Platform/Clock.h"

#include "MusicTestFiles.h"

#include <gtest/gtest.h>

namespace {

// A counter at 1000 ticks per second that moves only when a test says so.
int64_t fakeTicks = 0;
int64_t fakeFrequency = 1000;
int64_t FakeFrequency() { return fakeFrequency; }
int64_t FakeValue() { return fakeTicks; }

struct SilentClock : testing::Test {
    SilentClock() {
        fakeTicks = 123456;
        fakeFrequency = 1000;
    }
    void Wait(double seconds) { fakeTicks += static_cast<int64_t>(seconds * fakeFrequency); }
    CMusicStreamNoSound clock{CounterSource{FakeFrequency, FakeValue}};
};

} // namespace

TEST_F(SilentClock, WithoutCounterInitFailsWithItsLine) {
    fakeFrequency = 0;
    bool ok = true;
    std::string log = CaptureLog([&] { ok = clock.Init(0.0f); });
    EXPECT_FALSE(ok);
    EXPECT_NE(log.find("CMusicStreamNoSound::Init] No performance timer found!"), std::string::npos);

    CMusicStreamNoSound unconnected{CounterSource{}};
    log = CaptureLog([&] { ok = unconnected.Init(0.0f); });
    EXPECT_FALSE(ok) << "a clock given no counter functions";
    EXPECT_NE(log.find("No performance timer found!"), std::string::npos);
}

TEST_F(SilentClock, StartsAtTheStartTimeAndFollowsTheCounter) {
    ASSERT_TRUE(clock.Init(2.5f));
    EXPECT_FLOAT_EQ(clock.GetTime(), 2.5f);
    Wait(1.25);
    EXPECT_FLOAT_EQ(clock.GetTime(), 3.75f);
    EXPECT_FALSE(clock.IsPaused());
}

TEST_F(SilentClock, PauseFreezesTheTimeAndResumeContinuesFromIt) {
    ASSERT_TRUE(clock.Init(0.0f));
    Wait(10.0);
    clock.SetPaused(true);
    EXPECT_TRUE(clock.IsPaused());
    Wait(3.0);
    EXPECT_FLOAT_EQ(clock.GetTime(), 10.0f);
    clock.SetPaused(false);
    EXPECT_FLOAT_EQ(clock.GetTime(), 10.0f);
    Wait(0.5);
    EXPECT_FLOAT_EQ(clock.GetTime(), 10.5f);
}

TEST_F(SilentClock, SeekingBeforeTheStartClampsToZero) {
    ASSERT_TRUE(clock.Init(0.0f));
    Wait(3.0);
    clock.SeekBy(-5.0f);
    EXPECT_FLOAT_EQ(clock.GetTime(), 0.0f);
    Wait(1.0);
    EXPECT_FLOAT_EQ(clock.GetTime(), 1.0f);
    clock.SeekBy(0.01f);
    EXPECT_NEAR(clock.GetTime(), 1.01f, 1.5e-3f); // truncated to whole ticks
}

TEST_F(SilentClock, SeekingWhilePausedMovesTheFrozenTimeAndClampsAtZero) {
    ASSERT_TRUE(clock.Init(0.0f));
    Wait(2.0);
    clock.SetPaused(true);
    clock.SeekBy(5.0f);
    EXPECT_FLOAT_EQ(clock.GetTime(), 7.0f);
    Wait(4.0);
    EXPECT_FLOAT_EQ(clock.GetTime(), 7.0f);
    clock.SeekBy(-100.0f);
    EXPECT_FLOAT_EQ(clock.GetTime(), 0.0f);
    clock.SetPaused(false);
    Wait(1.0);
    EXPECT_FLOAT_EQ(clock.GetTime(), 1.0f);
}

TEST_F(SilentClock, RestartGoesToZeroAndKeepsThePausedFlag) {
    ASSERT_TRUE(clock.Init(0.0f));
    Wait(5.0);
    clock.Restart();
    EXPECT_FLOAT_EQ(clock.GetTime(), 0.0f);
    Wait(2.0);
    clock.SetPaused(true);
    clock.Restart();
    EXPECT_TRUE(clock.IsPaused());
    Wait(2.0);
    EXPECT_FLOAT_EQ(clock.GetTime(), 0.0f);
    clock.SetPaused(false);
    Wait(0.25);
    EXPECT_FLOAT_EQ(clock.GetTime(), 0.25f);
}

TEST_F(SilentClock, ClearsTheSpectrumAndNeverFinishes) {
    ASSERT_TRUE(clock.Init(0.0f));
    float bands[SpectrumBands];
    for (float& b : bands)
        b = 0.75f;
    clock.GetSpectrum(bands);
    for (float b : bands)
        ASSERT_EQ(b, 0.0f);
    Wait(1e6);
    EXPECT_FALSE(clock.HasFinished());
}

TEST_F(SilentClock, BeforeInitReadsZeroAndIgnoresControls) {
    clock.SeekBy(4.0f);
    clock.SetPaused(true);
    EXPECT_EQ(clock.GetTime(), 0.0f);
}

TEST(SilentClockOnTheRealCounter, ReadsAboutZeroRightAfterInit) {
    CMusicStreamNoSound clock{CounterSource{GetCounterFrequency, GetCounterValue}};
    ASSERT_TRUE(clock.Init(0.0f));
    float t = clock.GetTime();
    EXPECT_GE(t, 0.0f);
    EXPECT_LT(t, 0.1f);
    EXPECT_GE(clock.GetTime(), t);
}
