#include "Resources/ImageScreen.h"

#include <cstring>

namespace {

bool StartsWith(const std::vector<uint8_t>& bytes, const char* magic, size_t length) {
    return bytes.size() >= length && std::memcmp(bytes.data(), magic, length) == 0;
}

// Past the end the decoder reads zeros; so does this.
int ByteAt(const std::vector<uint8_t>& bytes, size_t i) { return i < bytes.size() ? bytes[i] : 0; }

// The decoder keeps at most 256 codes per Huffman table but fills in as many as the table's sixteen
// length counts add up to. Checks the define-Huffman-table segment whose marker byte is at `marker`
// the way the decoder reads it: true when every table in it fits.
bool HuffmanSegmentFits(const std::vector<uint8_t>& bytes, size_t marker) {
    size_t p = marker + 1;
    long remaining = (ByteAt(bytes, p) << 8 | ByteAt(bytes, p + 1)) - 2;
    p += 2;
    while (remaining > 0 && p < bytes.size()) {
        const int q = ByteAt(bytes, p++);
        if ((q >> 4) > 1 || (q & 15) > 3)
            return true; // the decoder stops at this table with an error of its own
        long codes = 0;
        for (int i = 0; i < 16; ++i)
            codes += ByteAt(bytes, p++);
        if (codes > 256)
            return false;
        p += static_cast<size_t>(codes);
        remaining -= 17 + codes;
    }
    return true;
}

// Visits every place a table segment can be read: the segments before the first scan are walked by
// their lengths, junk between them skipped as the decoder skips it; inside and after the scans any
// 0xFF 0xC4 pair may be a marker, so each one is checked.
bool JpegTablesFit(const std::vector<uint8_t>& bytes, size_t afterStart) {
    const size_t size = bytes.size();
    size_t p = afterStart;
    for (;;) {
        while (p < size && bytes[p] != 0xFF)
            ++p;
        while (p < size && bytes[p] == 0xFF)
            ++p;
        if (p >= size)
            return true;
        const int marker = bytes[p];
        if (marker == 0xD8 || marker == 0xD9 || (marker >= 0xD0 && marker <= 0xD7) || marker == 0x01) {
            ++p;
            continue;
        }
        if (marker == 0xC4 && !HuffmanSegmentFits(bytes, p))
            return false;
        if (marker == 0xDA)
            break;
        p += 1 + static_cast<size_t>(ByteAt(bytes, p + 1) << 8 | ByteAt(bytes, p + 2));
    }
    for (size_t i = p; i + 1 < size; ++i)
        if (bytes[i] == 0xFF && bytes[i + 1] == 0xC4 && !HuffmanSegmentFits(bytes, i + 1))
            return false;
    return true;
}

// The decoder takes a file for JPEG when it opens with a start-of-image marker, and like any marker
// that one may be preceded by any number of 0xFF fill bytes. Returns the position after it, or 0.
size_t JpegStart(const std::vector<uint8_t>& bytes) {
    size_t p = 0;
    if (ByteAt(bytes, p) != 0xFF)
        return 0;
    while (p < bytes.size() && bytes[p] == 0xFF)
        ++p;
    return ByteAt(bytes, p) == 0xD8 ? p + 1 : 0;
}

} // namespace

ImageScreenResult ScreenImage(const std::vector<uint8_t>& bytes) {
    if (const size_t afterStart = JpegStart(bytes))
        return JpegTablesFit(bytes, afterStart) ? ImageScreenResult::Accepted : ImageScreenResult::CorruptJpeg;
    if (StartsWith(bytes, "\x89PNG\r\n\x1a\n", 8) || StartsWith(bytes, "BM", 2))
        return ImageScreenResult::Accepted;
    // TGA has no signature: it is what is left once every format the decoder tries before it is
    // ruled out by the same prefix test the decoder applies (GIF, PSD, PIC, HDR, binary PNM).
    const bool otherFormat = StartsWith(bytes, "GIF8", 4) || StartsWith(bytes, "8BPS", 4) ||
                             StartsWith(bytes, "\x53\x80\xf6\x34", 4) || StartsWith(bytes, "#?", 2) ||
                             StartsWith(bytes, "P5", 2) || StartsWith(bytes, "P6", 2);
    return otherFormat ? ImageScreenResult::UnsupportedFormat : ImageScreenResult::Accepted;
}
