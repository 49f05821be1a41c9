// Turns the bytes of an image file into RGBA pixels, top row first. Image files come with downloaded
// presentations, so they are hostile input: PNG and JPEG go to libspng and libjpeg-turbo, BMP and TGA
// to stb_image once their layout has been checked against the file, and anything else is refused.
// A file whose data ends before its pixels do is refused too, never filled in.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Why a file was refused, as far as the texture messages tell them apart.
// Stopped: a stop request (SIGINT, SIGTERM) ended the decoding; nothing is wrong with the file.
enum class ImageFault { None, UnsupportedFormat, CorruptHuffmanTable, Corrupt, Stopped };

struct ImageError {
    ImageFault fault = ImageFault::None;
    std::string reason; // a few words for developers and tests, e.g. "the file ends before its pixels do"
};

struct DecodedImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgba; // width * height * 4 bytes, top row first
};

// Decoding refuses larger sides before it allocates anything.
constexpr int MaxDecodedImageEdge = 16384;

// Reads the size an image claims from its header alone, without decoding (and without the limit
// above, so that the caller can name the size it refuses).
bool ReadImageSize(const uint8_t* data, size_t size, int& width, int& height, ImageError& error);

// Decodes a whole BMP, PNG, JPEG or TGA file.
bool DecodeImage(const uint8_t* data, size_t size, DecodedImage& image, ImageError& error);
