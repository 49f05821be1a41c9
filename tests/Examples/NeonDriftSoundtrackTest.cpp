// The built soundtrack as the player hears it: decoded through the music stream from the data
// folder, its spectrum must carry the beat the script's spectrum keyframes are written against.
#include "Base/DataPaths.h"
#include "Music/CMusicStream.h"
#include "Music/CMusicStreamBass.h"
#include "Platform/Platform.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

const std::filesystem::path Built = std::filesystem::path(QV_BINARY_DIR) / "examples/neon-drift";

TEST(NeonDriftSoundtrack, DecodedSpectrumPulsesWithTheKick) {
    if (!std::filesystem::exists(Built / "soundtrack.ogg"))
        GTEST_SKIP() << "the example has not been built";
    const bool ownInit = !DataPaths().Started();
    ASSERT_TRUE(DataPaths().Start());
    ASSERT_TRUE(DataPaths().MountFolder(Built.string()));
    {
        CMusicStreamBass music("soundtrack.ogg", 1.0f, CreateCaptureAudioOutput());
        ASSERT_TRUE(music.Init(0.0f));
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
    DataPaths().Unmount(Built.string());
    if (ownInit)
        DataPaths().Stop();
}

} // namespace
