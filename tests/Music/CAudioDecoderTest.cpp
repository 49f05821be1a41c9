#include "Platform/CAudioDecoder.h"
#include "Platform/CAudioOutput.h"

#include "MusicTestFiles.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(CAudioDecoder, DecodesAWavFromMemory) {
    TempFolder folder{TempFolder::Mounted};
    ASSERT_TRUE(WriteSineFile(folder.PathOf("tone.wav"), 0.5, 441.0, 0.8, 2, 22050));
    std::vector<uint8_t> bytes = folder.ReadBytes("tone.wav");
    CAudioDecoder decoder;
    int error = -1;
    ASSERT_TRUE(decoder.Decode(bytes.data(), bytes.size(), error));
    EXPECT_EQ(error, AudioErrorNone);
    EXPECT_EQ(decoder.Channels(), 2);
    EXPECT_EQ(decoder.SampleRate(), 22050);
    EXPECT_EQ(decoder.Frames(), 11025);
    // A quarter period in (441 Hz at 22050 Hz is 50 frames a cycle): the peak, on both channels.
    EXPECT_NEAR(decoder.Samples()[2 * 12], 0.8f * std::sin(2 * 3.14159265f * 12 / 50), 1e-5f);
    EXPECT_NEAR(decoder.Samples()[2 * 12 + 1], decoder.Samples()[2 * 12], 1e-7f);
}

TEST(CAudioDecoder, DecodesOggVorbis) {
    TempFolder folder{TempFolder::Mounted};
    if (!WriteSineFile(folder.PathOf("tone.ogg"), 0.5, 1000.0, 0.5, 1, 44100, SineFormat::OggVorbis))
        GTEST_SKIP() << "libsndfile cannot write Ogg Vorbis here";
    std::vector<uint8_t> bytes = folder.ReadBytes("tone.ogg");
    CAudioDecoder decoder;
    int error = -1;
    ASSERT_TRUE(decoder.Decode(bytes.data(), bytes.size(), error));
    EXPECT_EQ(decoder.SampleRate(), 44100);
    EXPECT_NEAR(decoder.Frames(), 22050, 64);
}

TEST(CAudioDecoder, RefusesDataThatIsNotAudio) {
    TempFolder folder{TempFolder::Mounted};
    ASSERT_TRUE(WriteSineFile(folder.PathOf("tone.wav"), 0.1, 441.0, 0.8));
    std::vector<uint8_t> wav = folder.ReadBytes("tone.wav");
    std::vector<uint8_t> garbage(5000);
    for (size_t i = 0; i < garbage.size(); ++i)
        garbage[i] = static_cast<uint8_t>(i * 7919 + 13);
    std::vector<uint8_t> headerCut(wav.begin(), wav.begin() + 20);

    CAudioDecoder decoder;
    for (const std::vector<uint8_t>* bytes : {&garbage, &headerCut}) {
        int error = 0;
        EXPECT_FALSE(decoder.Decode(bytes->data(), bytes->size(), error));
        EXPECT_EQ(error, AudioErrorFormat);
        EXPECT_EQ(decoder.Frames(), 0);
    }
    int error = 0;
    EXPECT_FALSE(decoder.Decode(nullptr, 0, error));
    EXPECT_EQ(error, AudioErrorFormat);
}

TEST(CAudioDecoder, TruncatedDataGivesOnlyTheFramesThatArePresent) {
    TempFolder folder{TempFolder::Mounted};
    ASSERT_TRUE(WriteSineFile(folder.PathOf("tone.wav"), 1.0, 441.0, 0.8));
    std::vector<uint8_t> wav = folder.ReadBytes("tone.wav");
    // Keep the header (which still claims a second of audio) and about a tenth of the samples.
    wav.resize(wav.size() / 10);
    CAudioDecoder decoder;
    int error = 0;
    ASSERT_TRUE(decoder.Decode(wav.data(), wav.size(), error));
    EXPECT_GT(decoder.Frames(), 3000);
    EXPECT_LT(decoder.Frames(), 4410);
}

TEST(CAudioDecoder, MusicOfMoreSamplesThanTheLimitIsRefusedAndExactlyTheLimitIsNot) {
    TempFolder folder{TempFolder::Mounted};
    ASSERT_TRUE(WriteSineFile(folder.PathOf("tone.wav"), 0.5, 441.0, 0.8, 2, 22050)); // 11025 frames
    std::vector<uint8_t> bytes = folder.ReadBytes("tone.wav");
    CAudioDecoder decoder;
    int error = -1;
    ASSERT_TRUE(decoder.Decode(bytes.data(), bytes.size(), error, 2 * 11025 + 1));
    EXPECT_EQ(decoder.Frames(), 11025);
    EXPECT_EQ(decoder.Bytes(), 2 * 11025 * 4);
    EXPECT_FALSE(decoder.Decode(bytes.data(), bytes.size(), error, 2 * 11025 - 1));
    EXPECT_EQ(error, AudioErrorTooLong);
    EXPECT_EQ(decoder.Frames(), 0);
}

TEST(CAudioDecoder, AHeaderClaimingTooManySamplesIsRefusedBeforeDecoding) {
    TempFolder folder{TempFolder::Mounted};
    ASSERT_TRUE(WriteSineFile(folder.PathOf("tone.flac"), 0.2, 441.0, 0.0, 1, 44100, SineFormat::Flac));
    std::vector<uint8_t> bytes = folder.ReadBytes("tone.flac");
    ASSERT_GE(bytes.size(), 26u);
    ASSERT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "fLaC");
    // The stream information's total sample count (its low 36 bits at byte 18) claims 2^29 samples.
    uint64_t packed = 0;
    for (int i = 18; i < 26; ++i)
        packed = packed << 8 | bytes[i];
    packed = (packed & ~((uint64_t(1) << 36) - 1)) | (uint64_t(1) << 29);
    for (int i = 25; i >= 18; --i, packed >>= 8)
        bytes[i] = static_cast<uint8_t>(packed & 0xFF);
    CAudioDecoder decoder;
    int error = -1;
    EXPECT_FALSE(decoder.Decode(bytes.data(), bytes.size(), error));
    EXPECT_EQ(error, AudioErrorTooLong);
}
