// JPEG through libjpeg-turbo's libjpeg interface. The library carries on past damaged or missing data
// with a warning, filling in what it lacked; the warnings that mean lost pixels stop decoding here.
#include "Resources/ImageReaders.h"

#include "Base/StopRequest.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>

// jerror.h lists its codes by the configuration that jpeglib.h brings in, so it comes second.
// clang-format off
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

namespace {

// A progressive file may hold any number of scans, each of which costs a pass over the whole image:
// a few kilobytes of empty scans could keep the decoder busy for minutes. Real files have a dozen.
constexpr int MaxScans = 500;

struct ErrorManager {
    jpeg_error_mgr base; // first, so that the library's pointer to it is a pointer to this
    jmp_buf jump;
    int code = 0;
    char message[JMSG_LENGTH_MAX] = {};
};

// Reads from memory like the library's own memory source, except at the end of the data: it still
// hands the decoder an end-of-image marker, but instead of warning it remembers that the data ran out.
struct Source {
    jpeg_source_mgr base;
    bool ranOut = false;
};

const JOCTET EndOfImage[2] = {0xFF, JPEG_EOI};

[[noreturn]] void Fail(j_common_ptr cinfo, int code, const char* message) {
    ErrorManager* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    err->code = code;
    std::snprintf(err->message, sizeof err->message, "%s", message);
    std::longjmp(err->jump, 1);
}

[[noreturn]] void ErrorExit(j_common_ptr cinfo) {
    char message[JMSG_LENGTH_MAX];
    (*cinfo->err->format_message)(cinfo, message);
    Fail(cinfo, cinfo->err->msg_code, message);
}

void EmitMessage(j_common_ptr cinfo, int level) {
    if (level >= 0)
        return; // trace messages
    switch (cinfo->err->msg_code) {
    case JWRN_HIT_MARKER:    // the data of a scan ended early: the rest of it would be grey
    case JWRN_JPEG_EOF:      // the file ended early
    case JWRN_HUFF_BAD_CODE: // from here on the scan's data is lost
#if JPEG_LIB_VERSION >= 70 || defined(D_ARITH_CODING_SUPPORTED)
    case JWRN_ARITH_BAD_CODE:
#endif
    case JWRN_MUST_RESYNC: // a restart interval is missing
        ErrorExit(cinfo);
    default: // stray bytes between segments, unknown versions: every pixel is still there
        cinfo->err->num_warnings++;
    }
}

void OutputMessage(j_common_ptr) {} // the library would print to standard error

void InitSource(j_decompress_ptr) {}
void TermSource(j_decompress_ptr) {}

boolean FillInputBuffer(j_decompress_ptr cinfo) {
    Source* src = reinterpret_cast<Source*>(cinfo->src);
    src->ranOut = true;
    src->base.next_input_byte = EndOfImage;
    src->base.bytes_in_buffer = sizeof EndOfImage;
    return TRUE;
}

void SkipInputData(j_decompress_ptr cinfo, long count) {
    jpeg_source_mgr* src = cinfo->src;
    if (count <= 0)
        return;
    if (static_cast<unsigned long>(count) > src->bytes_in_buffer) {
        FillInputBuffer(cinfo);
        return;
    }
    src->next_input_byte += count;
    src->bytes_in_buffer -= static_cast<size_t>(count);
}

// The error code a stop request ends decoding with; the library's own codes are not negative.
constexpr int StoppedCode = -1;

void Progress(j_common_ptr cinfo) {
    // Called every few rows of blocks: a stop request ends a large image's decoding at once.
    if (StopRequested())
        Fail(cinfo, StoppedCode, "stopped");
    if (reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > MaxScans)
        Fail(cinfo, 0, "more scans than any image needs");
}

// One decompressor over a memory buffer. Errors arrive by longjmp at the setjmp in the functions
// below, so nothing here has a destructor to skip.
struct Decompressor {
    jpeg_decompress_struct cinfo;
    ErrorManager err;
    Source src;
    jpeg_progress_mgr progress;

    void Create(const uint8_t* data, size_t size) {
        cinfo.err = jpeg_std_error(&err.base);
        err.base.error_exit = ErrorExit;
        err.base.emit_message = EmitMessage;
        err.base.output_message = OutputMessage;
        jpeg_create_decompress(&cinfo);
        src.base.init_source = InitSource;
        src.base.fill_input_buffer = FillInputBuffer;
        src.base.skip_input_data = SkipInputData;
        src.base.resync_to_restart = jpeg_resync_to_restart;
        src.base.term_source = TermSource;
        src.base.next_input_byte = data;
        src.base.bytes_in_buffer = size;
        cinfo.src = &src.base;
        progress.progress_monitor = Progress;
        cinfo.progress = &progress;
    }

    bool Failed(ImageError& error) {
        jpeg_destroy_decompress(&cinfo);
        if (err.code == StoppedCode)
            return Refuse(error, ImageFault::Stopped, "stopped");
        // Whatever the decoder made of the end-of-image marker it was handed, the file was cut short.
        if (src.ranOut)
            return Refuse(error, ImageFault::Corrupt, "the file ends before its pixels do");
        error.fault = err.code == JERR_BAD_HUFF_TABLE ? ImageFault::CorruptHuffmanTable : ImageFault::Corrupt;
        error.reason = err.message;
        return false;
    }
};

// Adobe's CMYK is stored inverted (255 is no ink), so the product of a channel and black is the
// colour; rounded the way it has always been for these files.
uint8_t Multiply(unsigned x, unsigned y) {
    const unsigned t = x * y + 128;
    return static_cast<uint8_t>((t + (t >> 8)) >> 8);
}

} // namespace

bool ReadJpegSize(const uint8_t* data, size_t size, int& width, int& height, ImageError& error) {
    Decompressor d;
    if (setjmp(d.err.jump))
        return d.Failed(error);
    d.Create(data, size);
    jpeg_read_header(&d.cinfo, TRUE);
    width = static_cast<int>(d.cinfo.image_width);
    height = static_cast<int>(d.cinfo.image_height);
    jpeg_destroy_decompress(&d.cinfo);
    return true;
}

bool DecodeJpeg(const uint8_t* data, size_t size, DecodedImage& image, ImageError& error) {
    Decompressor d;
    if (setjmp(d.err.jump))
        return d.Failed(error);
    d.Create(data, size);
    jpeg_read_header(&d.cinfo, TRUE);
    if (d.cinfo.image_width > MaxDecodedImageEdge || d.cinfo.image_height > MaxDecodedImageEdge)
        Fail(reinterpret_cast<j_common_ptr>(&d.cinfo), 0, "the image is too large");
    // The library turns grey, YCbCr and RGB into RGBA itself; CMYK and YCCK come out as CMYK.
    const bool cmyk = d.cinfo.jpeg_color_space == JCS_CMYK || d.cinfo.jpeg_color_space == JCS_YCCK;
    d.cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_RGBA;
    // A file that ends right after the data of its only scan lacks nothing but the end marker. With
    // several scans, whole scans may be missing; arithmetic coding reads zeros past the end silently.
    const bool endMatters = jpeg_has_multiple_scans(&d.cinfo) || d.cinfo.arith_code;
    jpeg_start_decompress(&d.cinfo);
    const JDIMENSION width = d.cinfo.output_width, height = d.cinfo.output_height;
    if (d.cinfo.output_components != 4 || width != d.cinfo.image_width || height != d.cinfo.image_height)
        Fail(reinterpret_cast<j_common_ptr>(&d.cinfo), 0, "unexpected output format");
    image.rgba.resize(size_t(width) * height * 4);
    while (d.cinfo.output_scanline < height) {
        JSAMPROW row = image.rgba.data() + size_t(d.cinfo.output_scanline) * width * 4;
        if (jpeg_read_scanlines(&d.cinfo, &row, 1) != 1)
            Fail(reinterpret_cast<j_common_ptr>(&d.cinfo), 0, "no scanline");
    }
    // Reads on to the end-of-image marker, checking the segments after the last scan.
    jpeg_finish_decompress(&d.cinfo);
    if (d.src.ranOut && endMatters)
        Fail(reinterpret_cast<j_common_ptr>(&d.cinfo), 0, "the file ends before its pixels do");
    jpeg_destroy_decompress(&d.cinfo);

    if (cmyk) {
        for (uint8_t* p = image.rgba.data(); p != image.rgba.data() + image.rgba.size(); p += 4) {
            const uint8_t k = p[3];
            p[0] = Multiply(p[0], k);
            p[1] = Multiply(p[1], k);
            p[2] = Multiply(p[2], k);
            p[3] = 255;
        }
    }
    image.width = static_cast<int>(width);
    image.height = static_cast<int>(height);
    return true;
}
