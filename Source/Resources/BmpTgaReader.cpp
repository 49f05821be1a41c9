// BMP and TGA through stb_image, compiled here for these two formats alone. stb reads zeros (or leaves
// memory as it was) wherever a file ends early, and looks up palette entries a BMP never defined, so
// the layout is worked out from the header first, the way stb will read it, and checked against the
// file: an image whose data ends before its pixels do is refused.
#include "Resources/ImageReaders.h"

#include <algorithm>
#include <climits>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wunused-parameter"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wimplicit-fallthrough"
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_BMP
#define STBI_ONLY_TGA
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_MAX_DIMENSIONS 65536
#include <stb_image.h>
#pragma GCC diagnostic pop

namespace {

// Little-endian fields; the caller has checked that they lie inside the file.
unsigned U16(const uint8_t* p) { return p[0] | p[1] << 8; }
uint32_t U32(const uint8_t* p) { return U16(p) | uint32_t(U16(p + 2)) << 16; }

const char* const EndsEarly = "the file ends before its pixels do";

bool Truncated(ImageError& error) { return Refuse(error, ImageFault::Corrupt, EndsEarly); }

// What stb's BMP reader will read: the size, where the rows start and how long each is.
struct BmpLayout {
    int width = 0, height = 0;
    int bitsPerPixel = 0;
    int paletteSize = 0;    // entries, for 1, 4 and 8 bits per pixel
    int64_t pixelStart = 0; // the file offset of the first row
    int64_t rowBytes = 0;   // without the padding to four bytes
};

bool ReadBmpLayout(const uint8_t* data, size_t size, BmpLayout& layout, ImageError& error) {
    if (size < 18)
        return Truncated(error);
    const int64_t offset = static_cast<int32_t>(U32(data + 10));
    const uint32_t headerSize = U32(data + 14);
    if (headerSize != 12 && headerSize != 40 && headerSize != 56 && headerSize != 108 && headerSize != 124)
        return Refuse(error, ImageFault::Corrupt, "unknown BMP header");
    int64_t headerEnd = 14 + int64_t(headerSize);
    if (size < static_cast<size_t>(headerEnd))
        return Truncated(error);
    int64_t height = 0;
    int compression = 0;
    if (headerSize == 12) {
        layout.width = static_cast<int>(U16(data + 18));
        height = U16(data + 20);
        layout.bitsPerPixel = static_cast<int>(U16(data + 24));
    } else {
        layout.width = static_cast<int32_t>(U32(data + 18));
        height = static_cast<int32_t>(U32(data + 22)); // negative: the rows run top to bottom
        layout.bitsPerPixel = static_cast<int>(U16(data + 28));
        compression = static_cast<int32_t>(U32(data + 30));
        // Three channel masks follow the shorter headers in bit-field images.
        if ((headerSize == 40 || headerSize == 56) && compression == 3 &&
            (layout.bitsPerPixel == 16 || layout.bitsPerPixel == 32))
            headerEnd += 12;
        if (size < static_cast<size_t>(headerEnd))
            return Truncated(error);
    }
    height = height < 0 ? -height : height;
    if (height > INT_MAX)
        return Refuse(error, ImageFault::Corrupt, "bad BMP height");
    layout.height = static_cast<int>(height);
    if (offset < 0)
        return Refuse(error, ImageFault::Corrupt, "bad BMP offset");

    const int64_t width = layout.width;
    int64_t consumed = headerEnd; // what stb has read when it skips to the offset
    switch (layout.bitsPerPixel) {
    case 1:
        layout.rowBytes = (width + 7) / 8;
        break;
    case 4:
        layout.rowBytes = (width + 1) / 2;
        break;
    case 8:
        layout.rowBytes = width;
        break;
    case 16:
        layout.rowBytes = 2 * width;
        break;
    case 24:
        layout.rowBytes = 3 * width;
        break;
    case 32:
        layout.rowBytes = 4 * width;
        break;
    default:
        return Refuse(error, ImageFault::Corrupt, "unsupported BMP pixel size");
    }
    if (layout.bitsPerPixel < 16) {
        // stb sizes the palette from the gap between header and pixels, with its own sum for the
        // oldest header; entries beyond it are never read, so pixels must not name them.
        const int64_t entries = headerSize == 12 ? (offset - 14 - 24) / 3 : (offset - 14 - headerSize) >> 2;
        if (entries < 1 || entries > 256)
            return Refuse(error, ImageFault::Corrupt, "bad BMP palette");
        layout.paletteSize = static_cast<int>(entries);
        consumed += entries * (headerSize == 12 ? 3 : 4);
    }
    if (offset < consumed)
        return Refuse(error, ImageFault::Corrupt, "bad BMP offset");
    layout.pixelStart = offset;
    return true;
}

// True when every pixel of a palette image names an entry of its palette.
bool PaletteIndicesFit(const uint8_t* data, const BmpLayout& layout) {
    const int bits = layout.bitsPerPixel;
    if (layout.paletteSize >= (1 << bits))
        return true;
    const int64_t stride = (layout.rowBytes + 3) & ~int64_t(3);
    for (int y = 0; y < layout.height; ++y) {
        const uint8_t* row = data + layout.pixelStart + y * stride;
        for (int x = 0; x < layout.width; ++x) {
            int index = 0;
            if (bits == 8)
                index = row[x];
            else if (bits == 4)
                index = (row[x / 2] >> (x % 2 ? 0 : 4)) & 15;
            else
                index = (row[x / 8] >> (7 - x % 8)) & 1;
            if (index >= layout.paletteSize)
                return false;
        }
    }
    return true;
}

// What stb's TGA reader will read. Mirrors its test of the header, so that no file it would take
// is refused here.
struct TgaLayout {
    int width = 0, height = 0;
    bool runLength = false;
    int64_t pixelStart = 0; // after the header, the image id and the palette
    int pixelBytes = 0;     // per stored pixel or palette index
};

bool ReadTgaLayout(const uint8_t* data, size_t size, TgaLayout& layout, ImageError& error) {
    if (size < 18)
        return Refuse(error, ImageFault::Corrupt, "no image header");
    const int mapType = data[1], type = data[2], paletteBits = data[7], bits = data[16];
    const int width = static_cast<int>(U16(data + 12)), height = static_cast<int>(U16(data + 14));
    bool headerOk = mapType <= 1 && width >= 1 && height >= 1 &&
                    (bits == 8 || bits == 15 || bits == 16 || bits == 24 || bits == 32);
    if (mapType == 1)
        headerOk =
            headerOk && (type == 1 || type == 9) && (bits == 8 || bits == 16) &&
            (paletteBits == 8 || paletteBits == 15 || paletteBits == 16 || paletteBits == 24 || paletteBits == 32);
    else
        headerOk = headerOk && (type == 2 || type == 3 || type == 10 || type == 11);
    if (!headerOk)
        return Refuse(error, ImageFault::Corrupt, "no image header");

    layout.width = width;
    layout.height = height;
    layout.runLength = type >= 8;
    const bool indexed = mapType == 1, grey = type == 3 || type == 11;
    // Channels as stb counts them; 15 and 16 bits are five-bit RGB in two bytes, except 16-bit grey.
    const int channelBits = indexed ? paletteBits : bits;
    const bool rgb16 = channelBits == 15 || (channelBits == 16 && (indexed || !grey));
    const int channels = rgb16 ? 3 : channelBits / 8;
    layout.pixelStart = 18 + int64_t(data[0]);
    if (indexed) {
        const int64_t paletteStart = U16(data + 3), paletteLength = U16(data + 5);
        if (paletteLength == 0)
            return Refuse(error, ImageFault::Corrupt, "bad TGA palette");
        // stb skips the first-entry field as bytes, then reads the entries.
        layout.pixelStart += paletteStart + paletteLength * (rgb16 ? 2 : channels);
        layout.pixelBytes = bits / 8;
    } else {
        layout.pixelBytes = rgb16 ? 2 : channels;
    }
    return true;
}

// Where the pixel data ends, walking the run-length packets as stb does: a packet's count byte, then
// one pixel that repeats or as many pixels as it counts. A packet may run past a row and past the
// last pixel; only the pixels the image needs are read. -1 when the file ends first.
int64_t TgaRunLengthEnd(const uint8_t* data, size_t size, const TgaLayout& layout) {
    int64_t position = layout.pixelStart;
    int64_t remaining = int64_t(layout.width) * layout.height;
    while (remaining > 0) {
        if (position >= static_cast<int64_t>(size))
            return -1;
        const int command = data[position++];
        const int64_t count = std::min<int64_t>(1 + (command & 127), remaining);
        position += (command & 128) ? layout.pixelBytes : count * layout.pixelBytes;
        remaining -= count;
    }
    return position <= static_cast<int64_t>(size) ? position : -1;
}

bool DecodeWithStb(const uint8_t* data, size_t size, int width, int height, DecodedImage& image, ImageError& error) {
    if (width > MaxDecodedImageEdge || height > MaxDecodedImageEdge || size > static_cast<size_t>(INT_MAX))
        return Refuse(error, ImageFault::Corrupt, "the image is too large");
    int x = 0, y = 0, channels = 0;
    stbi_uc* pixels = stbi_load_from_memory(data, static_cast<int>(size), &x, &y, &channels, 4);
    if (!pixels) {
        const char* reason = stbi_failure_reason();
        return Refuse(error, ImageFault::Corrupt, reason ? reason : "not decoded");
    }
    const bool expected = x == width && y == height;
    if (expected) {
        image.rgba.assign(pixels, pixels + size_t(x) * size_t(y) * 4);
        image.width = x;
        image.height = y;
    }
    stbi_image_free(pixels);
    return expected || Refuse(error, ImageFault::Corrupt, "the decoder produced an unexpected size");
}

} // namespace

bool ReadBmpSize(const uint8_t* data, size_t size, int& width, int& height, ImageError& error) {
    BmpLayout layout;
    if (!ReadBmpLayout(data, size, layout, error))
        return false;
    width = layout.width;
    height = layout.height;
    return true;
}

bool DecodeBmp(const uint8_t* data, size_t size, DecodedImage& image, ImageError& error) {
    BmpLayout layout;
    if (!ReadBmpLayout(data, size, layout, error))
        return false;
    if (layout.width < 1 || layout.height < 1 || layout.width > MaxDecodedImageEdge ||
        layout.height > MaxDecodedImageEdge)
        return Refuse(error, ImageFault::Corrupt, "the image is too large");
    // The last row's padding is not pixels: a file may end without it.
    const int64_t stride = (layout.rowBytes + 3) & ~int64_t(3);
    if (layout.pixelStart + stride * (layout.height - 1) + layout.rowBytes > static_cast<int64_t>(size))
        return Truncated(error);
    if (layout.paletteSize > 0 && !PaletteIndicesFit(data, layout))
        return Refuse(error, ImageFault::Corrupt, "a pixel names a colour beyond the palette");
    return DecodeWithStb(data, size, layout.width, layout.height, image, error);
}

bool ReadTgaSize(const uint8_t* data, size_t size, int& width, int& height, ImageError& error) {
    TgaLayout layout;
    if (!ReadTgaLayout(data, size, layout, error))
        return false;
    width = layout.width;
    height = layout.height;
    return true;
}

bool DecodeTga(const uint8_t* data, size_t size, DecodedImage& image, ImageError& error) {
    TgaLayout layout;
    if (!ReadTgaLayout(data, size, layout, error))
        return false;
    const int64_t pixels = int64_t(layout.width) * layout.height;
    const int64_t end =
        layout.runLength ? TgaRunLengthEnd(data, size, layout) : layout.pixelStart + pixels * layout.pixelBytes;
    if (end < 0 || end > static_cast<int64_t>(size))
        return Truncated(error);
    return DecodeWithStb(data, size, layout.width, layout.height, image, error);
}
