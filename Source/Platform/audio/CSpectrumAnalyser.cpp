#include "Platform/audio/CSpectrumAnalyser.h"

#include <kiss_fftr.h>

#include <cmath>
#include <numbers>

struct CSpectrumAnalyser::Work {
    kiss_fftr_cfg config = nullptr;
    float window[Size];
    float input[Size];
    kiss_fft_cpx bins[Size / 2 + 1];
};

CSpectrumAnalyser::CSpectrumAnalyser() : work(std::make_unique<Work>()) {
    work->config = kiss_fftr_alloc(Size, 0, nullptr, nullptr);
    // The periodic Hann window: its mean is exactly 0.5, which makes a bin-centred full-scale sine
    // come out at 0.5 with the 2/N scale.
    for (int n = 0; n < Size; ++n)
        work->window[n] = static_cast<float>(0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * n / Size));
}

CSpectrumAnalyser::~CSpectrumAnalyser() { kiss_fftr_free(work->config); }

void CSpectrumAnalyser::Analyse(const float* samples, int64_t frames, int channels, int64_t endFrame, float* bands,
                                int count) {
    count = count < 0 ? 0 : (count > Bands ? Bands : count);
    if (!work->config || !samples || channels < 1 || frames <= 0) {
        for (int k = 0; k < count; ++k)
            bands[k] = 0.0f;
        return;
    }
    const int64_t first = endFrame - Size;
    for (int n = 0; n < Size; ++n) {
        int64_t frame = first + n;
        const float mono = frame >= 0 && frame < frames ? Mix(samples + frame * channels, channels) : 0.0f;
        work->input[n] = mono * work->window[n];
    }
    kiss_fftr(work->config, work->input, work->bins);
    const float scale = 2.0f / Size;
    for (int k = 0; k < count; ++k) {
        const kiss_fft_cpx& b = work->bins[k];
        bands[k] = std::sqrt(b.r * b.r + b.i * b.i) * scale;
    }
}
