#include "App/authoring/CLogFrequencyAxis.h"

#include <algorithm>
#include <cmath>

CLogFrequencyAxis::CLogFrequencyAxis(float sampleRate, int bandCount)
    : rate(sampleRate > 0.0f && std::isfinite(sampleRate) ? sampleRate : DefaultRate),
      bands(std::clamp(bandCount, 1, FftSize / 2)) {}

float CLogFrequencyAxis::FractionOf(float hz) const {
    if (!(hz > LowestHz()))
        return 0.0f;
    return std::clamp(std::log(hz / LowestHz()) / std::log(HighestHz() / LowestHz()), 0.0f, 1.0f);
}

float CLogFrequencyAxis::BandStart(int band) const {
    band = std::clamp(band, 0, bands - 1);
    return band == 0 ? 0.0f : FractionOf(static_cast<float>(band) * BandWidthHz());
}

float CLogFrequencyAxis::BandEnd(int band) const {
    band = std::clamp(band, 0, bands - 1);
    return FractionOf(static_cast<float>(band + 1) * BandWidthHz());
}

int CLogFrequencyAxis::Labels(float* out, int capacity) const {
    int written = 0;
    for (float decade = 10.0f; decade < HighestHz() && written < capacity; decade *= 10.0f)
        for (float step : {1.0f, 2.0f, 5.0f}) {
            const float hz = decade * step;
            if (hz >= LowestHz() && hz <= HighestHz() && written < capacity)
                out[written++] = hz;
        }
    return written;
}
