// The soundtrack drives the presentation's spectrum keyframes: the kick must stand out in the low
// bands on the beat and be gone between beats, the quiet sections must be quiet, and the same
// samples must come out on every build.
#include "../../tools/CSoundtrack.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

const std::vector<float>& Track() {
    static const std::vector<float> track = CSoundtrack().Render();
    return track;
}

// The player's spectrum: Hann-windowed 1024-sample transform of the mono mix ending at `seconds`.
double Band(double seconds, int band) {
    const std::vector<float>& s = Track();
    const long end = long(seconds * CSoundtrack::SampleRate), start = end - 1024;
    double re = 0, im = 0;
    for (int n = 0; n < 1024; ++n) {
        const double x = (s[2 * (start + n)] + s[2 * (start + n) + 1]) * 0.5;
        const double w = 0.5 - 0.5 * std::cos(2 * M_PI * n / 1024);
        re += x * w * std::cos(2 * M_PI * band * n / 1024);
        im -= x * w * std::sin(2 * M_PI * band * n / 1024);
    }
    return std::sqrt(re * re + im * im) * 2 / 1024;
}

double Rms(double from, double to) {
    const std::vector<float>& s = Track();
    double sum = 0;
    const size_t a = size_t(from * CSoundtrack::SampleRate) * 2, b = size_t(to * CSoundtrack::SampleRate) * 2;
    for (size_t i = a; i < b; ++i)
        sum += double(s[i]) * s[i];
    return std::sqrt(sum / double(b - a));
}

double BeatTime(int bar, int beat) { return bar * CSoundtrack::BarSeconds() + beat * CSoundtrack::BeatSeconds(); }

TEST(CSoundtrack, LengthAndLevelFitTheScript) {
    const std::vector<float>& s = Track();
    EXPECT_EQ(s.size(), size_t(CSoundtrack::LengthSeconds() * CSoundtrack::SampleRate) * 2);
    EXPECT_NEAR(CSoundtrack::LengthSeconds(), 73.5, 1e-9);
    float peak = 0;
    for (float v : s) {
        ASSERT_TRUE(std::isfinite(v));
        peak = std::max(peak, std::fabs(v));
    }
    EXPECT_LE(peak, 0.9f);
    EXPECT_GT(peak, 0.8f);
    // It fades out rather than stopping with a click.
    EXPECT_LT(std::fabs(s[s.size() - 2]), 1e-3f);
}

TEST(CSoundtrack, KickLightsTheLowBandsOnTheBeatOnly) {
    for (int bar : {5, 9, 18, 25, 30}) {
        ASSERT_TRUE(CSoundtrack::KickInBar(bar));
        for (int beat = 0; beat < 4; ++beat) {
            const double onBeat = Band(BeatTime(bar, beat) + 0.03, 2);
            const double between = Band(BeatTime(bar, beat) + 0.45, 2);
            EXPECT_GT(onBeat, 0.15) << "bar " << bar << " beat " << beat;
            EXPECT_GT(onBeat, 8 * between) << "bar " << bar << " beat " << beat;
        }
    }
}

TEST(CSoundtrack, BreakdownAndIntroAreQuieterThanTheDrop) {
    for (int bar : {1, 13, 14}) {
        ASSERT_FALSE(CSoundtrack::KickInBar(bar));
        for (int beat = 0; beat < 4; ++beat)
            EXPECT_LT(Band(BeatTime(bar, beat) + 0.03, 2), 0.05) << "bar " << bar;
    }
    const double drop = Rms(BeatTime(18, 0), BeatTime(22, 0));
    EXPECT_LT(Rms(BeatTime(0, 0), BeatTime(2, 0)), drop * 0.5);
    EXPECT_LT(Rms(BeatTime(12, 0), BeatTime(16, 0)), drop * 0.7);
}

TEST(CSoundtrack, RendersTheSameSamplesEveryTime) {
    const std::vector<float> again = CSoundtrack().Render();
    ASSERT_EQ(again.size(), Track().size());
    EXPECT_TRUE(again == Track());
}

} // namespace
