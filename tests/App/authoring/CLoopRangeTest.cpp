#include "App/authoring/CLoopRange.h"

#include <gtest/gtest.h>

namespace {
const CMusicalTime Tempo(120.0f, 4, 96); // bars of 2 s
}

TEST(CLoopRange, BothMarksInOneBarLoopThatBarInEitherOrder) {
    CLoopRange loop;
    loop.MarkStart(7.3, Tempo);
    EXPECT_FALSE(loop.IsSet()) << "a start alone does not loop: the author is still playing towards the end";
    EXPECT_FALSE(loop.SeekFor(100.0));
    loop.MarkEnd(7.9, Tempo);
    ASSERT_TRUE(loop.IsSet());
    EXPECT_DOUBLE_EQ(loop.Start(), 6.0);
    EXPECT_DOUBLE_EQ(loop.End(), 8.0);

    CLoopRange reversed;
    reversed.MarkEnd(7.9, Tempo);
    EXPECT_FALSE(reversed.IsSet());
    reversed.MarkStart(6.0, Tempo);
    EXPECT_DOUBLE_EQ(reversed.Start(), 6.0);
    EXPECT_DOUBLE_EQ(reversed.End(), 8.0);
}

TEST(CLoopRange, ReachingTheEndSeeksToTheStartAndNothingElseDoes) {
    CLoopRange loop;
    loop.MarkStart(4.5, Tempo); // bar 2
    loop.MarkEnd(9.0, Tempo);   // bar 4 ends at 10
    ASSERT_TRUE(loop.IsSet());
    EXPECT_FALSE(loop.SeekFor(3.0)) << "before the loop the music plays into it";
    EXPECT_FALSE(loop.SeekFor(4.0));
    EXPECT_FALSE(loop.SeekFor(9.999f));
    ASSERT_TRUE(loop.SeekFor(10.0)) << "the first moment of the next bar is past the end";
    EXPECT_DOUBLE_EQ(*loop.SeekFor(10.0), 4.0);
    EXPECT_DOUBLE_EQ(*loop.SeekFor(60.0), 4.0);
    loop.Clear();
    EXPECT_FALSE(loop.IsSet());
    EXPECT_FALSE(loop.HasStart() || loop.HasEnd());
    EXPECT_FALSE(loop.SeekFor(60.0));
}

TEST(CLoopRange, MarksAtExactBarBoundariesBelongToTheBarThatStartsThere) {
    // 130 bpm: bar starts are not round numbers, and the music clock is a float.
    const CMusicalTime odd(130.0f, 4, 96);
    const float barFive = static_cast<float>(odd.BarStart(5));
    CLoopRange loop;
    loop.MarkStart(barFive, odd);
    loop.MarkEnd(barFive, odd);
    EXPECT_NEAR(loop.Start(), odd.BarStart(5), 1e-9);
    EXPECT_NEAR(loop.End(), odd.BarStart(6), 1e-9);
}

TEST(CLoopRange, AMarkOnTheWrongSideOfTheOtherMovesItToLoopTheNewBar) {
    CLoopRange loop;
    loop.MarkStart(2.5, Tempo); // bar 1
    loop.MarkEnd(5.0, Tempo);   // bar 2, ends at 6
    loop.MarkStart(9.0, Tempo); // bar 4: after the end
    EXPECT_DOUBLE_EQ(loop.Start(), 8.0);
    EXPECT_DOUBLE_EQ(loop.End(), 10.0);
    loop.MarkEnd(1.0, Tempo); // bar 0: before the start
    EXPECT_DOUBLE_EQ(loop.Start(), 0.0);
    EXPECT_DOUBLE_EQ(loop.End(), 2.0);
    EXPECT_TRUE(loop.IsSet());
}

TEST(CLoopRange, TheExportCommandCapturesExactlyTheLoopsBars) {
    const CMusicalTime tempo(140.0f, 3, 48);
    CLoopRange loop;
    EXPECT_EQ(loop.CaptureCommand(tempo, "demo", "Config.txt", 1280, 720), "");
    loop.MarkStart(4.5 * tempo.SecondsPerBar(), tempo);
    EXPECT_EQ(loop.CaptureCommand(tempo, "demo", "Config.txt", 1280, 720), "");
    loop.MarkEnd(7.2 * tempo.SecondsPerBar(), tempo);
    EXPECT_EQ(loop.CaptureCommand(tempo, "demo", "Config.txt", 1280, 720),
              "quorin-vanto DataPath demo Width 1280 Height 720 Capture loop-4-8.mp4 CaptureStart 4:0:0 CaptureEnd "
              "8:0:0");
    // What a shell would split or expand is quoted; a script other than the default is named.
    EXPECT_EQ(loop.CaptureCommand(tempo, "/home/me/my demo's", "Show $1.txt", 640, 360),
              "quorin-vanto DataPath '/home/me/my demo'\\''s' Config 'Show $1.txt' Width 640 Height 360 Capture "
              "loop-4-8.mp4 CaptureStart 4:0:0 CaptureEnd 8:0:0");
}
