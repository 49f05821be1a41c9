// The image decoders give every picture the pixels it had before them (stb_image, which decoded every
// format until then, is the reference), and refuse an image whose data ends before its pixels do.
#include "Resources/ImageDecoder.h"
#include "Base/StopRequest.h"
#include "Testing/TempFolder.h"

#include <gtest/gtest.h>

#include <csignal>
#include <stb_image.h>
#include <stb_image_write.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

const std::string Images = std::string(QV_SOURCE_DIR) + "/tests/data/images/";

std::string Read(const std::string& name) { return TempFolder::Read(Images + name); }

bool Decode(const std::string& file, DecodedImage& image, ImageError& error) {
    return DecodeImage(reinterpret_cast<const uint8_t*>(file.data()), file.size(), image, error);
}

ImageError Refusal(const std::string& file) {
    DecodedImage image;
    ImageError error;
    EXPECT_FALSE(Decode(file, image, error));
    EXPECT_TRUE(image.rgba.empty());
    return error;
}

// Decodes `file` both ways and compares every channel. JPEG decoders round differently: libjpeg-turbo
// alternates its rounding when it doubles the colour planes, and one step of colour difference can
// become two of red or blue; nearly every channel is still the same.
void ExpectPixelsAsStbGave(const std::string& name, const std::string& file, int tolerance) {
    SCOPED_TRACE(name);
    int width = 0, height = 0, channels = 0;
    stbi_uc* reference = stbi_load_from_memory(reinterpret_cast<const stbi_uc*>(file.data()),
                                               static_cast<int>(file.size()), &width, &height, &channels, 4);
    ASSERT_NE(reference, nullptr) << stbi_failure_reason();
    DecodedImage image;
    ImageError error;
    ASSERT_TRUE(Decode(file, image, error)) << error.reason;
    ASSERT_EQ(image.width, width);
    ASSERT_EQ(image.height, height);
    int worst = 0;
    size_t same = 0;
    for (size_t i = 0; i < image.rgba.size(); ++i) {
        worst = std::max(worst, std::abs(int(image.rgba[i]) - int(reference[i])));
        same += image.rgba[i] == reference[i];
    }
    stbi_image_free(reference);
    EXPECT_LE(worst, tolerance);
    EXPECT_GE(same, image.rgba.size() * 9 / 10);
}

void Append(void* context, void* data, int size) {
    static_cast<std::string*>(context)->append(static_cast<const char*>(data), size);
}

// A picture with every channel varying, for the encoders stb writes with.
std::vector<uint8_t> Picture(int w, int h) {
    std::vector<uint8_t> rgba;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            rgba.insert(rgba.end(),
                        {uint8_t(x * 255 / w), uint8_t(y * 255 / h), uint8_t((x * y) & 255), uint8_t(255 - x * 3)});
    return rgba;
}

TEST(ImageDecoderTest, EveryKindOfImageKeepsItsPixels) {
    for (const char* name : {"palette-trns.png", "rgba16.png", "grey2.png", "interlaced.png", "palette8.bmp",
                             "palette4.bmp", "mono.bmp", "rgba32.bmp", "indexed.tga", "rgba-rle.tga", "grey.tga"})
        ExpectPixelsAsStbGave(name, Read(name), 0);
    for (const char* name : {"baseline420.jpg", "progressive.jpg", "grey.jpg", "cmyk.jpg"})
        ExpectPixelsAsStbGave(name, Read(name), 2);

    // What stb's own writers make, as the tests and tools do.
    const int w = 37, h = 23;
    const std::vector<uint8_t> rgba = Picture(w, h);
    std::string png, bmp, bmp32, tga, rle, jpeg, jpeg444;
    stbi_write_png_to_func(Append, &png, w, h, 4, rgba.data(), w * 4);
    stbi_write_bmp_to_func(Append, &bmp, w, h, 3, Picture(w, h).data());
    stbi_write_bmp_to_func(Append, &bmp32, w, h, 4, rgba.data());
    stbi_write_tga_with_rle = 0;
    stbi_write_tga_to_func(Append, &tga, w, h, 4, rgba.data());
    stbi_write_tga_with_rle = 1;
    stbi_write_tga_to_func(Append, &rle, w, h, 3, rgba.data());
    stbi_write_jpg_to_func(Append, &jpeg, w, h, 4, rgba.data(), 80);
    stbi_write_jpg_to_func(Append, &jpeg444, w, h, 3, rgba.data(), 95);
    ExpectPixelsAsStbGave("stb png", png, 0);
    ExpectPixelsAsStbGave("stb bmp", bmp, 0);
    ExpectPixelsAsStbGave("stb 32-bit bmp", bmp32, 0);
    ExpectPixelsAsStbGave("stb tga", tga, 0);
    ExpectPixelsAsStbGave("stb rle tga", rle, 0);
    ExpectPixelsAsStbGave("stb jpeg", jpeg, 2);
    ExpectPixelsAsStbGave("stb jpeg 4:4:4", jpeg444, 2);

    // A BMP stored top row first says so with a negative height.
    std::string topDown = bmp;
    const int rowBytes = (w * 3 + 3) & ~3, start = static_cast<int>(bmp.size()) - rowBytes * h;
    for (int y = 0; y < h; ++y)
        topDown.replace(start + y * rowBytes, rowBytes, bmp, start + (h - 1 - y) * rowBytes, rowBytes);
    const int32_t negative = -h;
    topDown.replace(22, 4, reinterpret_cast<const char*>(&negative), 4);
    ExpectPixelsAsStbGave("top-down bmp", topDown, 0);
}

TEST(ImageDecoderTest, TheBundledPresentationKeepsItsPixels) {
    const std::filesystem::path folder = std::filesystem::path(QV_BINARY_DIR) / "examples/neon-drift";
    if (!std::filesystem::is_directory(folder))
        GTEST_SKIP() << "this build makes no bundled presentation (a cross build takes a native build's)";
    int images = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::string extension = entry.path().extension().string();
        if (extension == ".png" || extension == ".bmp") {
            ExpectPixelsAsStbGave(entry.path().filename().string(), TempFolder::Read(entry.path()), 0);
            ++images;
        }
    }
    EXPECT_EQ(images, 8);
}

TEST(ImageDecoderTest, ImagesWhoseDataEndsEarlyAreRefused) {
    for (const char* name :
         {"palette-trns.png", "rgba16.png", "interlaced.png", "palette8.bmp", "palette4.bmp", "mono.bmp", "rgba32.bmp",
          "indexed.tga", "rgba-rle.tga", "grey.tga", "baseline420.jpg", "progressive.jpg", "grey.jpg", "cmyk.jpg"}) {
        // Half way, and a little before the end of the pixel data: 24 bytes is a PNG's end chunk and
        // checksums and a few bytes of compressed pixels.
        const std::string file = Read(name);
        for (size_t keep : {file.size() / 2, file.size() - 24}) {
            SCOPED_TRACE(std::string(name) + " cut to " + std::to_string(keep));
            const ImageError error = Refusal(file.substr(0, keep));
            EXPECT_EQ(error.fault, ImageFault::Corrupt);
            if (std::filesystem::path(name).extension() != ".png") {
                EXPECT_EQ(error.reason, "the file ends before its pixels do");
            }
        }
    }
    // A header cut short is no image either.
    EXPECT_EQ(Refusal(Read("rgba32.bmp").substr(0, 60)).reason, "the file ends before its pixels do");
    EXPECT_EQ(Refusal(Read("indexed.tga").substr(0, 100)).reason, "the file ends before its pixels do");
}

TEST(ImageDecoderTest, FilesLackingNothingButTrailingBytesStillLoad) {
    DecodedImage image;
    ImageError error;
    // The padding after a BMP's last row holds no pixels (29 pixels of 24 bits: one byte of it).
    const int w = 29, h = 3;
    std::string bmp;
    stbi_write_bmp_to_func(Append, &bmp, w, h, 3, Picture(w, h).data());
    EXPECT_TRUE(Decode(bmp.substr(0, bmp.size() - 1), image, error)) << error.reason;
    EXPECT_EQ(Refusal(bmp.substr(0, bmp.size() - 2)).reason, "the file ends before its pixels do");

    // Nor does a PNG's end chunk.
    const std::string png = Read("palette-trns.png");
    EXPECT_TRUE(Decode(png.substr(0, png.size() - 12), image, error)) << error.reason;

    // A JPEG of one scan that ends with that scan's data lacks only its end marker. A progressive
    // one could be missing whole scans, so it is refused.
    const std::string baseline = Read("baseline420.jpg");
    ASSERT_EQ(baseline.substr(baseline.size() - 2), "\xff\xd9");
    EXPECT_TRUE(Decode(baseline.substr(0, baseline.size() - 2), image, error)) << error.reason;
    const std::string progressive = Read("progressive.jpg");
    EXPECT_EQ(Refusal(progressive.substr(0, progressive.size() - 2)).reason, "the file ends before its pixels do");
}

TEST(ImageDecoderTest, PngWhoseChecksumDoesNotMatchIsRefused) {
    std::string png = Read("palette-trns.png");
    png[29] ^= 1; // the header chunk's checksum
    EXPECT_EQ(Refusal(png).fault, ImageFault::Corrupt);
}

TEST(ImageDecoderTest, BmpPixelsNamingColoursBeyondThePaletteAreRefused) {
    // Two pixels of eight bits and a palette of two entries; the second pixel names entry 5, which
    // the file never defines.
    std::string bmp("BM\0\0\0\0\0\0\0\0\x3e\0\0\0", 14);
    std::string info(40, '\0');
    info[0] = 40;
    info[4] = 2;  // width
    info[8] = 1;  // height
    info[12] = 1; // planes
    info[14] = 8; // bits per pixel
    bmp += info + std::string("\0\0\0\0\xff\xff\xff\0", 8);
    DecodedImage image;
    ImageError error;
    EXPECT_TRUE(Decode(bmp + std::string("\x01\x00\0\0", 4), image, error)) << error.reason;
    EXPECT_EQ((std::vector<uint8_t>(image.rgba.begin(), image.rgba.end())),
              (std::vector<uint8_t>{255, 255, 255, 255, 0, 0, 0, 255}));
    EXPECT_EQ(Refusal(bmp + std::string("\x01\x05\0\0", 4)).reason, "a pixel names a colour beyond the palette");
}

TEST(ImageDecoderTest, JpegWithEndlessScansIsRefused) {
    // The first scan of a progressive file (the DC values, which decode the same every time), repeated:
    // each repeat costs a pass over the image.
    const std::string progressive = Read("progressive.jpg");
    const size_t scan = progressive.find("\xff\xda");
    ASSERT_NE(scan, std::string::npos);
    size_t end = scan + 2;
    while (end + 1 < progressive.size() &&
           !(progressive[end] == '\xff' && progressive[end + 1] != 0 && (progressive[end + 1] & 0xF8) != 0xD0))
        ++end;
    const std::string first = progressive.substr(scan, end - scan);
    std::string repeats;
    for (int i = 0; i < 10; ++i)
        repeats += first;
    DecodedImage image;
    ImageError error;
    EXPECT_TRUE(Decode(progressive.substr(0, end) + repeats + progressive.substr(end), image, error)) << error.reason;
    for (int i = 10; i < 500; ++i)
        repeats += first;
    EXPECT_EQ(Refusal(progressive.substr(0, end) + repeats + progressive.substr(end)).reason,
              "more scans than any image needs");
}

TEST(ImageDecoderTest, SizeComesFromTheHeaderAlone) {
    for (const char* name : {"palette-trns.png", "palette8.bmp", "rgba-rle.tga", "progressive.jpg"}) {
        // A JPEG's size is known once the decoder reaches the first scan.
        const std::string file = Read(name);
        const std::string header = file.substr(0, file[0] == '\xff' ? file.find("\xff\xda") + 16 : 200);
        int width = 0, height = 0;
        ImageError error;
        EXPECT_TRUE(ReadImageSize(reinterpret_cast<const uint8_t*>(header.data()), header.size(), width, height, error))
            << name << ": " << error.reason;
        EXPECT_EQ(width, 29);
        EXPECT_EQ(height, 19);
    }
}

} // namespace

TEST(ImageDecoderDeathTest, AStopRequestEndsDecodingWithoutBlamingTheImage) {
    // In a process of its own: the request cannot be taken back. Each image decodes whole without it.
    const std::string png = Read("interlaced.png"), jpeg = Read("progressive.jpg");
    EXPECT_EXIT(
        {
            RequestStop(SIGINT);
            int failed = 0;
            for (const std::string* file : {&png, &jpeg}) {
                DecodedImage image;
                ImageError error;
                failed = failed * 4 + (Decode(*file, image, error) ? 1 : error.fault != ImageFault::Stopped ? 2 : 0);
            }
            _exit(failed);
        },
        testing::ExitedWithCode(0), "");
}
