// The soundtrack's pages are given a fixed serial so that builds are byte-for-byte repeatable; a
// wrong checksum would make every decoder drop the page.
#include "../../tools/OggPages.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

std::vector<unsigned char> Page(uint32_t serial, std::vector<unsigned char> body) {
    std::vector<unsigned char> page = {'O', 'g', 'g', 'S', 0, 2, 0, 0, 0, 0, 0, 0, 0, 0};
    for (int i = 0; i < 4; ++i)
        page.push_back(static_cast<unsigned char>(serial >> (8 * i)));
    page.insert(page.end(), 8, 0); // sequence number, checksum
    page.push_back(1);
    page.push_back(static_cast<unsigned char>(body.size()));
    page.insert(page.end(), body.begin(), body.end());
    return page;
}

TEST(OggPages, ChecksumMatchesTheOggPolynomial) {
    // The Ogg checksum (polynomial 0x04C11DB7, no reflection, zero start) of "123456789".
    const unsigned char digits[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
    EXPECT_EQ(OggPages::Crc(digits, sizeof(digits)), 0x89A1897Fu);
}

TEST(OggPages, SetSerialRewritesEveryPageAndItsChecksum) {
    std::vector<unsigned char> file = Page(1234, {1, 2, 3});
    const std::vector<unsigned char> second = Page(1234, {9, 8, 7, 6, 5});
    file.insert(file.end(), second.begin(), second.end());

    ASSERT_TRUE(OggPages::SetSerial(file, 0xCAFEF00D));
    int pages = 0;
    EXPECT_TRUE(OggPages::Verify(file, 0xCAFEF00D, &pages));
    EXPECT_EQ(pages, 2);
    EXPECT_FALSE(OggPages::Verify(file, 1234));

    std::vector<unsigned char> damaged = file;
    damaged[29] ^= 1; // a body byte of the first page
    EXPECT_FALSE(OggPages::Verify(damaged, 0xCAFEF00D));
}

TEST(OggPages, RefusesDataThatIsNotWholePages) {
    std::vector<unsigned char> cut = Page(5, {1, 2, 3, 4});
    cut.pop_back();
    EXPECT_FALSE(OggPages::SetSerial(cut, 1));
    std::vector<unsigned char> junk = {'R', 'I', 'F', 'F', 0, 0, 0, 0};
    EXPECT_FALSE(OggPages::SetSerial(junk, 1));
    std::vector<unsigned char> empty;
    EXPECT_FALSE(OggPages::SetSerial(empty, 1));
}

TEST(OggPages, BuiltSoundtrackCarriesTheFixedSerial) {
    const auto path = std::filesystem::path(QV_BINARY_DIR) / "examples/neon-drift/soundtrack.ogg";
    if (!std::filesystem::exists(path))
        GTEST_SKIP() << "the example has not been built";
    std::ifstream in(path, std::ios::binary);
    const std::vector<unsigned char> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    int pages = 0;
    EXPECT_TRUE(OggPages::Verify(file, 0x51564E44, &pages));
    EXPECT_GT(pages, 100);
}

} // namespace
