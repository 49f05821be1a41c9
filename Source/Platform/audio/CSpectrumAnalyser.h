// The music's spectrum as the presentation sees it: a Hann-windowed 1024-point FFT of the mono mix
// of the 1024 frames that end at a given frame, as 512 magnitudes |X[k]| * 2 / 1024. A full-scale
// sine at a bin centre gives 0.5, so music stays between 0 and 1.
#pragma once

#include <cstdint>
#include <memory>

class CSpectrumAnalyser {
public:
    static constexpr int Size = 1024;
    static constexpr int Bands = Size / 2;

    CSpectrumAnalyser();
    ~CSpectrumAnalyser();
    CSpectrumAnalyser(const CSpectrumAnalyser&) = delete;
    CSpectrumAnalyser& operator=(const CSpectrumAnalyser&) = delete;

    // `samples` holds `frames` interleaved frames of `channels` samples. Frames before 0 or from
    // `frames` on count as silence. Writes the first `count` bands (all of them unless fewer are
    // asked for). Allocates nothing.
    void Analyse(const float* samples, int64_t frames, int channels, int64_t endFrame, float* bands, int count = Bands);
    // The mono mix the analysis takes of one frame of `channels` samples, for callers that mix once
    // and analyse the mix (with one channel) many times.
    static float Mix(const float* frame, int channels) {
        float mono = 0.0f;
        for (int c = 0; c < channels; ++c)
            mono += frame[c];
        return mono * (1.0f / static_cast<float>(channels));
    }

private:
    // The FFT plan and its buffers, kept out of this header so that it needs no kissfft include.
    struct Work;
    std::unique_ptr<Work> work;
};
