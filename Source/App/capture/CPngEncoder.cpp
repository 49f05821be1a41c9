#include "App/capture/CPngEncoder.h"

#include "Base/Utf8Path.h"
#include "Platform/NativeFile.h"
#include "Platform/NewFile.h"

#include <libdeflate.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

// PNG limits a chunk's data to 2^31 - 1 bytes; a large frame's compressed stream is split over
// several IDAT chunks, as decoders expect.
constexpr size_t MaxChunk = size_t(1) << 30;
// PNG allows 2^31 - 1 pixels a side; the rows must also fit in memory, which a frame of the largest
// capture size (16384 × 16384) does.
constexpr int MaxSide = 1 << 16;

void PutBigEndian(std::vector<uint8_t>& out, uint32_t value) {
    const uint8_t bytes[4] = {uint8_t(value >> 24), uint8_t(value >> 16), uint8_t(value >> 8), uint8_t(value)};
    out.insert(out.end(), bytes, bytes + 4);
}

void PutChunk(std::vector<uint8_t>& out, const char* type, const uint8_t* data, size_t size) {
    PutBigEndian(out, static_cast<uint32_t>(size));
    const size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    if (size)
        out.insert(out.end(), data, data + size);
    PutBigEndian(out, libdeflate_crc32(0, out.data() + start, size + 4));
}

} // namespace

CPngEncoder::~CPngEncoder() {
    if (compressor)
        libdeflate_free_compressor(compressor);
}

bool CPngEncoder::Encode(const uint8_t* rgba, int width, int height, std::vector<uint8_t>& png) {
    png.clear();
    if (!rgba || width <= 0 || height <= 0 || width > MaxSide || height > MaxSide)
        return false;
    if (!compressor && !(compressor = libdeflate_alloc_compressor(CompressionLevel)))
        return false;

    // Each row: the sub filter's type byte, then each byte minus the same byte of the pixel to its
    // left. Rendered frames hold wide runs of nearly equal colours, which this turns into runs of
    // small numbers that compress well, at a fraction of the cost of choosing a filter per row.
    const size_t pixels = static_cast<size_t>(width), rowBytes = pixels * 3 + 1;
    filtered.resize(rowBytes * static_cast<size_t>(height));
    for (int y = 0; y < height; ++y) {
        const uint8_t* in = rgba + static_cast<size_t>(y) * pixels * 4;
        uint8_t* out = filtered.data() + static_cast<size_t>(y) * rowBytes;
        *out++ = 1;
        uint8_t r = 0, g = 0, b = 0;
        for (size_t x = 0; x < pixels; ++x, in += 4, out += 3) {
            out[0] = static_cast<uint8_t>(in[0] - r);
            out[1] = static_cast<uint8_t>(in[1] - g);
            out[2] = static_cast<uint8_t>(in[2] - b);
            r = in[0];
            g = in[1];
            b = in[2];
        }
    }

    compressed.resize(libdeflate_zlib_compress_bound(compressor, filtered.size()));
    const size_t size =
        libdeflate_zlib_compress(compressor, filtered.data(), filtered.size(), compressed.data(), compressed.size());
    if (size == 0)
        return false;

    static const uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    png.reserve(size + 64 + (size / MaxChunk) * 12);
    png.insert(png.end(), signature, signature + 8);
    uint8_t header[13] = {};
    for (int i = 0; i < 4; ++i) {
        header[i] = static_cast<uint8_t>(static_cast<uint32_t>(width) >> (24 - 8 * i));
        header[4 + i] = static_cast<uint8_t>(static_cast<uint32_t>(height) >> (24 - 8 * i));
    }
    header[8] = 8; // bits per sample
    header[9] = 2; // truecolour: RGB
    PutChunk(png, "IHDR", header, sizeof header);
    for (size_t at = 0; at < size; at += MaxChunk)
        PutChunk(png, "IDAT", compressed.data() + at, std::min(MaxChunk, size - at));
    PutChunk(png, "IEND", nullptr, 0);
    return true;
}

bool CPngEncoder::WriteNewFile(const std::string& path, const uint8_t* rgba, int width, int height, bool& taken) {
    taken = false;
    if (!Encode(rgba, width, height, file))
        return false;
    std::string error;
    const NewFileResult made = ::WriteNewFile(path, file.data(), file.size(), error);
    taken = made == NewFileResult::Taken;
    return made == NewFileResult::Created;
}

bool CPngEncoder::WriteFile(const std::string& path, const uint8_t* rgba, int width, int height) {
    if (!Encode(rgba, width, height, file))
        return false;
    std::FILE* out = OpenNativeStdioFile(path, "wb");
    if (!out)
        return false;
    bool written = std::fwrite(file.data(), 1, file.size(), out) == file.size();
    written = std::fclose(out) == 0 && written;
    if (!written) {
        std::error_code ignored;
        std::filesystem::remove(PathFromUtf8(path), ignored); // a truncated picture is worse than none
    }
    return written;
}
