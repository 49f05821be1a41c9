// Image files that would make a decoder write out of bounds, allocate without limit or make up pixels
// are refused with a message; the formats textures use still load.
#include "Resources/CResourceManager.h"
#include "Resources/CResourceTexture.h"
#include "Resources/ImageDecoder.h"
#include "Support/CallLines.h"
#include "Support/EngineTest.h"
#include "Support/LogCapture.h"
#include "Support/PngHeader.h"
#include "Testing/TempFolder.h"

#include <gtest/gtest.h>
#include <stb_image_write.h>

#include <string>
#include <vector>

namespace {

std::string Encode(void (*write)(std::string&, int, int, const std::vector<uint8_t>&), int w, int h) {
    std::vector<uint8_t> rgb(static_cast<size_t>(w) * h * 3, 0x80);
    std::string out;
    write(out, w, h, rgb);
    return out;
}

void Append(void* context, void* data, int size) {
    static_cast<std::string*>(context)->append(static_cast<const char*>(data), size);
}

void WritePng(std::string& out, int w, int h, const std::vector<uint8_t>& rgb) {
    stbi_write_png_to_func(Append, &out, w, h, 3, rgb.data(), w * 3);
}
void WriteJpeg(std::string& out, int w, int h, const std::vector<uint8_t>& rgb) {
    stbi_write_jpg_to_func(Append, &out, w, h, 3, rgb.data(), 90);
}
void WriteTga(std::string& out, int w, int h, const std::vector<uint8_t>& rgb) {
    stbi_write_tga_to_func(Append, &out, w, h, 3, rgb.data());
}

ImageFault Decode(const std::string& file) {
    DecodedImage image;
    ImageError error;
    DecodeImage(reinterpret_cast<const uint8_t*>(file.data()), file.size(), image, error);
    return error.fault;
}

std::string Fixture(const std::string& name) {
    return TempFolder::Read(std::string(QV_SOURCE_DIR) + "/tests/data/hostile/" + name);
}

class HostileImageTest : public EngineTest {
protected:
    bool Create(const std::string& name, const std::string& content) {
        data.Write(name, content);
        CResourceTextureImage texture(name);
        return texture.Create(TestDevice());
    }

    LogCapture log;
};

TEST_F(HostileImageTest, HugeHeadersAreRefusedBeforeDecoding) {
    EXPECT_FALSE(Create("huge.png", PngHeader(100000, 100000)));
    EXPECT_TRUE(log.Contains("Error creating texture 'huge.png': the image is 100000 x 100000 pixels, more than a "
                             "texture may hold"));
    EXPECT_FALSE(Create("wide.png", PngHeader(16385, 16)));
    EXPECT_TRUE(log.Contains("Error creating texture 'wide.png': the image is 16385 x 16 pixels, more than a "
                             "texture may hold"));
    // Each side fits, but the power-of-two texture (16384 x 16384) would not.
    EXPECT_FALSE(Create("square.png", PngHeader(9000, 9000)));
    EXPECT_TRUE(log.Contains("Error creating texture 'square.png': the image is 9000 x 9000 pixels, more than a "
                             "texture may hold"));
    EXPECT_TRUE(CallLinesStartingWith(TestDevice(), "CreateTexture").empty());

    // A long thin image is within the limits.
    EXPECT_TRUE(Create("strip.png", Encode(WritePng, 16384, 1)));
    EXPECT_EQ(CallLinesStartingWith(TestDevice(), "CreateTexture"),
              (std::vector<std::string>{"CreateTexture 16384x1 levels 2"}));
}

TEST_F(HostileImageTest, FormatsTexturesDoNotUseAreRefused) {
    // A 16-bit binary PNM that made the decoder write past its buffer.
    EXPECT_FALSE(Create("deep.ppm", Fixture("sixteen-bit.ppm")));
    EXPECT_TRUE(log.Contains("Error creating texture 'deep.ppm': not a BMP, PNG, JPEG or TGA image"));
    EXPECT_FALSE(Create("anim.gif", "GIF89a\x01\0\x01\0\0\0\0;"));
    EXPECT_TRUE(log.Contains("Error creating texture 'anim.gif': not a BMP, PNG, JPEG or TGA image"));
    for (const char* prefix : {"8BPS", "#?RADIANCE\n", "P5 1 1 255 ", "\x53\x80\xf6\x34"})
        EXPECT_EQ(Decode(prefix), ImageFault::UnsupportedFormat) << prefix;

    // TGA has no signature and still loads; so do the other three.
    EXPECT_TRUE(Create("a.tga", Encode(WriteTga, 3, 2)));
    EXPECT_TRUE(Create("a.png", Encode(WritePng, 3, 2)));
    EXPECT_TRUE(Create("a.jpg", Encode(WriteJpeg, 3, 2)));
    EXPECT_EQ(CallLinesStartingWith(TestDevice(), "CreateTexture").size(), 3u);
}

TEST_F(HostileImageTest, JpegHuffmanTablesLargerThanTheDecoderHoldsAreRefused) {
    // Found by fuzzing: a table whose counts add up to more than 256 codes.
    EXPECT_FALSE(Create("tables.jpg", Fixture("huffman-overflow.jpg")));
    EXPECT_TRUE(log.Contains("Error creating texture 'tables.jpg': corrupt JPEG Huffman table"));
    // Found by fuzzing too: fill bytes before the start-of-image marker still make a JPEG.
    EXPECT_FALSE(Create("filled.jpg", Fixture("huffman-overflow-fill-bytes.jpg")));
    EXPECT_TRUE(log.Contains("Error creating texture 'filled.jpg': corrupt JPEG Huffman table"));

    // The same table in a segment after the scan, read once the pixels are decoded.
    std::string valid = Encode(WriteJpeg, 8, 8);
    ASSERT_EQ(Decode(valid), ImageFault::None);
    std::string table("\xff\xc4\x00\x13\x00", 5);
    table += std::string(16, '\x11'); // 16 x 17 = 272 codes
    std::string between = valid.substr(0, valid.size() - 2) + table + "\xff\xd9";
    EXPECT_EQ(Decode(between), ImageFault::CorruptHuffmanTable);
    EXPECT_EQ(Decode("\xff\xff" + between), ImageFault::CorruptHuffmanTable);
    // Exactly 256 codes is what a table holds: this file fails later, for want of an image.
    std::string full("\xff\xd8\xff\xc4\x01\x13\x00", 7);
    full += std::string(16, '\x10') + std::string(256, '\0');
    EXPECT_EQ(Decode(full), ImageFault::Corrupt);
    EXPECT_EQ(Decode("\xff\xff\xff" + full.substr(1)), ImageFault::Corrupt);
}

TEST_F(HostileImageTest, ImagesCutShortAreRefusedRatherThanFilledIn) {
    // stb filled what a BMP or TGA lacked with zeros, or left the memory as it was.
    const std::string images = std::string(QV_SOURCE_DIR) + "/tests/data/images/";
    for (const char* name : {"palette8.bmp", "rgba32.bmp", "grey.tga", "rgba-rle.tga", "interlaced.png",
                             "baseline420.jpg", "progressive.jpg"}) {
        const std::string file = TempFolder::Read(images + name);
        EXPECT_FALSE(Create(name, file.substr(0, file.size() - 30))) << name;
        EXPECT_TRUE(log.Contains("Error creating texture '" + std::string(name) + "'")) << name;
    }
    EXPECT_TRUE(CallLinesStartingWith(TestDevice(), "CreateTexture").empty());
}

} // namespace
