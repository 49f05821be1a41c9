// Feeds arbitrary bytes to the music decoder (every format the sound library reads), then takes the
// spectrum of what was decoded at its start, middle and end. Decoded music must hold whole frames of
// finite samples within the decoder's limits.
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
    // A sample that is not finite (the decoder may pass such values on) spreads into the bands;
    // everything else must give finite magnitudes.
    bool finiteInput = true;
    for (int64_t i = 0; i < frames * channels && finiteInput; ++i)
        finiteInput = std::isfinite(decoder.Samples()[i]);
    float bands[CSpectrumAnalyser::Bands];
    for (int64_t end : {int64_t(0), frames / 2, frames, frames + 5000}) {
        analyser.Analyse(decoder.Samples(), frames, channels, end, bands);
        if (finiteInput)
            for (float b : bands)
                if (!std::isfinite(b) || b < 0.0f)
                    std::abort();
    }
    return 0;
}
