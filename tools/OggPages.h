// Rewrites the stream serial number of every page of an Ogg file held in memory. The encoder picks
// a random serial, so without this the same samples would give different bytes on every build.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace OggPages {

inline uint32_t Crc(const unsigned char* data, size_t length) {
    static uint32_t table[256];
    static bool made = false;
    if (!made) {
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t r = i << 24;
            for (int k = 0; k < 8; ++k)
                r = (r & 0x80000000u) ? (r << 1) ^ 0x04C11DB7u : (r << 1);
            table[i] = r;
        }
        made = true;
    }
    uint32_t crc = 0;
    for (size_t i = 0; i < length; ++i)
        crc = (crc << 8) ^ table[((crc >> 24) & 0xFF) ^ data[i]];
    return crc;
}

inline uint32_t Read32(const unsigned char* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24; }
inline void Write32(unsigned char* p, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<unsigned char>(v >> (8 * i));
}

// Size of the page starting at `at`, or 0 when no complete page starts there.
inline size_t PageSize(const std::vector<unsigned char>& file, size_t at) {
    if (at + 27 > file.size() || file[at] != 'O' || file[at + 1] != 'g' || file[at + 2] != 'g' || file[at + 3] != 'S')
        return 0;
    const size_t segments = file[at + 26];
    if (at + 27 + segments > file.size())
        return 0;
    size_t body = 0;
    for (size_t i = 0; i < segments; ++i)
        body += file[at + 27 + i];
    const size_t size = 27 + segments + body;
    return at + size <= file.size() ? size : 0;
}

// Sets every page's serial and checksum. False when the data is not a sequence of whole pages.
inline bool SetSerial(std::vector<unsigned char>& file, uint32_t serial) {
    size_t at = 0;
    while (at < file.size()) {
        const size_t size = PageSize(file, at);
        if (size == 0)
            return false;
        Write32(&file[at + 14], serial);
        Write32(&file[at + 22], 0);
        Write32(&file[at + 22], Crc(&file[at], size));
        at += size;
    }
    return !file.empty();
}

// True when every page is whole, carries `serial` and has a correct checksum.
inline bool Verify(std::vector<unsigned char> file, uint32_t serial, int* pages = nullptr) {
    size_t at = 0;
    int count = 0;
    while (at < file.size()) {
        const size_t size = PageSize(file, at);
        if (size == 0 || Read32(&file[at + 14]) != serial)
            return false;
        const uint32_t stored = Read32(&file[at + 22]);
        Write32(&file[at + 22], 0);
        if (Crc(&file[at], size) != stored)
            return false;
        at += size;
        ++count;
    }
    if (pages)
        *pages = count;
    return count > 0;
}

} // namespace OggPages
