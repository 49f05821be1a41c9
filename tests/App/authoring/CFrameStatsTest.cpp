#include "App/authoring/CFrameStats.h"

#include <gtest/gtest.h>

#include <cmath>

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
