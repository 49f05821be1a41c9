// Feeds arbitrary bytes to the music decoder (every format the sound library reads), then takes the
// spectrum of what was decoded at its start, middle and end. Decoded music must hold whole frames of
// samples in -1..1 within the decoder's limits, and give a finite spectrum.
#include "Platform/CAudioDecoder.h"
#include "Platform/CSpectrumAnalyser.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static CAudioDecoder decoder;
    static CSpectrumAnalyser analyser;
    int error = 0;
    if (!decoder.Decode(data, size, error)) {
        if (error == 0)
            std::abort();
        return 0;
    }
    const int64_t frames = decoder.Frames();
    const int channels = decoder.Channels();
    if (frames < 1 || channels < 1 || channels > CAudioDecoder::MaxChannels ||
        frames * channels > CAudioDecoder::MaxSamples || decoder.SampleRate() < CAudioDecoder::MinSampleRate ||
        decoder.SampleRate() > CAudioDecoder::MaxSampleRate)
        std::abort();
    // Whatever the file holds, what is played lies in -1..1, and so its spectrum is finite.
    for (int64_t i = 0; i < frames * channels; ++i)
        if (!(decoder.Samples()[i] >= -1.0f && decoder.Samples()[i] <= 1.0f))
            std::abort();
    float bands[CSpectrumAnalyser::Bands];
    for (int64_t end : {int64_t(0), frames / 2, frames, frames + 5000}) {
        analyser.Analyse(decoder.Samples(), frames, channels, end, bands);
        for (float b : bands)
            if (!std::isfinite(b) || b < 0.0f)
                std::abort();
    }
    return 0;
}
