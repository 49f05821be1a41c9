#include "Music/CMusicStreamBass.h"
#include "Platform/Platform.h"
#include "Platform/audio/CAudioOutputSdl.h"

#include "MusicTestFiles.h"
#include "Support/Environment.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace {

void SleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// Live playback through SDL audio with a driver that needs no sound card.
struct LiveStream : testing::Test {
    LiveStream() { SetEnvironment("SDL_AUDIODRIVER", "dummy"); }
    ~LiveStream() override { SetEnvironment("SDL_AUDIODRIVER", "dummy"); }
    TempFolder folder{TempFolder::Mounted};
};

// On Windows SDL 2.26 reads the disk driver's file name and then its delay into one buffer, so the
// samples go to a file named after the delay.
#ifdef _WIN32
constexpr bool DiskDriverLosesItsFile = true;
#else
constexpr bool DiskDriverLosesItsFile = false;
#endif

} // namespace

TEST_F(LiveStream, PlaysInRealTimeWithASmoothClockThatNeverStepsBack) {
    ASSERT_TRUE(WriteSineFile(folder.PathOf("tone.wav"), 5.0, 441.0, 0.5));
    CMusicStreamBass stream("tone.wav", 1.0f, CreateAudioOutput());
    ASSERT_TRUE(stream.Init(0.0f));
    using Clock = std::chrono::steady_clock;
    auto start = Clock::now();
    auto then = start;
    float previous = stream.GetTime();
    double largestLead = 0.0;
    int distinct = 0;
    while (Clock::now() - start < std::chrono::milliseconds(250)) {
        SleepMs(1);
        float t = stream.GetTime();
        auto now = Clock::now();
        ASSERT_GE(t, previous);
        // How far the music clock moved beyond the wall time between two reads: a clock that only
        // moved per audio buffer would jump by 23 ms here.
        largestLead = std::max(largestLead, t - previous - std::chrono::duration<double>(now - then).count());
        distinct += t != previous;
        previous = t;
        then = now;
    }
    double wall = std::chrono::duration<double>(Clock::now() - start).count();
    EXPECT_NEAR(previous, wall, 0.06) << "wall " << wall;
    EXPECT_LT(largestLead, 0.008);
    EXPECT_GT(distinct, 50);
    EXPECT_FALSE(stream.HasFinished());
}

TEST_F(LiveStream, PauseHoldsThePositionAndResumeContinues) {
    ASSERT_TRUE(WriteSineFile(folder.PathOf("tone.wav"), 5.0, 441.0, 0.5));
    CMusicStreamBass stream("tone.wav", 1.0f, CreateAudioOutput());
    ASSERT_TRUE(stream.Init(1.0f));
    SleepMs(60);
    stream.SetPaused(true);
    float held = stream.GetTime();
    EXPECT_GE(held, 1.0f);
    SleepMs(60);
    EXPECT_EQ(stream.GetTime(), held);
    stream.SeekBy(-10.0f);
    EXPECT_EQ(stream.GetTime(), 0.0f);
    stream.SeekBy(2.0f);
    EXPECT_FLOAT_EQ(stream.GetTime(), 2.0f);
    SleepMs(30);
    EXPECT_FLOAT_EQ(stream.GetTime(), 2.0f);
    stream.SetPaused(false);
    SleepMs(100);
    EXPECT_GT(stream.GetTime(), 2.03f);
    EXPECT_LT(stream.GetTime(), 2.2f);
}

TEST_F(LiveStream, FinishesOnceTheEndHasBeenHeard) {
    ASSERT_TRUE(WriteSineFile(folder.PathOf("short.wav"), 0.1, 441.0, 0.5));
    CMusicStreamBass stream("short.wav", 1.0f, CreateAudioOutput());
    ASSERT_TRUE(stream.Init(0.0f));
    EXPECT_FALSE(stream.HasFinished());
    for (int i = 0; i < 100 && !stream.HasFinished(); ++i)
        SleepMs(10);
    EXPECT_TRUE(stream.HasFinished());
    EXPECT_FLOAT_EQ(stream.GetTime(), 0.1f);

    // A seek past the end finishes at once.
    stream.Restart();
    EXPECT_FALSE(stream.HasFinished());
    stream.SeekBy(10.0f);
    EXPECT_TRUE(stream.HasFinished());
}

TEST_F(LiveStream, SpectrumMatchesTheCaptureClockAtTheSameTime) {
    ASSERT_TRUE(WriteSineFile(folder.PathOf("tone.wav"), 2.0, BinFrequency(64), 0.9, 2));
    CMusicStreamBass live("tone.wav", 0.3f, CreateAudioOutput());
    CMusicStreamBass capture("tone.wav", 1.0f, CreateCaptureAudioOutput());
    ASSERT_TRUE(live.Init(0.0f));
    ASSERT_TRUE(capture.Init(0.0f));
    live.SetPaused(true);
    float a[SpectrumBands], b[SpectrumBands];
    for (float t : {0.01f, 0.75f, 1.999f}) {
        live.SetTime(t);
        capture.SetTime(t);
        live.GetSpectrum(a);
        capture.GetSpectrum(b);
        EXPECT_EQ(std::memcmp(a, b, sizeof a), 0) << t;
    }
    EXPECT_NEAR(a[64], 0.45f, 2e-3f);
}

TEST_F(LiveStream, WithoutAnAudioDriverInitFailsWithItsLine) {
    ASSERT_TRUE(WriteSineFile(folder.PathOf("tone.wav"), 0.2, 441.0, 0.5));
    SetEnvironment("SDL_AUDIODRIVER", "no-such-driver");
    CMusicStreamBass stream("tone.wav", 1.0f, CreateAudioOutput());
    bool ok = true;
    std::string log = CaptureLog([&] { ok = stream.Init(0.0f); });
    EXPECT_FALSE(ok);
    EXPECT_NE(log.find("CMusicStreamBass::Init] Failed to initialise Bass: '1'"), std::string::npos) << log;
}

TEST_F(LiveStream, VolumeScalesTheSamplesTheDeviceReceives) {
    if (DiskDriverLosesItsFile)
        GTEST_SKIP() << "SDL's disk audio driver loses its file name on Windows";
    // The disk driver writes what the device receives to a file, as fast as it can with no delay.
    ASSERT_TRUE(WriteSineFile(folder.PathOf("tone.wav"), 0.3, 441.0, 0.8));
    std::string raw = folder.PathOf("out.raw");
    SetEnvironment("SDL_AUDIODRIVER", "disk");
    SetEnvironment("SDL_DISKAUDIOFILE", raw.c_str());
    SetEnvironment("SDL_DISKAUDIODELAY", "0");
    float peak = 0.0f;
    {
        CMusicStreamBass stream("tone.wav", 0.5f, CreateAudioOutput());
        ASSERT_TRUE(stream.Init(0.0f));
        SleepMs(50);
    }
    std::vector<uint8_t> bytes = folder.ReadBytes("out.raw");
    ASSERT_GE(bytes.size(), 0.1 * 44100 * sizeof(float));
    const float* samples = reinterpret_cast<const float*>(bytes.data());
    for (size_t i = 0; i < bytes.size() / sizeof(float); ++i)
        peak = std::max(peak, std::fabs(samples[i]));
    UnsetEnvironment("SDL_DISKAUDIOFILE");
    UnsetEnvironment("SDL_DISKAUDIODELAY");
    EXPECT_NEAR(peak, 0.4f, 1e-3f);
}

TEST_F(LiveStream, TheDeviceReceivesTheMusicInOrderAcrossManyRingsWorth) {
    if (DiskDriverLosesItsFile)
        GTEST_SKIP() << "SDL's disk audio driver loses its file name on Windows";
    // A ramp that never repeats a value within 100,000 frames and is never silent, so that the order
    // of what the device receives shows, and silence can only be frames not yet decoded.
    const int frames = 4 * 44100;
    std::vector<float> music(frames);
    for (int i = 0; i < frames; ++i)
        music[size_t(i)] = 0.05f + 0.9f * static_cast<float>(i % 100000) / 100000.0f;
    SF_INFO info{};
    info.samplerate = 44100;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE* file = sf_open(folder.PathOf("ramp.wav").c_str(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr);
    ASSERT_EQ(sf_writef_float(file, music.data(), frames), frames);
    sf_close(file);

    std::string raw = folder.PathOf("out.raw");
    SetEnvironment("SDL_AUDIODRIVER", "disk");
    SetEnvironment("SDL_DISKAUDIOFILE", raw.c_str());
    SetEnvironment("SDL_DISKAUDIODELAY", "0");
    {
        CMusicStreamBass stream("ramp.wav", 1.0f, CreateAudioOutput());
        ASSERT_TRUE(stream.Init(0.0f));
        for (int i = 0; i < 400 && !stream.HasFinished(); ++i)
            SleepMs(10);
        EXPECT_TRUE(stream.HasFinished());
    }
    UnsetEnvironment("SDL_DISKAUDIOFILE");
    UnsetEnvironment("SDL_DISKAUDIODELAY");
    std::vector<uint8_t> bytes = folder.ReadBytes("out.raw");
    const float* got = reinterpret_cast<const float*>(bytes.data());
    std::vector<float> heard;
    for (size_t i = 0; i < bytes.size() / sizeof(float); ++i)
        if (got[i] != 0.0f)
            heard.push_back(got[i]);
    ASSERT_EQ(heard.size(), music.size());
    EXPECT_TRUE(heard == music);
}
