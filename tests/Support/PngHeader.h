// The first bytes of a PNG file: signature and header chunk, with its checksum, claiming any size and
// holding no pixels. For tests of what a header alone makes the texture path do.
#pragma once

#include <cstdint>
#include <string>

inline uint32_t PngCrc(const std::string& bytes) {
    uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char c : bytes) {
        crc ^= c;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return crc ^ 0xFFFFFFFFu;
}

// 8-bit RGB of the given size.
inline std::string PngHeader(uint32_t w, uint32_t h) {
    auto bigEndian = [](uint32_t v) {
        std::string s;
        for (int shift = 24; shift >= 0; shift -= 8)
            s += static_cast<char>((v >> shift) & 0xFF);
        return s;
    };
    const std::string chunk = "IHDR" + bigEndian(w) + bigEndian(h) + std::string("\x08\x02\0\0\0", 5);
    return std::string("\x89PNG\r\n\x1a\n\0\0\0\x0d", 12) + chunk + bigEndian(PngCrc(chunk));
}
