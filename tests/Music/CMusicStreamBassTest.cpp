#include "Music/CMusicStreamBass.h"
#include "Platform/Platform.h"

#include "MusicTestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

int PeakBand(const float* bands) { return static_cast<int>(std::max_element(bands, bands + SpectrumBands) - bands); }

// The capture clock: the same decoding and spectrum as live playback, no device.
struct CaptureStream : testing::Test {
    TempFolder folder{TempFolder::Mounted};
    std::unique_ptr<CMusicStreamBass> Open(const std::string& name, float start = 0.0f) {
        auto stream = std::make_unique<CMusicStreamBass>(name, 1.0f, CreateCaptureAudioOutput());
        EXPECT_TRUE(stream->Init(start));
        return stream;
    }
};

} // namespace

TEST_F(CaptureStream, ReportsItsLengthAndFinishesAtTheEnd) {
    ASSERT_TRUE(WriteSineFile(folder.PathOf("one.wav"), 1.0, 441.0, 0.5));
    auto stream = Open("one.wav");
    EXPECT_FLOAT_EQ(stream->GetLength(), 1.0f);
    EXPECT_EQ(stream->GetTime(), 0.0f);
    stream->SetTime(0.5f);
    EXPECT_FLOAT_EQ(stream->GetTime(), 0.5f);
    EXPECT_FALSE(stream->HasFinished());
    stream->SetTime(1.0f - 1.0f / 44100);
    EXPECT_FALSE(stream->HasFinished());
    stream->SetTime(1.0f);
    EXPECT_TRUE(stream->HasFinished());
}

TEST_F(CaptureStream, StartsAtTheStartTimeAndSeeksWithinTheMusic) {
    ASSERT_TRUE(WriteSineFile(folder.PathOf("two.wav"), 2.0, 441.0, 0.5));
    auto stream = Open("two.wav", 1.5f);
    EXPECT_FLOAT_EQ(stream->GetTime(), 1.5f);
    stream->SeekBy(-5.0f);
    EXPECT_EQ(stream->GetTime(), 0.0f);
    stream->SeekBy(0.25f);
    EXPECT_FLOAT_EQ(stream->GetTime(), 0.25f);
    stream->Restart();
    EXPECT_EQ(stream->GetTime(), 0.0f);
    // A seek past the end lands on the end, and the music has then finished.
    stream->SeekBy(60.0f);
    EXPECT_FLOAT_EQ(stream->GetTime(), 2.0f);
    EXPECT_TRUE(stream->HasFinished());
}

TEST_F(CaptureStream, SpectrumPeaksInTheSineBinAndIsZeroForSilence) {
    ASSERT_TRUE(WriteSineFile(folder.PathOf("tone.wav"), 1.0, BinFrequency(48), 1.0, 2));
    ASSERT_TRUE(WriteSineFile(folder.PathOf("quiet.wav"), 1.0, 0.0, 0.0));
    float bands[SpectrumBands];
    auto tone = Open("tone.wav");
    tone->SetTime(0.5f);
    tone->GetSpectrum(bands);
    EXPECT_EQ(PeakBand(bands), 48);
    EXPECT_NEAR(bands[48], 0.5f, 2e-3f);
    // At time 0 the 1024 frames heard so far are all before the music: nothing yet.
    tone->SetTime(0.0f);
    tone->GetSpectrum(bands);
    EXPECT_EQ(*std::max_element(bands, bands + SpectrumBands), 0.0f);

    auto quiet = Open("quiet.wav");
    quiet->SetTime(0.5f);
    std::fill(bands, bands + SpectrumBands, 1.0f);
    quiet->GetSpectrum(bands);
    EXPECT_EQ(*std::max_element(bands, bands + SpectrumBands), 0.0f);
}

TEST_F(CaptureStream, CompressedFormatsGiveTheSameSpectrumPeak) {
    struct Case {
        const char* file;
        SineFormat format;
        int rate;
    } cases[] = {{"tone.flac", SineFormat::Flac, 44100},
                 {"tone.ogg", SineFormat::OggVorbis, 44100},
                 {"tone.opus", SineFormat::Opus, 48000},
                 {"tone.mp3", SineFormat::Mp3, 44100}};
    for (const Case& c : cases) {
        // A sine at the centre of band 30 at whatever rate the format plays at.
        if (!WriteSineFile(folder.PathOf(c.file), 1.0, 30.0 * c.rate / 1024, 0.8, 1, c.rate, c.format)) {
            ADD_FAILURE() << "libsndfile could not write " << c.file;
            continue;
        }
        auto stream = Open(c.file);
        // Lossy encoders add a little padding at the ends.
        EXPECT_NEAR(stream->GetLength(), 1.0f, 0.1f) << c.file;
        float bands[SpectrumBands];
        stream->SetTime(0.5f);
        stream->GetSpectrum(bands);
        EXPECT_EQ(PeakBand(bands), 30) << c.file;
        EXPECT_NEAR(bands[30], 0.4f, 0.03f) << c.file;
    }
}

TEST_F(CaptureStream, InitFailuresLogTheirLine) {
    ASSERT_TRUE(WriteSineFile(folder.PathOf("one.wav"), 0.2, 441.0, 0.5));
    std::vector<uint8_t> wav = folder.ReadBytes("one.wav");
    folder.WriteBytes("cut.wav", std::vector<uint8_t>(wav.begin(), wav.begin() + 30));
    folder.WriteBytes("noise.mp3", std::vector<uint8_t>(3000, 0x5A));
    folder.WriteBytes("empty.ogg", {});

    struct Case {
        const char* file;
        const char* line;
    } cases[] = {
        {"missing.wav", "CMusicStreamBass::Init] Failed to find music file 'missing.wav'"},
        {"cut.wav", "CMusicStreamBass::Init] Failed to create Bass stream: '3'"},
        {"noise.mp3", "CMusicStreamBass::Init] Failed to create Bass stream: '3'"},
        {"empty.ogg", "CMusicStreamBass::Init] Failed to create Bass stream: '3'"},
    };
    for (const Case& c : cases) {
        CMusicStreamBass stream(c.file, 1.0f, CreateCaptureAudioOutput());
        bool ok = true;
        std::string log = CaptureLog([&] { ok = stream.Init(0.0f); });
        EXPECT_FALSE(ok) << c.file;
        EXPECT_TRUE(Contains(log, c.line)) << log;
        // A stream that failed to start is harmless to ask.
        float bands[SpectrumBands];
        stream.GetSpectrum(bands);
        EXPECT_EQ(bands[0], 0.0f);
        EXPECT_EQ(stream.GetTime(), 0.0f);
        EXPECT_FALSE(stream.HasFinished());
    }
}

TEST_F(CaptureStream, WithoutAnOutputInitFailsLikeAMissingDevice) {
    ASSERT_TRUE(WriteSineFile(folder.PathOf("one.wav"), 0.2, 441.0, 0.5));
    CMusicStreamBass stream("one.wav", 1.0f, nullptr);
    bool ok = true;
    std::string log = CaptureLog([&] { ok = stream.Init(0.0f); });
    EXPECT_FALSE(ok);
    EXPECT_TRUE(Contains(log, "Failed to initialise Bass: '1'")) << log;
}
