#include "App/capture/CPngEncoder.h"

#include "Testing/TempFolder.h"

#include <gtest/gtest.h>
#include <stb_image.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

namespace {

// Noise, flat runs and gradients: every row filter difference and every kind of run the
// compressor meets, with alpha that a rendered frame never has.
std::vector<uint8_t> Picture(int width, int height, unsigned seed) {
    std::mt19937 random(seed);
    std::vector<uint8_t> rgba(static_cast<size_t>(width) * height * 4);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            uint8_t* p = &rgba[(static_cast<size_t>(y) * width + x) * 4];
            const bool noisy = (y / 4) % 3 == 0;
            p[0] = noisy ? static_cast<uint8_t>(random()) : static_cast<uint8_t>(x * 255 / std::max(1, width - 1));
            p[1] = noisy ? static_cast<uint8_t>(random()) : static_cast<uint8_t>(y * 3);
            p[2] = x % 7 < 3 ? 0 : 255;
            p[3] = static_cast<uint8_t>(random());
        }
    }
    return rgba;
}

} // namespace

TEST(CPngEncoder, DecodesToTheSamePixelsAsOpaqueRgbOfAnySize) {
    CPngEncoder encoder; // one encoder for all, as a capture thread uses it
    for (auto [width, height] : {std::pair{1, 1}, {2, 3}, {33, 17}, {160, 100}, {641, 5}}) {
        const std::vector<uint8_t> rgba = Picture(width, height, static_cast<unsigned>(width * 31 + height));
        std::vector<uint8_t> png;
        ASSERT_TRUE(encoder.Encode(rgba.data(), width, height, png)) << width << " x " << height;

        int w = 0, h = 0, channels = 0;
        stbi_uc* decoded = stbi_load_from_memory(png.data(), static_cast<int>(png.size()), &w, &h, &channels, 4);
        ASSERT_TRUE(decoded) << stbi_failure_reason();
        EXPECT_EQ(w, width);
        EXPECT_EQ(h, height);
        EXPECT_EQ(channels, 3) << "8-bit RGB, no alpha";
        size_t differing = 0;
        for (size_t i = 0; i < rgba.size(); ++i)
            differing += decoded[i] != (i % 4 == 3 ? 255 : rgba[i]);
        EXPECT_EQ(differing, 0u) << width << " x " << height;
        stbi_image_free(decoded);
    }
}

TEST(CPngEncoder, RefusesNothingToEncodeAndLeavesNoFileItCouldNotWrite) {
    CPngEncoder encoder;
    std::vector<uint8_t> png(10);
    const std::vector<uint8_t> rgba = Picture(4, 4, 1);
    EXPECT_FALSE(encoder.Encode(rgba.data(), 0, 4, png));
    EXPECT_FALSE(encoder.Encode(nullptr, 4, 4, png));
    EXPECT_TRUE(png.empty());

    TempFolder dir;
    EXPECT_FALSE(encoder.WriteFile((dir / "missing/frame.png").string(), rgba.data(), 4, 4));
    EXPECT_FALSE(std::filesystem::exists(dir / "missing"));
    ASSERT_TRUE(encoder.WriteFile((dir / "frame.png").string(), rgba.data(), 4, 4));
    EXPECT_GT(std::filesystem::file_size(dir / "frame.png"), 8u);
}
