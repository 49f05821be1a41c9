#include "Resources/ImageDecoder.h"

#include "Resources/ImageReaders.h"

#include <cstring>

namespace {

enum class ImageFormat { Jpeg, Png, Bmp, Tga, Unsupported };

bool StartsWith(const uint8_t* data, size_t size, const char* magic, size_t length) {
    return size >= length && std::memcmp(data, magic, length) == 0;
}

// A JPEG opens with a start-of-image marker, which like any marker may follow any number of 0xFF
// fill bytes. Returns where the marker starts (its last 0xFF), or `size` when there is none.
size_t JpegStart(const uint8_t* data, size_t size) {
    size_t p = 0;
    while (p < size && data[p] == 0xFF)
        ++p;
    return p > 0 && p < size && data[p] == 0xD8 ? p - 1 : size;
}

// TGA has no signature: it is what is left once the formats with one are ruled out. Files that open
// like GIF, PSD, PIC, HDR or binary PNM are not taken for TGA, so that they get a clear message.
ImageFormat Detect(const uint8_t* data, size_t size, size_t& jpegStart) {
    jpegStart = JpegStart(data, size);
    if (jpegStart < size)
        return ImageFormat::Jpeg;
    if (StartsWith(data, size, "\x89PNG\r\n\x1a\n", 8))
        return ImageFormat::Png;
    if (StartsWith(data, size, "BM", 2))
        return ImageFormat::Bmp;
    const bool otherFormat = StartsWith(data, size, "GIF8", 4) || StartsWith(data, size, "8BPS", 4) ||
                             StartsWith(data, size, "\x53\x80\xf6\x34", 4) || StartsWith(data, size, "#?", 2) ||
                             StartsWith(data, size, "P5", 2) || StartsWith(data, size, "P6", 2);
    return otherFormat ? ImageFormat::Unsupported : ImageFormat::Tga;
}

} // namespace

bool ReadImageSize(const uint8_t* data, size_t size, int& width, int& height, ImageError& error) {
    error = ImageError();
    size_t jpegStart = 0;
    switch (Detect(data, size, jpegStart)) {
    case ImageFormat::Jpeg:
        return ReadJpegSize(data + jpegStart, size - jpegStart, width, height, error);
    case ImageFormat::Png:
        return ReadPngSize(data, size, width, height, error);
    case ImageFormat::Bmp:
        return ReadBmpSize(data, size, width, height, error);
    case ImageFormat::Tga:
        return ReadTgaSize(data, size, width, height, error);
    case ImageFormat::Unsupported:
        break;
    }
    return Refuse(error, ImageFault::UnsupportedFormat, "not a BMP, PNG, JPEG or TGA image");
}

bool DecodeImage(const uint8_t* data, size_t size, DecodedImage& image, ImageError& error) {
    error = ImageError();
    image = DecodedImage();
    size_t jpegStart = 0;
    bool decoded = false;
    switch (Detect(data, size, jpegStart)) {
    case ImageFormat::Jpeg:
        decoded = DecodeJpeg(data + jpegStart, size - jpegStart, image, error);
        break;
    case ImageFormat::Png:
        decoded = DecodePng(data, size, image, error);
        break;
    case ImageFormat::Bmp:
        decoded = DecodeBmp(data, size, image, error);
        break;
    case ImageFormat::Tga:
        decoded = DecodeTga(data, size, image, error);
        break;
    case ImageFormat::Unsupported:
        return Refuse(error, ImageFault::UnsupportedFormat, "not a BMP, PNG, JPEG or TGA image");
    }
    // Every reader promises this; a broken promise must not reach the caller as pixels.
    if (decoded && (image.width < 1 || image.height < 1 || image.width > MaxDecodedImageEdge ||
                    image.height > MaxDecodedImageEdge ||
                    image.rgba.size() != static_cast<size_t>(image.width) * static_cast<size_t>(image.height) * 4))
        decoded = Refuse(error, ImageFault::Corrupt, "the decoder produced an unexpected size");
    if (!decoded)
        image = DecodedImage();
    return decoded;
}
