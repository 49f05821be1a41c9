// The built soundtrack as the player hears it: decoded through the music stream from the data
// folder, its spectrum must carry the beat the script's spectrum keyframes are written against.
#include "App/run/CReactionAnalysis.h"
#include "Base/AudioReactions.h"
#include "Base/DataPaths.h"
#include "Music/CMusicStream.h"
#include "Music/CMusicStreamBass.h"
#include "Platform/Platform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>

namespace {

const std::filesystem::path Built = std::filesystem::path(QV_BINARY_DIR) / "examples/neon-drift";

// The soundtrack opened from the built example's folder, as the player opens it for a capture.
class NeonDriftSoundtrack : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::filesystem::exists(Built / "soundtrack.ogg"))
            GTEST_SKIP() << "the example has not been built";
        ownInit = !DataPaths().Started();
        ASSERT_TRUE(DataPaths().Start());
        ASSERT_TRUE(DataPaths().MountFolder(Built.string()));
        mounted = true;
        music = std::make_unique<CMusicStreamBass>("soundtrack.ogg", 1.0f, CreateCaptureAudioOutput());
        ASSERT_TRUE(music->Init(0.0f));
    }
    void TearDown() override {
        music.reset();
        if (mounted)
            DataPaths().Unmount(Built.string());
        if (ownInit)
            DataPaths().Stop();
    }
    CMusicStreamBass& Music() { return *music; }

private:
    bool ownInit = false, mounted = false;
    std::unique_ptr<CMusicStreamBass> music;
};

TEST_F(NeonDriftSoundtrack, DecodedSpectrumPulsesWithTheKick) {
    CMusicStreamBass& music = Music();
    EXPECT_NEAR(music.GetLength(), 73.5f, 0.05f);
    float spectrum[SpectrumBands];
    // Bar 18 is in the loudest section; the kick lands on every beat.
    for (int beat = 0; beat < 4; ++beat) {
        const float t = 36.0f + beat * 0.5f;
        music.SetTime(t + 0.03f);
        music.GetSpectrum(spectrum);
        const float onBeat = spectrum[2];
        music.SetTime(t + 0.45f);
        music.GetSpectrum(spectrum);
        EXPECT_GT(onBeat, 0.15f) << "beat " << beat;
        EXPECT_LT(spectrum[2], onBeat / 5) << "beat " << beat;
    }
    // The breakdown (bars 12 to 16) has no kick.
    music.SetTime(26.03f);
    music.GetSpectrum(spectrum);
    EXPECT_LT(spectrum[2], 0.05f);
}

TEST_F(NeonDriftSoundtrack, TheKickIsAnOnsetOnEveryBeatAndTheBreakdownHasNone) {
    CMusicStreamBass& music = Music();
    DecodedMusic decoded;
    ASSERT_TRUE(music.GetDecodedMusic(decoded));
    std::atomic<bool> stop{false};
    CReactionAnalysis::Levels levels;
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(CReactionAnalysis::Measure(decoded, {{40.0f, 130.0f}}, stop, levels));
    const auto took = std::chrono::steady_clock::now() - start;
    std::printf("the soundtrack's analysis took %.0f ms\n", std::chrono::duration<double, std::milli>(took).count());
    const std::vector<int64_t> onsets = FindOnsets(levels.values.data(), levels.steps, levels.stepSeconds);
    auto onsetsBetween = [&](double from, double to) {
        std::vector<double> found;
        for (int64_t step : onsets) {
            const double t = double(step) * levels.stepSeconds;
            if (t >= from && t < to)
                found.push_back(t);
        }
        return found;
    };
    // Bars 17 to 19 (34 to 40 s): a kick on every beat, found within 30 ms of it.
    const std::vector<double> kicks = onsetsBetween(34.0 - 0.01, 40.0 - 0.01);
    EXPECT_EQ(kicks.size(), 12u);
    for (double t : kicks) {
        const double intoBeat = t - 0.5 * std::floor(t / 0.5 + 0.02);
        EXPECT_LT(std::abs(intoBeat), 0.03) << t;
    }
    EXPECT_TRUE(onsetsBetween(24.2, 31.9).empty()) << "the breakdown has no drums";
}

} // namespace
