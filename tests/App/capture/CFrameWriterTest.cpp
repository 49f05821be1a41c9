#include "App/capture/CFrameWriter.h"

#include "App/capture/CCaptureSchedule.h"
#include "Base/Utf8Path.h"
#include "Support/LogCapture.h"

#include <gtest/gtest.h>
#include <stb_image.h>

#include <filesystem>
#include <fstream>

namespace {

std::vector<uint8_t> Pattern(int width, int height, int seed) {
    std::vector<uint8_t> rgba(static_cast<size_t>(width) * height * 4);
    for (size_t i = 0; i < rgba.size(); ++i)
        rgba[i] = static_cast<uint8_t>(i % 4 == 3 ? 255 : (i * 7 + static_cast<size_t>(seed) * 31) % 251);
    return rgba;
}

std::vector<uint8_t> Load(const std::string& path, int& width, int& height) {
    int channels = 0;
    stbi_uc* loaded = stbi_load(path.c_str(), &width, &height, &channels, 4);
    if (!loaded)
        return {};
    std::vector<uint8_t> out(loaded, loaded + static_cast<size_t>(width) * height * 4);
    stbi_image_free(loaded);
    return out;
}

class FrameWriter : public ::testing::Test {
protected:
    void SetUp() override {
        folder =
            std::filesystem::temp_directory_path() / ("qv-frames-" + std::to_string(::getpid()) + "-" +
                                                      ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(folder);
    }
    void TearDown() override { std::filesystem::remove_all(folder); }
    std::filesystem::path folder;
};

} // namespace

TEST_F(FrameWriter, FramesWrittenInTheBackgroundHoldTheirOwnPixels) {
    CFrameWriter writer(folder.string());
    std::vector<uint8_t> pixels;
    for (int frame = 0; frame < 4; ++frame) {
        pixels = Pattern(33, 17, frame); // the frame's pixels are taken, whatever the buffer held
        ASSERT_TRUE(writer.WriteFrameInBackground(frame, pixels, 33, 17));
    }
    ASSERT_TRUE(writer.FinishWriting());
    EXPECT_EQ(writer.FailedFrame(), -1);
    for (int frame = 0; frame < 4; ++frame) {
        int w = 0, h = 0;
        EXPECT_EQ(Load(writer.FramePath(frame), w, h), Pattern(33, 17, frame)) << frame;
        EXPECT_EQ(w, 33);
        EXPECT_EQ(h, 17);
    }
}

TEST_F(FrameWriter, AFrameThatCannotBeWrittenIsReportedByTheNextCallWithItsName) {
    LogCapture log;
    CFrameWriter writer((folder / "missing").string()); // no such folder: nothing can be written
    std::vector<uint8_t> pixels = Pattern(8, 8, 1);
    ASSERT_TRUE(writer.WriteFrameInBackground(5, pixels, 8, 8));
    pixels = Pattern(8, 8, 2);
    EXPECT_FALSE(writer.WriteFrameInBackground(6, pixels, 8, 8));
    EXPECT_EQ(writer.FailedFrame(), 5);
    EXPECT_FALSE(writer.FinishWriting());
    EXPECT_FALSE(std::filesystem::exists(writer.FramePath(6)));
    ASSERT_EQ(log.Messages().size(), 1u);
    EXPECT_EQ(log.Messages()[0], "Failed to write '" + writer.FramePath(5) + "'");
}

TEST_F(FrameWriter, PixelsOfTheWrongSizeAreRefusedAtOnce) {
    LogCapture log;
    CFrameWriter writer(folder.string());
    std::vector<uint8_t> pixels(10);
    EXPECT_FALSE(writer.WriteFrameInBackground(0, pixels, 4, 4));
    EXPECT_EQ(writer.FailedFrame(), 0);
    EXPECT_FALSE(std::filesystem::exists(writer.FramePath(0)));
    EXPECT_EQ(log.Messages().size(), 1u);
}

TEST_F(FrameWriter, ManyThreadsWriteEveryFrameWithItsOwnPixels) {
    CFrameWriter writer(folder.string(), 3);
    std::vector<uint8_t> pixels;
    for (int frame = 0; frame < 24; ++frame) {
        pixels = Pattern(40 + frame % 3, 9, frame); // sizes vary, so a mixed-up buffer would show
        ASSERT_TRUE(writer.WriteFrameInBackground(frame, pixels, 40 + frame % 3, 9));
    }
    ASSERT_TRUE(writer.FinishWriting());
    for (int frame = 0; frame < 24; ++frame) {
        int w = 0, h = 0;
        EXPECT_EQ(Load(writer.FramePath(frame), w, h), Pattern(40 + frame % 3, 9, frame)) << frame;
        EXPECT_EQ(w, 40 + frame % 3);
    }
}

TEST_F(FrameWriter, NothingIsWrittenAfterAFrameThatFailed) {
    LogCapture log;
    CFrameWriter writer(folder.string(), 3);
    std::filesystem::create_directories(writer.FramePath(4)); // a folder where frame 4's file should go
    std::vector<uint8_t> pixels;
    int accepted = 0;
    for (int frame = 0; frame < 12; ++frame) {
        pixels = Pattern(64, 64, frame);
        if (!writer.WriteFrameInBackground(frame, pixels, 64, 64))
            break;
        ++accepted;
    }
    EXPECT_FALSE(writer.FinishWriting());
    EXPECT_EQ(writer.FailedFrame(), 4);
    EXPECT_LT(accepted, 12);
    for (int frame = 0; frame < 12; ++frame) {
        if (frame < 4) {
            EXPECT_TRUE(std::filesystem::is_regular_file(writer.FramePath(frame))) << frame;
        } else if (frame > 4) {
            EXPECT_FALSE(std::filesystem::exists(writer.FramePath(frame))) << frame;
        }
    }
    EXPECT_TRUE(std::filesystem::is_directory(writer.FramePath(4)));
    ASSERT_EQ(log.Messages().size(), 1u);
    EXPECT_EQ(log.Messages()[0], "Failed to write '" + writer.FramePath(4) + "'");
}

TEST_F(FrameWriter, NewPicturesPassOverEveryNameInUseAndNeverFollowALink) {
    const std::string prefix = (folder / "shot-").string();
    std::filesystem::path victim = folder / "victim.txt";
    { std::ofstream(victim) << "keep me"; }
    { std::ofstream(prefix + "001.png") << "an earlier run's picture"; }
    std::error_code linkError;
    std::filesystem::create_symlink(victim, prefix + "002.png", linkError);
    if (linkError)
        GTEST_SKIP() << "links cannot be made here: " << linkError.message();
    std::filesystem::create_symlink(folder / "nowhere", prefix + "003.png"); // dangling

    const std::vector<uint8_t> rgba = Pattern(6, 4, 1);
    int number = 0;
    std::string saved;
    ASSERT_TRUE(CFrameWriter::SaveNewPng(prefix, number, rgba, 6, 4, saved));
    EXPECT_EQ(saved, prefix + "004.png");
    EXPECT_EQ(number, 4);
    ASSERT_TRUE(CFrameWriter::SaveNewPng(prefix, number, rgba, 6, 4, saved));
    EXPECT_EQ(saved, prefix + "005.png");

    std::ifstream kept(victim);
    std::string text((std::istreambuf_iterator<char>(kept)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text, "keep me");
    EXPECT_FALSE(std::filesystem::exists(folder / "nowhere"));
    EXPECT_EQ(std::filesystem::file_size(prefix + "001.png"), 24u);
    int width = 0, height = 0;
    EXPECT_EQ(Load(prefix + "005.png", width, height), rgba);

    // A folder that is not there: one failure, no endless search.
    LogCapture log;
    int other = 0;
    EXPECT_FALSE(CFrameWriter::SaveNewPng((folder / "none/shot-").string(), other, rgba, 6, 4, saved));
    EXPECT_EQ(other, 1);
}

// Names are UTF-8 on every system: a folder made for the capture and the frames in it keep theirs
// (on Windows the C library's narrow names would turn "ü" into "Ã¼").
TEST_F(FrameWriter, AFolderNamedInUtf8IsMadeAndWrittenUnderThatName) {
    const std::string name = Utf8FromPath(folder) + "/Bilder_\xc3\xbc_\xe6\x97\xa5";
    std::string reason;
    ASSERT_TRUE(CCaptureSchedule::PrepareFolder(name, reason)) << reason;
    CFrameWriter writer(name);
    std::vector<uint8_t> pixels = Pattern(8, 8, 3);
    ASSERT_TRUE(writer.WriteFrameInBackground(0, pixels, 8, 8));
    ASSERT_TRUE(writer.FinishWriting());
    EXPECT_EQ(writer.FailedFrame(), -1);
    std::vector<std::string> made;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        made.push_back(Utf8FromPath(entry.path().filename()));
    EXPECT_EQ(made, std::vector<std::string>{"Bilder_\xc3\xbc_\xe6\x97\xa5"});
    EXPECT_TRUE(std::filesystem::is_regular_file(PathFromUtf8(writer.FramePath(0))));
}
