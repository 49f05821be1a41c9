#include "Platform/audio/CSpectrumAnalyser.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace {

std::vector<float> Sine(int frames, int channels, double cyclesPerFrame, float amplitude, bool invertSecond = false) {
    std::vector<float> s(static_cast<size_t>(frames * channels));
    for (int i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c) {
            float v = amplitude * static_cast<float>(std::sin(2.0 * std::numbers::pi * cyclesPerFrame * i));
            s[static_cast<size_t>(i * channels + c)] = (invertSecond && c == 1) ? -v : v;
        }
    return s;
}

int Peak(const float* bands) {
    return static_cast<int>(std::max_element(bands, bands + CSpectrumAnalyser::Bands) - bands);
}

} // namespace

TEST(CSpectrumAnalyser, FullScaleSineAtABinCentreGivesHalfInThatBin) {
    CSpectrumAnalyser analyser;
    for (int bin : {5, 20, 300}) {
        std::vector<float> s = Sine(4096, 1, bin / 1024.0, 1.0f);
        float bands[CSpectrumAnalyser::Bands];
        analyser.Analyse(s.data(), 4096, 1, 3000, bands);
        EXPECT_EQ(Peak(bands), bin);
        EXPECT_NEAR(bands[bin], 0.5f, 1e-3f);
        // The Hann window spreads a bin-centred sine over its two neighbours only.
        EXPECT_NEAR(bands[bin - 1], 0.25f, 1e-3f);
        EXPECT_NEAR(bands[bin + 3], 0.0f, 1e-3f);
    }
}

TEST(CSpectrumAnalyser, MagnitudeScalesWithAmplitudeAndMixesChannelsToMono) {
    CSpectrumAnalyser analyser;
    float bands[CSpectrumAnalyser::Bands];
    std::vector<float> stereo = Sine(2048, 2, 40 / 1024.0, 0.5f);
    analyser.Analyse(stereo.data(), 2048, 2, 2048, bands);
    EXPECT_NEAR(bands[40], 0.25f, 1e-3f);

    std::vector<float> cancelling = Sine(2048, 2, 40 / 1024.0, 0.5f, true);
    analyser.Analyse(cancelling.data(), 2048, 2, 2048, bands);
    EXPECT_NEAR(*std::max_element(bands, bands + CSpectrumAnalyser::Bands), 0.0f, 1e-6f);
}

TEST(CSpectrumAnalyser, SilenceAndPositionsOutsideTheMusicGiveZeros) {
    CSpectrumAnalyser analyser;
    float bands[CSpectrumAnalyser::Bands];
    std::vector<float> silence(2048, 0.0f);
    analyser.Analyse(silence.data(), 2048, 1, 1500, bands);
    EXPECT_EQ(*std::max_element(bands, bands + CSpectrumAnalyser::Bands), 0.0f);

    std::vector<float> tone = Sine(2048, 1, 10 / 1024.0, 1.0f);
    for (int64_t end : {int64_t(0), int64_t(-50), int64_t(2048 + 1024), int64_t(1) << 40}) {
        std::fill(bands, bands + CSpectrumAnalyser::Bands, 1.0f);
        analyser.Analyse(tone.data(), 2048, 1, end, bands);
        EXPECT_EQ(*std::max_element(bands, bands + CSpectrumAnalyser::Bands), 0.0f) << end;
    }
    // Half the window before the start: the tone is there, weaker, and nothing is read out of range.
    analyser.Analyse(tone.data(), 2048, 1, 512, bands);
    EXPECT_GT(bands[10], 0.05f);
    EXPECT_LT(bands[10], 0.5f);
}
