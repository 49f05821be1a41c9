// A mono 16-bit PCM WAV at 44.1 kHz written to a file, its samples from a formula, for tests that need
// music with known content.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>

// `sample(i)` is frame i's value, -32768 to 32767.
inline void WriteMonoWav(const std::filesystem::path& file, int frames, const std::function<int16_t(int)>& sample) {
    const uint32_t rate = 44100, bytes = static_cast<uint32_t>(frames) * 2;
    std::ofstream out(file, std::ios::binary);
    auto u32 = [&](uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
    auto u16 = [&](uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
    out.write("RIFF", 4);
    u32(36 + bytes);
    out.write("WAVEfmt ", 8);
    u32(16);
    u16(1); // PCM
    u16(1); // one channel
    u32(rate);
    u32(rate * 2);
    u16(2);
    u16(16);
    out.write("data", 4);
    u32(bytes);
    for (int i = 0; i < frames; ++i)
        u16(static_cast<uint16_t>(sample(i)));
}
