// A small PNG of one colour written to a file, for tests that need a picture to look for.
#pragma once

#include <stb_image_write.h>

#include <cstdint>
#include <filesystem>
#include <vector>

inline void WriteSolidPng(const std::filesystem::path& file, uint8_t r, uint8_t g, uint8_t b, int size = 8) {
    std::vector<uint8_t> rgb(static_cast<size_t>(size) * size * 3);
    for (size_t i = 0; i < rgb.size(); i += 3) {
        rgb[i] = r;
        rgb[i + 1] = g;
        rgb[i + 2] = b;
    }
    stbi_write_png(file.string().c_str(), size, size, 3, rgb.data(), size * 3);
}
