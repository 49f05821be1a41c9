// The music's reactions in the running program: a capture that starts in the middle draws the same
// frames as the same moments of a capture from the start, and the picture follows the hits.
#include "Support/ProgramRun.h"
#include "Support/WavFile.h"
#include "Testing/TempFolder.h"

#include <gtest/gtest.h>
#include <stb_image.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <numbers>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Three seconds: a 30 ms burst of 86 Hz every half second from 0.25 s.
void WriteHits(const fs::path& file) {
    WriteMonoWav(file, 3 * 44100, [](int i) {
        const double t = i / 44100.0, into = std::fmod(t - 0.25, 0.5);
        return static_cast<int16_t>(t >= 0.25 && into < 0.03 ? 28000 * std::sin(2 * std::numbers::pi * 86.13 * t) : 0);
    });
}

// A white square picture as an uncompressed TGA.
std::string WhiteTga() {
    std::string out(18, '\0');
    out[2] = 2;
    out[12] = 16;
    out[14] = 16;
    out[16] = 32;
    out[17] = 0x28;
    out.append(16 * 16 * 4, static_cast<char>(255));
    return out;
}

// The share of a PNG's pixels that are lit.
double LitShare(const fs::path& file) {
    int w = 0, h = 0, channels = 0;
    unsigned char* pixels = stbi_load(file.string().c_str(), &w, &h, &channels, 3);
    if (!pixels)
        return -1.0;
    size_t lit = 0;
    for (int i = 0; i < w * h; ++i)
        lit += pixels[3 * i] > 128;
    stbi_image_free(pixels);
    return double(lit) / (w * h);
}

std::string Read(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

} // namespace

TEST(ReactionCapture, ACaptureFromTheMiddleDrawsWhatTheWholeCaptureDrewThere) {
    TempFolder dir;
    dir.Write("data/white.tga", WhiteTga());
    WriteHits(dir / "data/hits.wav");
    // A square that flashes bigger on each hit, leans with the bass's envelope and turns with its
    // integral.
    dir.Write("data/Config.txt",
              "system { Music = \"hits.wav\" SpectrumEnabled = true }\n"
              "resources { Texture White \"white.tga\" }\n"
              "scene Hits 0:0:0 2:0:0 {\n"
              "  layers {\n"
              "    Back ClearRenderTarget { ClearColourValue = 0 0 0 1 }\n"
              "    Square 2DImage { Texture1 = White Position = 960 600 Scale = 10 10 }\n"
              "  }\n"
              "  keyframes {\n"
              "    0:0:0 { Square Scale onset 10 10 40 130 30 30 0:0:24\n"
              "            Square Position level 960 600 40 130 2000 0 0:0:4 0:1:0\n"
              "            Square Rotation accumulate 0 40 130 400 }\n"
              "    2:0:0 { Square Scale hold 10 10 Square Position hold 960 600 Square Rotation hold 0 }\n"
              "  }\n"
              "}\nend\n");
    auto capture = [&](const std::string& folder, const std::string& start) {
        return RunProgram(dir,
                          {"Log", "DataPath", (dir / "data").string(), "Capture", (dir / folder).string(), "CaptureFps",
                           "10", "CaptureStart", start, "CaptureEnd", "3", "Width", "160", "Height", "100"});
    };
    const ProgramResult whole = capture("whole", "0");
    if (whole.err.find("Unknown layer type") != std::string::npos)
        GTEST_SKIP() << "the program has no layer types registered";
    ASSERT_EQ(whole.status, 0) << whole.Said();
    const ProgramResult late = capture("late", "1.5");
    ASSERT_EQ(late.status, 0) << late.Said();

    auto frame = [&](const std::string& folder, int i) {
        char name[32];
        std::snprintf(name, sizeof name, "frame_%06d.png", i);
        return dir / folder / name;
    };
    for (int i = 0; i < 15; ++i) {
        const std::string fromStart = Read(frame("whole", 15 + i)), fromMiddle = Read(frame("late", i));
        ASSERT_FALSE(fromStart.empty()) << i;
        EXPECT_TRUE(fromStart == fromMiddle) << "frame at " << 1.5 + i / 10.0 << " s";
    }
    // The square is far bigger just after a hit (2.25 s) than before the next one (2.75 s).
    const double flash = LitShare(frame("whole", 23)), calm = LitShare(frame("whole", 27));
    EXPECT_GT(calm, 0.0);
    EXPECT_GT(flash, 3.0 * calm) << "the picture follows the hits";
}
