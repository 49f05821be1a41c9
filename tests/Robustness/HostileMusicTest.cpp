// Float audio files can hold any value; what the decoder hands on for playing and for the spectrum
// always lies in -1..1, so the spectrum stays finite.
#include "Platform/audio/CAudioDecoder.h"
#include "Platform/audio/CSpectrumAnalyser.h"
#include "Testing/TempFolder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

namespace {

// A big-endian 32-bit float AU file of one channel at 8000 Hz.
std::string FloatAu(const std::vector<float>& samples) {
    std::string s(".snd\0\0\0\x18\xff\xff\xff\xff\0\0\0\x06\0\0\x1f\x40\0\0\0\x01", 24);
    for (float v : samples) {
        uint32_t bits;
        std::memcpy(&bits, &v, 4);
        for (int shift = 24; shift >= 0; shift -= 8)
            s += static_cast<char>((bits >> shift) & 0xFF);
    }
    return s;
}

std::vector<float> ReadAll(CAudioDecoder& decoder) {
    std::vector<float> all(static_cast<size_t>(decoder.Frames() * decoder.Channels()));
    decoder.ReadAt(0, decoder.Frames(), all.data());
    return all;
}

void ExpectPlayable(const std::vector<float>& samples, int channels) {
    for (size_t i = 0; i < samples.size(); ++i)
        ASSERT_TRUE(samples[i] >= -1.0f && samples[i] <= 1.0f) << "sample " << i;
    CSpectrumAnalyser analyser;
    float bands[CSpectrumAnalyser::Bands];
    const int64_t frames = static_cast<int64_t>(samples.size()) / channels;
    analyser.Analyse(samples.data(), frames, channels, frames, bands);
    for (float b : bands)
        ASSERT_TRUE(std::isfinite(b));
}

TEST(HostileMusic, OutOfRangeAndNotANumberSamplesAreClippedOrSilenced) {
    const float inf = std::numeric_limits<float>::infinity();
    std::string file = FloatAu({std::nanf(""), inf, -inf, -3e38f, 0.25f, 1.5f});
    CAudioDecoder decoder;
    int error = -1;
    ASSERT_TRUE(decoder.Open(file.data(), file.size(), error));
    ASSERT_EQ(decoder.Frames(), 6);
    const std::vector<float> s = ReadAll(decoder);
    EXPECT_EQ(s[0], 0.0f);
    EXPECT_EQ(s[1], 1.0f);
    EXPECT_EQ(s[2], -1.0f);
    EXPECT_EQ(s[3], -1.0f);
    EXPECT_EQ(s[4], 0.25f); // ordinary samples are untouched
    EXPECT_EQ(s[5], 1.0f);
    ExpectPlayable(s, decoder.Channels());
}

TEST(HostileMusic, FuzzedFileOfHugeFloatsGivesAFiniteSpectrum) {
    std::string file = TempFolder::Read(std::string(QV_SOURCE_DIR) + "/tests/data/hostile/huge-float.au");
    CAudioDecoder decoder;
    int error = -1;
    ASSERT_TRUE(decoder.Open(file.data(), file.size(), error));
    ExpectPlayable(ReadAll(decoder), decoder.Channels());
}

} // namespace
