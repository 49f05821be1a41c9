#include "App/CPresentation.h"
#include "Music/CMusicStreamBass.h"
#include "Platform/CAudioDecoder.h"
#include "Platform/CAudioOutput.h"
#include "Platform/Platform.h"

#include "MusicTestFiles.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

std::shared_ptr<const std::vector<uint8_t>> Shared(const std::vector<uint8_t>& bytes) {
    return std::make_shared<const std::vector<uint8_t>>(bytes);
}

} // namespace

TEST(DecodeAhead, TheSameBytesGiveTheSameSamplesAsDecodingThemThen) {
    TempFolder folder{TempFolder::Mounted};
    ASSERT_TRUE(WriteSineFile(folder.PathOf("a.wav"), 0.3, 441.0, 0.8, 2, 22050));
    const std::vector<uint8_t> bytes = folder.ReadBytes("a.wav");
    CAudioDecoder plain;
    int error = -1;
    ASSERT_TRUE(plain.Decode(bytes.data(), bytes.size(), error));

    CAudioDecoder::DecodeAhead(Shared(bytes));
    CAudioDecoder ahead;
    error = -1;
    ASSERT_TRUE(ahead.Decode(bytes.data(), bytes.size(), error));
    EXPECT_EQ(error, AudioErrorNone);
    ASSERT_EQ(ahead.Frames(), plain.Frames());
    EXPECT_EQ(ahead.Channels(), 2);
    EXPECT_EQ(ahead.SampleRate(), 22050);
    EXPECT_EQ(std::vector<float>(ahead.Samples(), ahead.Samples() + 2 * ahead.Frames()),
              std::vector<float>(plain.Samples(), plain.Samples() + 2 * plain.Frames()));
    // The result was handed over once; decoding again works as before.
    CAudioDecoder again;
    ASSERT_TRUE(again.Decode(bytes.data(), bytes.size(), error));
    EXPECT_EQ(again.Frames(), plain.Frames());
}

TEST(DecodeAhead, OtherBytesAndBadBytesAreDecodedAsTheyAre) {
    TempFolder folder{TempFolder::Mounted};
    ASSERT_TRUE(WriteSineFile(folder.PathOf("a.wav"), 0.2, 441.0, 0.8, 1, 22050));
    ASSERT_TRUE(WriteSineFile(folder.PathOf("b.wav"), 0.5, 441.0, 0.8, 1, 44100));
    const std::vector<uint8_t> a = folder.ReadBytes("a.wav"), b = folder.ReadBytes("b.wav");

    CAudioDecoder::DecodeAhead(Shared(a));
    CAudioDecoder decoder;
    int error = -1;
    ASSERT_TRUE(decoder.Decode(b.data(), b.size(), error));
    EXPECT_EQ(decoder.SampleRate(), 44100);
    EXPECT_EQ(decoder.Frames(), 22050);

    // A failure found ahead is the failure Decode reports.
    const std::vector<uint8_t> junk(4096, 'x');
    CAudioDecoder::DecodeAhead(Shared(junk));
    EXPECT_FALSE(decoder.Decode(junk.data(), junk.size(), error));
    EXPECT_EQ(error, AudioErrorFormat);
    EXPECT_EQ(decoder.Frames(), 0);
}

TEST(DecodeAhead, TheStreamPlaysMusicDecodedAheadOfItsInit) {
    TempFolder folder{TempFolder::Mounted};
    ASSERT_TRUE(WriteSineFile(folder.PathOf("song.wav"), 1.5, 441.0, 0.5));
    CPresentation::DecodeMusicAhead("song.wav");
    CPresentation::DecodeMusicAhead("missing.wav"); // nothing to read: nothing started, the earlier kept
    CMusicStreamBass stream("song.wav", 1.0f, CreateCaptureAudioOutput());
    ASSERT_TRUE(stream.Init(0.0f));
    EXPECT_NEAR(stream.GetLength(), 1.5f, 1e-3f);
    stream.SetTime(0.75f);
    EXPECT_NEAR(stream.GetTime(), 0.75f, 1e-3f);
}
