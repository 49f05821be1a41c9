#include "App/capture/CVideoWriter.h"

#include "Testing/TempFolder.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

// Writes one byte per frame into the file it was opened on, and fails on request.
class FakeEncoder : public CVideoEncoder {
public:
    explicit FakeEncoder(int failAtFrame = -1, bool failFinish = false)
        : failAtFrame(failAtFrame), failFinish(failFinish) {}
    bool Open(const VideoEncoderSettings& settings, std::string& error) override {
        file.open(settings.path, std::ios::binary);
        if (!file)
            error = "cannot create '" + settings.path + "'";
        return static_cast<bool>(file);
    }
    bool WriteFrame(const uint8_t* rgba, std::string& error) override {
        if (frames++ == failAtFrame) {
            error = "the disk is full";
            return false;
        }
        file.put(static_cast<char>(rgba[0]));
        return true;
    }
    bool Finish(std::string& error) override {
        file.close();
        if (failFinish)
            error = "the index could not be written";
        return !failFinish;
    }

private:
    std::ofstream file;
    int failAtFrame;
    bool failFinish;
    int frames = 0;
};

VideoEncoderSettings Settings(const TempFolder& dir) {
    VideoEncoderSettings settings;
    settings.path = (dir / "out.mp4").string();
    settings.container = "mp4";
    settings.width = 2;
    settings.height = 2;
    settings.frames = 5;
    return settings;
}

bool WriteFrames(CVideoWriter& writer, int count, std::string& error) {
    std::vector<uint8_t> pixels;
    for (int frame = 0; frame < count; ++frame) {
        pixels.assign(16, static_cast<uint8_t>('a' + frame));
        if (!writer.WriteFrameInBackground(pixels, 2, 2, error))
            return false;
    }
    return true;
}

size_t FilesIn(const TempFolder& dir) {
    size_t n = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path))
        ++n;
    return n;
}

} // namespace

TEST(CVideoWriter, TheFileGetsItsNameOnlyWhenComplete) {
    TempFolder dir;
    CVideoWriter writer(std::make_unique<FakeEncoder>());
    std::string error;
    ASSERT_TRUE(writer.Open(Settings(dir), error)) << error;
    ASSERT_TRUE(WriteFrames(writer, 5, error)) << error;
    EXPECT_FALSE(std::filesystem::exists(dir / "out.mp4"));
    EXPECT_TRUE(std::filesystem::exists(writer.TemporaryPath()));
    ASSERT_TRUE(writer.Finish(error)) << error;
    EXPECT_EQ(TempFolder::Read(dir / "out.mp4"), "abcde");
    EXPECT_EQ(FilesIn(dir), 1u);
}

TEST(CVideoWriter, AFailureLeavesNothingUnderEitherName) {
    for (bool atFinish : {false, true}) {
        TempFolder dir;
        std::string error;
        {
            CVideoWriter writer(std::make_unique<FakeEncoder>(atFinish ? -1 : 2, atFinish));
            ASSERT_TRUE(writer.Open(Settings(dir), error)) << error;
            const bool written = WriteFrames(writer, 5, error);
            EXPECT_FALSE(written && writer.Finish(error));
            EXPECT_EQ(error, atFinish ? "the index could not be written" : "the disk is full");
        }
        EXPECT_EQ(FilesIn(dir), 0u) << atFinish;
    }

    // Abandoned half-way, as when drawing fails: the writer's end removes the temporary file.
    TempFolder dir;
    std::string error;
    {
        CVideoWriter writer(std::make_unique<FakeEncoder>());
        ASSERT_TRUE(writer.Open(Settings(dir), error));
        ASSERT_TRUE(WriteFrames(writer, 3, error));
    }
    EXPECT_EQ(FilesIn(dir), 0u);
}

TEST(CVideoWriter, EveryExportMakesATemporaryFileOfItsOwnBesideItsTarget) {
    TempFolder dir;
    const std::string target = (dir / "out.mp4").string();
    std::string first, second, error;
    ASSERT_TRUE(CVideoWriter::CreateTemporary(target, first, error)) << error;
    ASSERT_TRUE(CVideoWriter::CreateTemporary(target, second, error)) << error;
    EXPECT_NE(first, second);
    for (const std::string& made : {first, second}) {
        EXPECT_EQ(std::filesystem::path(made).parent_path(), dir.path);
        EXPECT_EQ(made.rfind(target + ".", 0), 0u) << made;
        EXPECT_TRUE(std::filesystem::is_regular_file(std::filesystem::symlink_status(made))) << made;
    }
    // A folder that cannot hold it says so.
    EXPECT_FALSE(CVideoWriter::CreateTemporary((dir / "none/out.mp4").string(), first, error));
    EXPECT_NE(error.find("cannot create"), std::string::npos) << error;
}
