#include "App/capture/CCaptureSchedule.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

TEST(CCaptureSchedule, FramesCoverTheRangeWithTheEndExcluded) {
    EXPECT_EQ(CCaptureSchedule(0, 60, 1).FrameCount(), 60);
    EXPECT_EQ(CCaptureSchedule(0, 10, 2).FrameCount(), 20);
    EXPECT_EQ(CCaptureSchedule(0, 10, 2.01).FrameCount(), 21);
    EXPECT_EQ(CCaptureSchedule(1.5, 4, 2).FrameCount(), 2); // 1.5, 1.75
    EXPECT_EQ(CCaptureSchedule(0, 3, 1).FrameCount(), 3);   // thirds do not add up exactly
    EXPECT_EQ(CCaptureSchedule(0, 60, 0.001).FrameCount(), 1);
    EXPECT_FLOAT_EQ(CCaptureSchedule(1.5, 4, 2).TimeOf(1), 1.75f);
    EXPECT_FLOAT_EQ(CCaptureSchedule(0, 60, 1000).TimeOf(59999), 59999.0f / 60.0f);
}

TEST(CCaptureSchedule, RangesWithoutFramesAndBadRatesAreRefused) {
    std::string reason;
    EXPECT_FALSE(CCaptureSchedule(2, 60, 2).IsValid(reason));
    EXPECT_NE(reason.find("Nothing to capture"), std::string::npos);
    EXPECT_FALSE(CCaptureSchedule(3, 60, 2).IsValid(reason));
    EXPECT_FALSE(CCaptureSchedule(0, 0, 2).IsValid(reason));
    EXPECT_NE(reason.find("frame rate"), std::string::npos);
    EXPECT_FALSE(CCaptureSchedule(0, -1, 2).IsValid(reason));
    EXPECT_FALSE(CCaptureSchedule(0, 60, 1e9).IsValid(reason));
    EXPECT_EQ(CCaptureSchedule(0, 0, 2).FrameCount(), 0);
    EXPECT_TRUE(CCaptureSchedule(0, 60, 1).IsValid(reason));
}

TEST(CCaptureSchedule, FolderIsCreatedWhenMissingAndAFileIsNoFolder) {
    namespace fs = std::filesystem;
    fs::path root = fs::temp_directory_path() / "qv-capture-folder-test";
    fs::remove_all(root);
    std::string reason;
    EXPECT_TRUE(CCaptureSchedule::PrepareFolder((root / "a" / "b").string(), reason)) << reason;
    EXPECT_TRUE(fs::is_directory(root / "a" / "b"));
    EXPECT_TRUE(CCaptureSchedule::PrepareFolder((root / "a").string(), reason));
    std::ofstream(root / "file") << "x";
    EXPECT_FALSE(CCaptureSchedule::PrepareFolder((root / "file").string(), reason));
    EXPECT_NE(reason.find("not a folder"), std::string::npos);
    fs::remove_all(root);
}

TEST(CCaptureSchedule, AnEndReadAsFloatDoesNotAddTheFrameAtTheEnd) {
    // 1.2 and 0.8 are a little more as float: the frame at exactly that time still belongs to the
    // part that starts there, so parts split at a time join without a repeated frame.
    EXPECT_EQ(CCaptureSchedule(0, 25, 1.2f).FrameCount(), 30);
    EXPECT_EQ(CCaptureSchedule(1.2f, 25, 2).FrameCount(), 20);
    EXPECT_EQ(CCaptureSchedule(0, 12.5, 0.8f).FrameCount(), 10);
    EXPECT_EQ(CCaptureSchedule(0.1f, 30, 0.7f).FrameCount(), 18);
}
