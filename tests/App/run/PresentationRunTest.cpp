// Runs the built program on small presentations: offline capture checked pixel by pixel, Check
// through the music's start, and a headless play until its music ends.
#include "Platform/Platform.h"
#include "Support/ProgramRun.h"
#include "Support/WavFile.h"
#include "Testing/TempFolder.h"

#include <gtest/gtest.h>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wsign-compare"
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>
#pragma GCC diagnostic pop

#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdint>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

const fs::path Fixtures = fs::path(QV_SOURCE_DIR) / "tests/data";

struct Image {
    int width = 0, height = 0;
    std::vector<uint8_t> rgba;
    // One pixel as 0xRRGGBB.
    uint32_t At(int x, int y) const {
        const uint8_t* p = &rgba[(static_cast<size_t>(y) * width + x) * 4];
        return (uint32_t(p[0]) << 16) | (uint32_t(p[1]) << 8) | p[2];
    }
};

Image Load(const fs::path& file) {
    Image image;
    int channels = 0;
    unsigned char* data = stbi_load(file.c_str(), &image.width, &image.height, &channels, 4);
    if (data) {
        image.rgba.assign(data, data + static_cast<size_t>(image.width) * image.height * 4);
        stbi_image_free(data);
    }
    return image;
}

int CountFrames(const fs::path& folder) {
    int n = 0;
    for (const auto& entry : fs::directory_iterator(folder))
        n += entry.path().extension() == ".png";
    return n;
}

// A mono 16-bit sine of `seconds` at 44100 Hz.
void WriteWav(const fs::path& file, float seconds) {
    WriteMonoWav(file, static_cast<int>(seconds * 44100),
                 [](int i) { return static_cast<int16_t>(8000 * std::sin(i * 2 * M_PI * 440 / 44100)); });
}

constexpr uint32_t Black = 0x000000, Red = 0xFF0000;

// The pixel fixtures clear the screen with the ClearRenderTarget layer; a program built without the
// layer types cannot read them.
#define SKIP_WITHOUT_LAYER_TYPES(run)                                                                                  \
    if ((run).err.find("Unknown layer type 'ClearRenderTarget'") != std::string::npos)                                 \
    GTEST_SKIP() << "the program has no layer types registered"

} // namespace

TEST(PresentationRun, CaptureWritesEveryFrameWithTheKeyframedColour) {
    TempFolder dir;
    fs::path out = dir / "out/nested";
    ProgramResult run = RunProgram(dir, {"Log", "DataPath", (Fixtures / "present-fade").string(), "Capture",
                                         out.string(), "CaptureFps", "10", "Width", "320", "Height", "200"});
    SKIP_WITHOUT_LAYER_TYPES(run);
    ASSERT_EQ(run.status, 0) << run.Said();
    // Two seconds at 10 frames per second: times 0.0 to 1.9.
    EXPECT_EQ(CountFrames(out), 20);
    EXPECT_TRUE(fs::exists(out / "frame_000019.png"));
    EXPECT_FALSE(fs::exists(out / "frame_000020.png"));

    Image first = Load(out / "frame_000000.png"), middle = Load(out / "frame_000010.png");
    ASSERT_EQ(middle.width, 320);
    ASSERT_EQ(middle.height, 200);
    EXPECT_EQ(first.At(160, 100), Black);
    // Halfway from black to blue; at aspect 1.6 there are no bars.
    for (auto [x, y] : {std::pair{160, 100}, {0, 0}, {319, 199}})
        EXPECT_NEAR(static_cast<int>(middle.At(x, y)), 127, 1) << x << "," << y;

    EXPECT_TRUE(run.Logged("Skipped settings dialog"));
    EXPECT_TRUE(run.Logged("Creating 'NoSound' music stream"));
    EXPECT_TRUE(run.Logged("Ended main loop"));
    EXPECT_TRUE(run.Logged("End..."));
    EXPECT_NE(run.err.find("Captured 20 of 20 frames"), std::string::npos) << run.err;
}

TEST(PresentationRun, CaptureRangeStartsAndEndsWhereAsked) {
    TempFolder dir;
    fs::path out = dir / "out";
    ProgramResult run =
        RunProgram(dir, {"Log", "DataPath", (Fixtures / "present-fade").string(), "Capture", out.string(), "CaptureFps",
                         "10", "CaptureStart", "1", "CaptureEnd", "1.5", "Width", "64", "Height", "40"});
    SKIP_WITHOUT_LAYER_TYPES(run);
    ASSERT_EQ(run.status, 0) << run.Said();
    EXPECT_EQ(CountFrames(out), 5);
    EXPECT_NEAR(static_cast<int>(Load(out / "frame_000000.png").At(32, 20)), 127, 1);
}

TEST(PresentationRun, CaptureDrawsTheLetterboxBars) {
    TempFolder dir;
    // 4:3: a bar of one twelfth of the height above and below the picture.
    ProgramResult run = RunProgram(dir, {"Log", "DataPath", (Fixtures / "present-red").string(), "Capture",
                                         (dir / "tall").string(), "CaptureFps", "4", "Width", "320", "Height", "240"});
    SKIP_WITHOUT_LAYER_TYPES(run);
    ASSERT_EQ(run.status, 0) << run.Said();
    EXPECT_EQ(CountFrames(dir / "tall"), 2);
    Image tall = Load(dir / "tall/frame_000001.png");
    ASSERT_EQ(tall.height, 240);
    EXPECT_EQ(tall.At(160, 5), Black);
    EXPECT_EQ(tall.At(160, 18), Black);
    EXPECT_EQ(tall.At(160, 22), Red);
    EXPECT_EQ(tall.At(160, 120), Red);
    EXPECT_EQ(tall.At(160, 218), Red);
    EXPECT_EQ(tall.At(160, 234), Black);

    // 16:9: bars of 5 % of the width left and right.
    run = RunProgram(dir, {"DataPath", (Fixtures / "present-red").string(), "Capture", (dir / "wide").string(),
                           "CaptureFps", "4", "Width", "320", "Height", "180"});
    ASSERT_EQ(run.status, 0) << run.Said();
    Image wide = Load(dir / "wide/frame_000000.png");
    EXPECT_EQ(wide.At(5, 90), Black);
    EXPECT_EQ(wide.At(20, 90), Red);
    EXPECT_EQ(wide.At(299, 90), Red);
    EXPECT_EQ(wide.At(314, 90), Black);
}

TEST(PresentationRun, CaptureFailsClearlyWhenAFrameCannotBeWritten) {
    TempFolder dir;
    dir.Write("data/Config.txt", "scene Empty 0:0:0 0:1:0 { }\nend\n");
    const std::string data = (dir / "data").string();
    fs::create_directories(dir / "out/frame_000000.png"); // a folder where the file should go
    ProgramResult run =
        RunProgram(dir, {"DataPath", data, "Capture", (dir / "out").string(), "Width", "32", "Height", "20"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("Failed to write frame '"), std::string::npos) << run.err;

    std::ofstream(dir / "file") << "x";
    run = RunProgram(dir, {"DataPath", data, "Capture", (dir / "file").string()});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("is not a folder"), std::string::npos) << run.err;

    // The scene ends at 0.5 seconds.
    run = RunProgram(dir, {"DataPath", data, "Capture", (dir / "none").string(), "CaptureStart", "5"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("Nothing to capture between 5 and 0.5 seconds"), std::string::npos) << run.err;
    EXPECT_FALSE(fs::exists(dir / "none"));
}

TEST(PresentationRun, AResourceFailureStopsStartUp) {
    TempFolder dir;
    dir.Write("data/Config.txt", "resources {\n Texture Logo \"gone.png\"\n}\nscene Empty 0:0:0 0:1:0 { }\nend\n");
    ProgramResult run =
        RunProgram(dir, {"Log", "DataPath", (dir / "data").string(), "Capture", (dir / "out").string()});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.Logged("Failed to create resources")) << run.Said();
    EXPECT_NE(run.err.find("Failed to create resources\n"), std::string::npos) << run.err;
    EXPECT_FALSE(run.Logged("Initialising music stream.."));
    EXPECT_FALSE(fs::exists(dir / "out"));
}

TEST(PresentationRun, CheckGoesThroughTheMusicsStartAndNoFurther) {
    TempFolder dir;
    fs::path data = dir / "data";
    dir.Write("data/Config.txt", "system { Music = \"tone.wav\" }\nend\n");
    WriteWav(data / "tone.wav", 0.2f);
    ProgramResult run = RunProgram(dir, {"Log", "Check", "DataPath", data.string()});
    EXPECT_EQ(run.status, 0) << run.Said();
    for (const char* line : {"Skipped settings dialog", "Creating 'Bass' music stream", "Initialising music stream..",
                             "Success!", "Check passed"})
        EXPECT_TRUE(run.Logged(line)) << line << "\n" << run.Said();
    EXPECT_FALSE(run.Logged("Entering main loop.."));

    dir.Write("data/Config.txt", "system { Music = \"missing.wav\" }\nend\n");
    run = RunProgram(dir, {"Log", "Check", "DataPath", data.string()});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.Logged("Failed to initialise music stream")) << run.Said();
    EXPECT_NE(run.err.find("Failed to initialise music stream"), std::string::npos);
}

TEST(PresentationRun, PlaysHeadlessUntilTheMusicHasFinished) {
    TempFolder dir;
    fs::path data = dir / "data";
    TempFolder::Read(Fixtures / "present-red/Config.txt");
    dir.Write("data/Config.txt",
              "system { Music = \"tone.wav\" }\n" + TempFolder::Read(Fixtures / "present-red/Config.txt"));
    WriteWav(data / "tone.wav", 0.3f);
    ProgramResult run =
        RunProgram(dir, {"Log", "SkipSettings", "Width", "64", "Height", "40", "DataPath", data.string()}, 30);
    SKIP_WITHOUT_LAYER_TYPES(run);
    EXPECT_EQ(run.status, 0) << run.Said();
    std::vector<std::string> expected = {"Skipped settings dialog",
                                         "Creating 'Bass' music stream",
                                         "Initialising music stream..",
                                         "Success!",
                                         "Entering main loop..",
                                         "Music finished",
                                         "Ended main loop",
                                         "End..."};
    auto at = run.log.begin();
    for (const std::string& line : expected) {
        at = std::find(at, run.log.end(), line);
        ASSERT_NE(at, run.log.end()) << "missing or out of order: " << line << "\n" << run.Said();
    }
    EXPECT_FALSE(run.Logged("Escape key pressed"));
}

TEST(PresentationRun, AnAntiAliasLevelTheDriverLacksIsLoweredWithALine) {
    const std::vector<int> levels = SupportedSampleCounts();
    if (levels.back() >= 16)
        GTEST_SKIP() << "this driver offers 16 samples";
    TempFolder dir;
    dir.Write("data/Config.txt", "end\n");
    ProgramResult run = RunProgram(dir, {"Log", "Check", "AntiAlias", "16", "DataPath", (dir / "data").string()});
    EXPECT_EQ(run.status, 0) << run.Said();
    EXPECT_TRUE(run.Logged("Multisampling 16x is not supported: using " + std::to_string(levels.back()) + "x"))
        << run.Said();
}
