#include "Music/CMusicStreamBass.h"
#include "Platform/CAudioOutput.h"
#include "Platform/Platform.h"
#include "Platform/audio/CAudioDecoder.h"
#include "Platform/audio/CSpectrumAnalyser.h"

#include "Base/CDataFileReader.h"
#include "MusicTestFiles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

std::vector<float> ReadAll(CAudioDecoder& decoder) {
    std::vector<float> all(static_cast<size_t>(decoder.Frames() * decoder.Channels()));
    decoder.ReadAt(0, decoder.Frames(), all.data());
    return all;
}

std::unique_ptr<CByteSource> OpenData(const std::string& name) {
    auto reader = std::make_unique<CDataFileReader>();
    return reader->Open(name) == DataFileResult::Ok ? std::move(reader) : nullptr;
}

// Resident memory of this process, in bytes.
int64_t ResidentBytes() {
    std::ifstream statm("/proc/self/statm");
    int64_t size = 0, resident = 0;
    statm >> size >> resident;
    return resident * 4096;
}

} // namespace

TEST(MusicStreaming, TheSameFileGivesTheSameSamplesFromMemoryAndFromTheDataFiles) {
    TempFolder folder{TempFolder::Mounted};
    ASSERT_TRUE(WriteSineFile(folder.PathOf("a.wav"), 0.3, 441.0, 0.8, 2, 22050));
    const std::vector<uint8_t> bytes = folder.ReadBytes("a.wav");
    CAudioDecoder plain;
    int error = -1;
    ASSERT_TRUE(plain.Open(bytes.data(), bytes.size(), error));

    CAudioDecoder streamed;
    error = -1;
    ASSERT_TRUE(streamed.Open(OpenData("a.wav"), error));
    EXPECT_EQ(error, AudioErrorNone);
    ASSERT_EQ(streamed.Frames(), plain.Frames());
    EXPECT_EQ(streamed.Channels(), 2);
    EXPECT_EQ(streamed.SampleRate(), 22050);
    EXPECT_EQ(ReadAll(streamed), ReadAll(plain));
    // Read again from the start, the same.
    EXPECT_EQ(ReadAll(streamed), ReadAll(plain));
}

TEST(MusicStreaming, OtherAndBadFilesAreDecodedAsTheyAre) {
    TempFolder folder{TempFolder::Mounted};
    ASSERT_TRUE(WriteSineFile(folder.PathOf("a.wav"), 0.2, 441.0, 0.8, 1, 22050));
    ASSERT_TRUE(WriteSineFile(folder.PathOf("b.wav"), 0.5, 441.0, 0.8, 1, 44100));
    CAudioDecoder decoder;
    int error = -1;
    ASSERT_TRUE(decoder.Open(OpenData("a.wav"), error));
    ASSERT_TRUE(decoder.Open(OpenData("b.wav"), error));
    EXPECT_EQ(decoder.SampleRate(), 44100);
    EXPECT_EQ(decoder.Frames(), 22050);

    // A failure leaves nothing open.
    const std::vector<uint8_t> junk(4096, 'x');
    EXPECT_FALSE(decoder.Open(junk.data(), junk.size(), error));
    EXPECT_EQ(error, AudioErrorFormat);
    EXPECT_EQ(decoder.Frames(), 0);
    EXPECT_FALSE(decoder.Open(OpenData("missing.wav"), error));
    EXPECT_EQ(error, AudioErrorFormat);
}

TEST(MusicStreaming, TheCaptureSpectrumAndSoundTrackAreThoseOfTheWholeDecodedMusic) {
    TempFolder folder{TempFolder::Mounted};
    for (SineFormat format : {SineFormat::WavFloat, SineFormat::OggVorbis}) {
        const std::string name = format == SineFormat::OggVorbis ? "song.ogg" : "song.wav";
        if (!WriteSineFile(folder.PathOf(name), 4.0, BinFrequency(40), 0.6, 2, 44100, format))
            continue; // no Ogg Vorbis writer here
        CAudioDecoder whole;
        int error = -1;
        ASSERT_TRUE(whole.Open(OpenData(name), error));
        const std::vector<float> all = ReadAll(whole);

        CMusicStreamBass stream(name, 1.0f, CreateCaptureAudioOutput());
        ASSERT_TRUE(stream.Init(0.0f));
        CSpectrumAnalyser analyser;
        float expected[CSpectrumAnalyser::Bands], got[CSpectrumAnalyser::Bands];
        // 60 frames a second overlap their windows; then a jump back, one far ahead, and the end.
        std::vector<float> times;
        for (int i = 0; i < 30; ++i)
            times.push_back(0.5f + i / 60.0f);
        for (float t : {0.1f, 3.0f, 0.01f, 4.0f})
            times.push_back(t);
        for (float t : times) {
            stream.SetTime(t);
            stream.GetSpectrum(got);
            analyser.Analyse(all.data(), whole.Frames(), 2, static_cast<int64_t>(std::round(t * 44100.0)), expected);
            ASSERT_EQ(std::vector<float>(got, got + CSpectrumAnalyser::Bands),
                      std::vector<float>(expected, expected + CSpectrumAnalyser::Bands))
                << name << " at " << t;
        }

        DecodedMusic music;
        ASSERT_TRUE(stream.GetDecodedMusic(music));
        ASSERT_EQ(music.frames, whole.Frames());
        std::vector<float> track(static_cast<size_t>(music.frames * 2));
        for (int64_t first = -1000; first < music.frames; first += 1000) {
            std::vector<float> block(2000);
            music.read(first, 1000, block.data());
            for (int64_t i = 0; i < 1000; ++i)
                if (first + i >= 0 && first + i < music.frames)
                    track[size_t((first + i) * 2)] = block[size_t(i * 2)];
                else
                    ASSERT_EQ(block[size_t(i * 2)], 0.0f);
        }
        for (size_t i = 0; i < track.size(); i += 2)
            ASSERT_EQ(track[i], all[i]) << name << " frame " << i / 2;
    }
}

TEST(MusicStreaming, AThreeHourTrackOpensAndCapturesNearItsEndInLittleMemory) {
    TempFolder folder{TempFolder::Mounted};
    WriteLongSilence(folder.PathOf("long.wav"), 3 * 3600);
    const int64_t before = ResidentBytes();
    CMusicStreamBass stream("long.wav", 1.0f, CreateCaptureAudioOutput());
    ASSERT_TRUE(stream.Init(0.0f));
    EXPECT_NEAR(stream.GetLength(), 3 * 3600.0f, 0.01f);
    EXPECT_LT(stream.DecodedBytes(), int64_t(4) << 20);
    float bands[CSpectrumAnalyser::Bands];
    for (int i = 0; i < 20; ++i) {
        stream.SetTime(3 * 3600.0f - 2.0f + i * 0.1f);
        stream.GetSpectrum(bands);
        EXPECT_EQ(bands[10], 0.0f);
    }
    DecodedMusic music;
    ASSERT_TRUE(stream.GetDecodedMusic(music));
    std::vector<float> block(2 * 4800);
    music.read(music.frames - 4800, 4800, block.data());
    EXPECT_LT(ResidentBytes() - before, int64_t(64) << 20);
    stream.SetTime(1e9f);
    EXPECT_TRUE(stream.HasFinished());
}

TEST(MusicStreaming, TheStreamPlaysAFileItOpensItself) {
    TempFolder folder{TempFolder::Mounted};
    ASSERT_TRUE(WriteSineFile(folder.PathOf("song.wav"), 1.5, 441.0, 0.5));
    CMusicStreamBass stream("song.wav", 1.0f, CreateCaptureAudioOutput());
    ASSERT_TRUE(stream.Init(0.0f));
    EXPECT_NEAR(stream.GetLength(), 1.5f, 1e-3f);
    stream.SetTime(0.75f);
    EXPECT_NEAR(stream.GetTime(), 0.75f, 1e-3f);
}
