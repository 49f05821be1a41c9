// Encodes rendered frames as PNG files: 8-bit RGB (a rendered frame is opaque), every row with the
// "sub" filter, compressed by libdeflate at a fast level. Capture keeps one encoder per thread; it
// reuses its compressor and buffers from frame to frame.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct libdeflate_compressor;

class CPngEncoder {
public:
    // Chosen by measurement on rendered frames (docs/performance.md): level 2 with the sub filter
    // takes an eighth of the time of the encoder used before, for files almost a third smaller.
    static constexpr int CompressionLevel = 2;

    CPngEncoder() = default;
    ~CPngEncoder();
    CPngEncoder(const CPngEncoder&) = delete;
    CPngEncoder& operator=(const CPngEncoder&) = delete;

    // Encodes RGBA8 pixels, top row first, into `png` (replacing its contents). False for a size of
    // no pixels, one a PNG cannot hold, or a compressor that could not be made; never logs, so that
    // it may run on any thread.
    bool Encode(const uint8_t* rgba, int width, int height, std::vector<uint8_t>& png);
    // Encodes and writes one file; false when it could not be written completely, in which case
    // nothing is left under `path`. Never logs.
    bool WriteFile(const std::string& path, const uint8_t* rgba, int width, int height);
    // As WriteFile, but only as a new file: whatever is at `path` (a file, a link) is neither
    // replaced nor followed, and `taken` says that the name was in use.
    bool WriteNewFile(const std::string& path, const uint8_t* rgba, int width, int height, bool& taken);

private:
    libdeflate_compressor* compressor = nullptr;
    std::vector<uint8_t> filtered;   // the rows as the PNG stream holds them: filter byte, then RGB
    std::vector<uint8_t> compressed; // the zlib stream of `filtered`
    std::vector<uint8_t> file;       // WriteFile's encoded bytes
};
