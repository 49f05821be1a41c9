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
