// The readers behind ImageDecoder, one per family of formats, for ImageDecoder.cpp alone. Each reads
// the size from a header or decodes a whole file of its format into RGBA pixels, top row first, and
// reports a fault it finds in `error`.
#pragma once

#include "Resources/ImageDecoder.h"

#include <cstddef>
#include <cstdint>

bool ReadPngSize(const uint8_t* data, size_t size, int& width, int& height, ImageError& error);
bool DecodePng(const uint8_t* data, size_t size, DecodedImage& image, ImageError& error);

// `data` starts at the start-of-image marker.
bool ReadJpegSize(const uint8_t* data, size_t size, int& width, int& height, ImageError& error);
bool DecodeJpeg(const uint8_t* data, size_t size, DecodedImage& image, ImageError& error);

// BMP and TGA share one reader: stb_image decodes them once the layout in the header has been checked
// against the file's length.
bool ReadBmpSize(const uint8_t* data, size_t size, int& width, int& height, ImageError& error);
bool DecodeBmp(const uint8_t* data, size_t size, DecodedImage& image, ImageError& error);
bool ReadTgaSize(const uint8_t* data, size_t size, int& width, int& height, ImageError& error);
bool DecodeTga(const uint8_t* data, size_t size, DecodedImage& image, ImageError& error);

// Sets `error` and returns false, for the readers' many failure paths.
inline bool Refuse(ImageError& error, ImageFault fault, const char* reason) {
    error.fault = fault;
    error.reason = reason;
    return false;
}
