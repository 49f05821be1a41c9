// Feeds arbitrary bytes to the music decoder (every format the sound library reads), reads what it
// decodes in blocks from the start and from a few places sought to, and takes the spectrum of each
// block. Decoded music must hold whole frames of samples in -1..1 within the decoder's limits, and
// give a finite spectrum.
#include "Platform/audio/CAudioDecoder.h"
#include "Platform/audio/CSpectrumAnalyser.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static CAudioDecoder decoder;
    static CSpectrumAnalyser analyser;
    int error = 0;
    if (!decoder.Open(data, size, error)) {
        if (error == 0)
            std::abort();
        return 0;
    }
    const int64_t frames = decoder.Frames();
    const int channels = decoder.Channels();
    if (frames < 1 || channels < 1 || channels > CAudioDecoder::MaxChannels ||
        frames > CAudioDecoder::MaxSeconds * decoder.SampleRate() ||
        decoder.SampleRate() < CAudioDecoder::MinSampleRate || decoder.SampleRate() > CAudioDecoder::MaxSampleRate)
        std::abort();
    const int64_t size1024 = CSpectrumAnalyser::Size;
    std::vector<float> block(static_cast<size_t>(size1024 * channels));
    float bands[CSpectrumAnalyser::Bands];
    for (int64_t end : {int64_t(0), frames / 2, frames, frames + 5000, frames / 3}) {
        decoder.ReadAt(end - size1024, size1024, block.data());
        // Whatever the file holds, what is played lies in -1..1, and so its spectrum is finite.
        for (float v : block)
            if (!(v >= -1.0f && v <= 1.0f))
                std::abort();
        analyser.Analyse(block.data(), size1024, channels, size1024, bands);
        for (float b : bands)
            if (!std::isfinite(b) || b < 0.0f)
                std::abort();
    }
    return 0;
}
