#include "Platform/audio/CAudioDecoder.h"
#include "Platform/CAudioOutput.h"

#include "Base/CDataFileReader.h"
#include "MusicTestFiles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>

namespace {

std::vector<float> ReadAll(CAudioDecoder& decoder) {
    std::vector<float> all(static_cast<size_t>(decoder.Frames() * decoder.Channels()));
    decoder.ReadAt(0, decoder.Frames(), all.data());
    return all;
}

// Counts what the decoder reads through it.
class CountingSource : public CByteSource {
public:
    CountingSource(std::unique_ptr<CByteSource> inner, int64_t& read) : inner(std::move(inner)), read(read) {}
    int64_t Length() override { return inner->Length(); }
    int64_t Read(void* buffer, int64_t count) override {
        const int64_t got = inner->Read(buffer, count);
        read += got;
        return got;
    }
    bool Seek(int64_t offset) override { return inner->Seek(offset); }
    int64_t Tell() override { return inner->Tell(); }

private:
    std::unique_ptr<CByteSource> inner;
    int64_t& read;
};

std::unique_ptr<CByteSource> OpenData(const std::string& name) {
    auto reader = std::make_unique<CDataFileReader>();
    return reader->Open(name) == DataFileResult::Ok ? std::move(reader) : nullptr;
}

} // namespace

TEST(CAudioDecoder, DecodesAWavFromMemory) {
    TempFolder folder{TempFolder::Mounted};
    ASSERT_TRUE(WriteSineFile(folder.PathOf("tone.wav"), 0.5, 441.0, 0.8, 2, 22050));
    std::vector<uint8_t> bytes = folder.ReadBytes("tone.wav");
    CAudioDecoder decoder;
    int error = -1;
    ASSERT_TRUE(decoder.Open(bytes.data(), bytes.size(), error));
    EXPECT_EQ(error, AudioErrorNone);
    EXPECT_EQ(decoder.Channels(), 2);
    EXPECT_EQ(decoder.SampleRate(), 22050);
    EXPECT_EQ(decoder.Frames(), 11025);
    // A quarter period in (441 Hz at 22050 Hz is 50 frames a cycle): the peak, on both channels.
    const std::vector<float> samples = ReadAll(decoder);
    EXPECT_NEAR(samples[2 * 12], 0.8f * std::sin(2 * 3.14159265f * 12 / 50), 1e-5f);
    EXPECT_NEAR(samples[2 * 12 + 1], samples[2 * 12], 1e-7f);
}

TEST(CAudioDecoder, DecodesOggVorbis) {
    TempFolder folder{TempFolder::Mounted};
    if (!WriteSineFile(folder.PathOf("tone.ogg"), 0.5, 1000.0, 0.5, 1, 44100, SineFormat::OggVorbis))
        GTEST_SKIP() << "libsndfile cannot write Ogg Vorbis here";
    std::vector<uint8_t> bytes = folder.ReadBytes("tone.ogg");
    CAudioDecoder decoder;
    int error = -1;
    ASSERT_TRUE(decoder.Open(bytes.data(), bytes.size(), error));
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
        EXPECT_FALSE(decoder.Open(bytes->data(), bytes->size(), error));
        EXPECT_EQ(error, AudioErrorFormat);
        EXPECT_EQ(decoder.Frames(), 0);
        EXPECT_EQ(decoder.Bytes(), 0);
    }
    int error = 0;
    EXPECT_FALSE(decoder.Open(nullptr, 0, error));
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
    ASSERT_TRUE(decoder.Open(wav.data(), wav.size(), error));
    EXPECT_GT(decoder.Frames(), 3000);
    EXPECT_LT(decoder.Frames(), 4410);
    // The last frame counted is there to be read.
    float last = 2.0f;
    decoder.ReadAt(decoder.Frames() - 1, 1, &last);
    EXPECT_LE(std::fabs(last), 0.8f);
}

TEST(CAudioDecoder, AHeaderClaimingMoreThanTheDataHoldsGivesWhatItHoldsAndADayIsTheLimit) {
    TempFolder folder{TempFolder::Mounted};
    ASSERT_TRUE(WriteSineFile(folder.PathOf("tone.flac"), 0.2, 441.0, 0.0, 1, 44100, SineFormat::Flac));
    const std::vector<uint8_t> original = folder.ReadBytes("tone.flac");
    ASSERT_GE(original.size(), 26u);
    ASSERT_EQ(std::string(original.begin(), original.begin() + 4), "fLaC");
    // The stream information's total sample count (its low 36 bits at byte 18).
    auto claiming = [&](uint64_t samples) {
        std::vector<uint8_t> bytes = original;
        uint64_t packed = 0;
        for (int i = 18; i < 26; ++i)
            packed = packed << 8 | bytes[i];
        packed = (packed & ~((uint64_t(1) << 36) - 1)) | samples;
        for (int i = 25; i >= 18; --i, packed >>= 8)
            bytes[i] = static_cast<uint8_t>(packed & 0xFF);
        return bytes;
    };
    CAudioDecoder decoder;
    int error = -1;
    // Hours claimed by a file of a fifth of a second: it plays what it holds.
    const std::vector<uint8_t> hours = claiming(uint64_t(1) << 29);
    ASSERT_TRUE(decoder.Open(hours.data(), hours.size(), error));
    EXPECT_EQ(decoder.Frames(), 8820);
    // More than a day is refused before anything is decoded.
    const std::vector<uint8_t> days = claiming(uint64_t(1) << 33);
    EXPECT_FALSE(decoder.Open(days.data(), days.size(), error));
    EXPECT_EQ(error, AudioErrorTooLong);
    EXPECT_EQ(decoder.Frames(), 0);
}

TEST(CAudioDecoder, ReadingAnywhereGivesTheSamplesReadingStraightThroughGives) {
    TempFolder folder{TempFolder::Mounted};
    for (SineFormat format : {SineFormat::WavFloat, SineFormat::Flac}) {
        const std::string name = format == SineFormat::Flac ? "tone.flac" : "tone.wav";
        ASSERT_TRUE(WriteSineFile(folder.PathOf(name), 7.0, 523.0, 0.7, 2, 44100, format));
        CAudioDecoder straight, jumping;
        int error = -1;
        ASSERT_TRUE(straight.Open(OpenData(name), error));
        ASSERT_TRUE(jumping.Open(OpenData(name), error));
        const std::vector<float> all = ReadAll(straight);
        ASSERT_EQ(all.size(), size_t(2 * 7 * 44100));
        // Back, far forward (a seek), near forward (read through), across both ends.
        for (int64_t first : {int64_t(200000), int64_t(1000), int64_t(290000), int64_t(291500), int64_t(-300),
                              int64_t(7 * 44100 - 500), int64_t(0)}) {
            std::vector<float> block(2 * 1024, 9.0f);
            jumping.ReadAt(first, 1024, block.data());
            for (int64_t i = 0; i < 1024; ++i) {
                const int64_t frame = first + i;
                const float expected = frame >= 0 && frame < 7 * 44100 ? all[size_t(frame * 2)] : 0.0f;
                ASSERT_EQ(block[size_t(i * 2)], expected) << name << " frame " << frame;
            }
        }
    }
}

TEST(CAudioDecoder, MemoryDoesNotGrowWithTheMusicsLength) {
    TempFolder folder{TempFolder::Mounted};
    ASSERT_TRUE(WriteSineFile(folder.PathOf("short.flac"), 1.0, 441.0, 0.5, 2, 48000, SineFormat::Flac));
    ASSERT_TRUE(WriteSineFile(folder.PathOf("long.flac"), 60.0, 441.0, 0.5, 2, 48000, SineFormat::Flac));
    CAudioDecoder shortOne, longOne;
    int error = -1;
    ASSERT_TRUE(shortOne.Open(OpenData("short.flac"), error));
    ASSERT_TRUE(longOne.Open(OpenData("long.flac"), error));
    EXPECT_EQ(longOne.Frames(), 60 * 48000);
    EXPECT_EQ(longOne.Bytes(), shortOne.Bytes());
    EXPECT_LT(longOne.Bytes(), int64_t(2) << 20);
}

TEST(CAudioDecoder, AFilePaddedWithHundredsOfMegabytesIsNotReadWhole) {
    TempFolder folder{TempFolder::Mounted};
    const std::string path = folder.PathOf("padded.wav");
    ASSERT_TRUE(WriteSineFile(path, 1.0, 441.0, 0.5));
    // 500 MiB of zeros after the music: a hole in the file, so the test costs no disk.
    std::filesystem::resize_file(path, std::filesystem::file_size(path) + (uint64_t(500) << 20));
    int64_t read = 0;
    CAudioDecoder decoder;
    int error = -1;
    ASSERT_TRUE(decoder.Open(std::make_unique<CountingSource>(OpenData("padded.wav"), read), error));
    EXPECT_EQ(decoder.Frames(), 44100);
    std::vector<float> block(4096);
    decoder.ReadAt(40000, 4096, block.data());
    EXPECT_LT(read, int64_t(8) << 20);
}
