#include "Base/MusicalTime.h"

#include <gtest/gtest.h>

namespace {

float Seconds(int bar, int beat, int tick, const MusicalTimeBase& tempo = MusicalTimeBase{}) {
    float seconds = -1.0f;
    EXPECT_TRUE(MusicalTimeToSeconds(tempo, bar, beat, tick, seconds)) << bar << ":" << beat << ":" << tick;
    return seconds;
}

} // namespace

TEST(MusicalTime, DefaultTempoGivesTheWorkedValues) {
    EXPECT_FLOAT_EQ(Seconds(0, 0, 0), 0.0f);
    EXPECT_FLOAT_EQ(Seconds(1, 0, 0), 2.0f);
    EXPECT_FLOAT_EQ(Seconds(0, 1, 0), 0.5f);
    EXPECT_FLOAT_EQ(Seconds(0, 0, 48), 0.25f);
    EXPECT_EQ(Seconds(2, 3, 95), static_cast<float>(5.994791666666667));
    // Negative parts pass the range check.
    EXPECT_FLOAT_EQ(Seconds(-1, 0, 0), -2.0f);
    EXPECT_FLOAT_EQ(Seconds(0, -1, 0), -0.5f);
}

TEST(MusicalTime, BeatOrTickOutsideItsRangeIsRefused) {
    float seconds = 7.0f;
    EXPECT_FALSE(MusicalTimeToSeconds(MusicalTimeBase{}, 0, 4, 0, seconds));
    EXPECT_FALSE(MusicalTimeToSeconds(MusicalTimeBase{}, 0, 0, 96, seconds));
    EXPECT_EQ(seconds, 7.0f);
    EXPECT_TRUE(MusicalTimeToSeconds(MusicalTimeBase{}, 0, 3, 95, seconds));
}

TEST(MusicalTime, FollowsTheTempoGiven) {
    const MusicalTimeBase tempo{60.0f, 3, 10};
    EXPECT_FLOAT_EQ(Seconds(1, 0, 0, tempo), 3.0f);
    EXPECT_FLOAT_EQ(Seconds(0, 2, 5, tempo), 2.5f);
    float seconds;
    EXPECT_FALSE(MusicalTimeToSeconds(tempo, 0, 3, 0, seconds));
}
