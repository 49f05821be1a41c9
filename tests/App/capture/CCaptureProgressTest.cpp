#include "App/capture/CCaptureProgress.h"

#include <gtest/gtest.h>

TEST(CCaptureProgress, TerminalLineSaysPercentFrameRateAndTimeLeft) {
    EXPECT_EQ(CCaptureProgress::Line(126, 300, 6.3), "Capturing: 42% | frame 126 of 300 | 20.0 frames/s | 0:09 left");
    // Time left rounds up, and grows hours when needed.
    EXPECT_EQ(CCaptureProgress::Line(1, 100000, 0.5),
              "Capturing: 0% | frame 1 of 100000 | 2.0 frames/s | 13:53:20 left");
    EXPECT_EQ(CCaptureProgress::Line(30, 60, 1.2), "Capturing: 50% | frame 30 of 60 | 25.0 frames/s | 0:02 left");
    EXPECT_EQ(CCaptureProgress::Line(60, 60, 2.0), "Capturing: 100% | frame 60 of 60 | 30.0 frames/s | 0:00 left");
    // Before any time has passed the rate and the time left are unknown, not infinite.
    EXPECT_EQ(CCaptureProgress::Line(0, 60, 0.0), "Capturing: 0% | frame 0 of 60 | 0.0 frames/s | --:-- left");
}

TEST(CCaptureProgress, PlainLineIsTheOneLogFilesHaveAlwaysHad) {
    EXPECT_EQ(CCaptureProgress::PlainLine(20, 20, 2.0), "Captured 20 of 20 frames (10.0 frames per second)");
    EXPECT_EQ(CCaptureProgress::PlainLine(3, 20, 0.0), "Captured 3 of 20 frames (0.0 frames per second)");
}

TEST(CCaptureProgress, TheTimeLeftFollowsTheRecentRateWithoutJumping) {
    // A steady 20 frames/s, then one slow second at 5 frames/s: the rate the time left follows
    // moves a fifth of the way, not all of it.
    double rate = CCaptureProgress::SmoothRate(0.0, 20.0, 1.0);
    EXPECT_EQ(rate, 20.0);
    rate = CCaptureProgress::SmoothRate(rate, 5.0, 1.0);
    EXPECT_NEAR(rate, 16.7, 0.1);
    // Reports ten times a second come to the same as one a second.
    double often = 20.0;
    for (int i = 0; i < 10; ++i)
        often = CCaptureProgress::SmoothRate(often, 5.0, 0.1);
    EXPECT_NEAR(often, rate, 1e-9);
    // A lasting change is followed within some seconds.
    for (int i = 0; i < 20; ++i)
        rate = CCaptureProgress::SmoothRate(rate, 5.0, 1.0);
    EXPECT_NEAR(rate, 5.0, 0.1);
    // The line takes the smoothed rate for the time left, the average for the rate shown.
    EXPECT_EQ(CCaptureProgress::Line(100, 300, 5.0, 10.0),
              "Capturing: 33% | frame 100 of 300 | 20.0 frames/s | 0:20 left");
}

TEST(CCaptureProgress, TheSummarySaysWhatWasWrittenAndHowFast) {
    EXPECT_EQ(CCaptureProgress::Summary("demo.mp4", 48213000ull, 480, 30, 19.4),
              "Wrote 'demo.mp4': 48.2 MB, 0:16.000 (480 frames at 30 frames/s) in 19.4 s, 24.7 frames per second");
    EXPECT_EQ(CCaptureProgress::Summary("frames", 1500ull, 45, 29.97, 0.0),
              "Wrote 'frames': 1.5 kB, 0:01.502 (45 frames at 29.97 frames/s) in 0.0 s, 0.0 frames per second");
    EXPECT_EQ(CCaptureProgress::Summary("long.mkv", 3210000000ull, 3 * 3600 * 60 + 1, 60, 3600),
              "Wrote 'long.mkv': 3.21 GB, 3:00:00.017 (648001 frames at 60 frames/s) in 3600.0 s, 180.0 frames per "
              "second");
}
