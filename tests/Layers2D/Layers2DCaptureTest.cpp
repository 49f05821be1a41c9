// End-to-end pictures of the 2D layers: each test writes a small data folder (script and images),
// runs the program in Capture mode headless and checks pixels of the first frame.
#include <gtest/gtest.h>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wsign-compare"
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>
#pragma GCC diagnostic pop

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr uint32_t Red = 0xFF0000FFu; // RGBA
constexpr uint32_t Green = 0x00FF00FFu;
constexpr uint32_t Blue = 0x0000FFFFu;
constexpr uint32_t Magenta = 0xFF00FFFFu;

// A 320 x 200 frame: the canvas maps onto it whole (aspect 1.6), one pixel per six canvas units.
constexpr int FrameWidth = 320;
constexpr int FrameHeight = 200;

struct Frame {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgba;

    uint32_t At(int x, int y) const {
        const uint8_t* p = &rgba[(static_cast<size_t>(y) * width + x) * 4];
        return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | 0xFFu;
    }
};

class Layers2DCapture : public ::testing::Test {
protected:
    void SetUp() override {
        const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
        folder = fs::path(QV_BINARY_DIR) / "layers2d-capture" / info->name();
        fs::remove_all(folder);
        fs::create_directories(folder / "data");
    }

    // An image whose left half has one colour and right half another.
    void WriteImage(const std::string& name, int width, int height, uint32_t left, uint32_t right) {
        std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 4);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                const uint32_t c = x < width / 2 ? left : right;
                uint8_t* p = &pixels[(static_cast<size_t>(y) * width + x) * 4];
                p[0] = uint8_t(c >> 24), p[1] = uint8_t(c >> 16), p[2] = uint8_t(c >> 8), p[3] = uint8_t(c);
            }
        }
        const fs::path file = folder / "data" / name;
        ASSERT_NE(stbi_write_png(file.c_str(), width, height, 4, pixels.data(), width * 4), 0);
    }

    // Writes the script (resources and the layers of one scene) and captures the first frame.
    Frame Capture(const std::string& resources, const std::string& layers) {
        std::ofstream(folder / "data" / "Config.txt") << "resources\n{\n" << resources << "\n}\n"
                                                      << "scene Main 0:0:0 4:0:0\n{\nlayers\n{\n" << layers
                                                      << "\n}\n}\nend\n";
        const fs::path out = folder / "frames";
        const std::string command = "cd \"" + folder.string() + "\" && SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy \"" +
                                    std::string(QV_PROGRAM) + "\" SkipSettings Windowed Width " +
                                    std::to_string(FrameWidth) + " Height " + std::to_string(FrameHeight) +
                                    " Aspect 1.6 AntiAlias 0 Log DataPath \"" + (folder / "data").string() +
                                    "\" Capture \"" + out.string() + "\" CaptureFps 10 CaptureEnd 0.1 > run.txt 2>&1";
        Frame frame;
        const int status = std::system(command.c_str());
        EXPECT_EQ(status, 0) << "see " << (folder / "run.txt");
        std::vector<fs::path> pngs;
        if (fs::exists(out)) {
            for (const fs::directory_entry& entry : fs::directory_iterator(out))
                if (entry.path().extension() == ".png")
                    pngs.push_back(entry.path());
        }
        std::sort(pngs.begin(), pngs.end());
        EXPECT_FALSE(pngs.empty()) << "no frame written; see " << (folder / "run.txt");
        if (pngs.empty())
            return frame;
        int channels = 0;
        uint8_t* data = stbi_load(pngs[0].c_str(), &frame.width, &frame.height, &channels, 4);
        EXPECT_NE(data, nullptr);
        if (data) {
            frame.rgba.assign(data, data + static_cast<size_t>(frame.width) * frame.height * 4);
            stbi_image_free(data);
        }
        EXPECT_EQ(frame.width, FrameWidth);
        EXPECT_EQ(frame.height, FrameHeight);
        return frame;
    }

    fs::path folder;
};

// Layers that fill the back buffer with one colour.
const std::string ClearToBlue = "Back ClearRenderTarget { ClearColourValue = 0 0 1 1 }\n";

} // namespace

// A frame that could not be read has already failed its test; its pixels are not checked.
::testing::AssertionResult PixelIs(const Frame& frame, int x, int y, uint32_t colour) {
    if (frame.rgba.empty() || x >= frame.width || y >= frame.height)
        return ::testing::AssertionSuccess();
    const uint32_t got = frame.At(x, y);
    if (got == colour)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ") is " << std::hex << got
                                         << ", expected " << colour;
}

#define EXPECT_PIXEL(frame, x, y, colour) EXPECT_TRUE(PixelIs(frame, x, y, colour))

TEST_F(Layers2DCapture, ImageSitsAtTheCanvasCentre) {
    WriteImage("red.png", 480, 300, Red, Red); // a quarter of the canvas each way
    const Frame frame = Capture("Texture Red \"red.png\"",
                                ClearToBlue + "Logo 2DImage { Texture1 = Red Position = 960 600 }");
    // 480 x 300 canvas units are 80 x 50 pixels, from (120, 75) to (200, 125).
    EXPECT_PIXEL(frame, 160, 100, Red);
    EXPECT_PIXEL(frame, 122, 77, Red);
    EXPECT_PIXEL(frame, 197, 122, Red);
    EXPECT_PIXEL(frame, 117, 100, Blue);
    EXPECT_PIXEL(frame, 203, 100, Blue);
    EXPECT_PIXEL(frame, 160, 72, Blue);
    EXPECT_PIXEL(frame, 160, 128, Blue);
}

TEST_F(Layers2DCapture, RotationStandsAWideImageUpright) {
    WriteImage("bar.png", 960, 120, Red, Green); // red left half, green right half
    const Frame frame = Capture("Texture Bar \"bar.png\"",
                                ClearToBlue + "Bar 2DImage { Texture1 = Bar Position = 960 600 Rotation = 90 }");
    // Turned clockwise, the left (red) half is on top and the bar is 20 pixels wide, 160 high.
    EXPECT_PIXEL(frame, 160, 40, Red);
    EXPECT_PIXEL(frame, 160, 160, Green);
    EXPECT_PIXEL(frame, 140, 40, Blue);
    EXPECT_PIXEL(frame, 180, 160, Blue);
    EXPECT_PIXEL(frame, 40, 100, Blue);
}

TEST_F(Layers2DCapture, ARenderTargetDrawnBackKeepsItsPictureUpright) {
    WriteImage("red.png", 480, 300, Red, Red);
    const Frame frame = Capture("Texture Red \"red.png\" RenderTarget Buffer Full",
                                "Wipe ClearRenderTarget { RenderTarget = Buffer ClearColourValue = 0 1 0 1 }\n"
                                "Into 2DImage { RenderTarget = Buffer Texture1 = Red Position = 240 150 }\n" +
                                    ClearToBlue + "Back 2DImage { Texture1 = Buffer Position = 960 600 }");
    // The red image was drawn into the top-left quarter of the render target.
    EXPECT_PIXEL(frame, 40, 25, Red);
    EXPECT_PIXEL(frame, 75, 45, Red);
    EXPECT_PIXEL(frame, 120, 25, Green);
    EXPECT_PIXEL(frame, 40, 75, Green);
    EXPECT_PIXEL(frame, 280, 175, Green);
}

TEST_F(Layers2DCapture, MagentaTexelsAreTransparent) {
    WriteImage("keyed.png", 480, 300, Magenta, Red);
    const Frame frame = Capture("Texture Keyed \"keyed.png\"",
                                ClearToBlue + "Logo 2DImage { Texture1 = Keyed Position = 960 600 }");
    EXPECT_PIXEL(frame, 140, 100, Blue);
    EXPECT_PIXEL(frame, 180, 100, Red);
}

TEST_F(Layers2DCapture, ClearingARenderTargetLeavesTheBackBufferAlone) {
    const Frame frame = Capture("RenderTarget Buffer Full",
                                ClearToBlue + "Wipe ClearRenderTarget { RenderTarget = Buffer ClearColourValue = 1 0 0 1 }");
    EXPECT_PIXEL(frame, 10, 10, Blue);
    EXPECT_PIXEL(frame, 160, 100, Blue);
    EXPECT_PIXEL(frame, 310, 190, Blue);
}
