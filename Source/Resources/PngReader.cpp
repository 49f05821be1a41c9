// PNG through libspng, with its checks on: chunk CRCs, the zlib checksum and a complete image.
#include "Resources/ImageReaders.h"

#include "Base/StopRequest.h"

#include <spng.h>

#include <memory>

namespace {

// The decoder keeps the ancillary chunks it knows (text, colour profiles) and inflates the compressed
// ones; a hostile file could make it inflate gigabytes of text.
constexpr size_t MaxAncillaryBytes = size_t(64) << 20;

struct ContextFree {
    void operator()(spng_ctx* ctx) const { spng_ctx_free(ctx); }
};
using Context = std::unique_ptr<spng_ctx, ContextFree>;

Context Open(const uint8_t* data, size_t size) {
    Context ctx(spng_ctx_new(0));
    if (ctx && (spng_set_png_buffer(ctx.get(), data, size) != 0 ||
                spng_set_chunk_limits(ctx.get(), MaxAncillaryBytes, MaxAncillaryBytes) != 0))
        ctx.reset();
    return ctx;
}

bool Header(spng_ctx* ctx, spng_ihdr& ihdr, ImageError& error) {
    if (!ctx)
        return Refuse(error, ImageFault::Corrupt, "out of memory");
    if (const int result = spng_get_ihdr(ctx, &ihdr)) {
        error.fault = ImageFault::Corrupt;
        error.reason = spng_strerror(result);
        return false;
    }
    return true;
}

} // namespace

bool ReadPngSize(const uint8_t* data, size_t size, int& width, int& height, ImageError& error) {
    Context ctx = Open(data, size);
    spng_ihdr ihdr{};
    if (!Header(ctx.get(), ihdr, error))
        return false;
    // The format keeps each side below 2^31.
    width = static_cast<int>(ihdr.width);
    height = static_cast<int>(ihdr.height);
    return true;
}

bool DecodePng(const uint8_t* data, size_t size, DecodedImage& image, ImageError& error) {
    Context ctx = Open(data, size);
    spng_ihdr ihdr{};
    if (!Header(ctx.get(), ihdr, error))
        return false;
    if (ihdr.width > MaxDecodedImageEdge || ihdr.height > MaxDecodedImageEdge)
        return Refuse(error, ImageFault::Corrupt, "the image is too large");
    size_t bytes = 0;
    if (spng_decoded_image_size(ctx.get(), SPNG_FMT_RGBA8, &bytes) != 0 ||
        bytes != size_t(ihdr.width) * ihdr.height * 4)
        return Refuse(error, ImageFault::Corrupt, "unexpected decoded size");
    image.rgba.resize(bytes);
    // The transparency chunk becomes alpha; gamma is left alone, as the image's author saw it. Row by
    // row, so that a stop request ends a large image's decoding at once.
    int result = spng_decode_image(ctx.get(), nullptr, 0, SPNG_FMT_RGBA8, SPNG_DECODE_TRNS | SPNG_DECODE_PROGRESSIVE);
    const size_t rowBytes = size_t(ihdr.width) * 4;
    while (result == 0) {
        if (StopRequested())
            return Refuse(error, ImageFault::Stopped, "stopped");
        // An interlaced image visits its rows several times, in the order of its passes.
        spng_row_info row{};
        result = spng_get_row_info(ctx.get(), &row);
        if (result == 0)
            result = spng_decode_row(ctx.get(), image.rgba.data() + size_t(row.row_num) * rowBytes, rowBytes);
    }
    if (result != SPNG_EOI) {
        error.fault = ImageFault::Corrupt;
        error.reason = spng_strerror(result);
        return false;
    }
    image.width = static_cast<int>(ihdr.width);
    image.height = static_cast<int>(ihdr.height);
    return true;
}
