// Decodes a whole music file held in memory into interleaved float samples, through libsndfile's
// virtual I/O (WAV, FLAC, Ogg Vorbis, Opus, MP3 and whatever else the library reads). Live playback
// and offline capture both play from the samples kept here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

class CAudioDecoder {
public:
    // Channel counts and sample rates outside these are refused rather than played wrongly.
    static constexpr int MaxChannels = 8;
    static constexpr int MinSampleRate = 1000;
    static constexpr int MaxSampleRate = 384000;
    // Guards against a small file that claims or expands to more audio than memory holds: 512 MiB of
    // samples (23 minutes of stereo at 48 kHz), well inside the presentation's memory budget.
    static constexpr int64_t MaxSamples = int64_t(1) << 27;

    // Replaces what was decoded before; false with an AudioError code in `error`, AudioErrorTooLong
    // for more than `maxSamples` samples (at most MaxSamples), whether the header claims them or the
    // decoder yields them. Never reads past `size` bytes. The samples go into one buffer sized from the
    // frame count the header states and grown in place when the header understates it; a header that
    // overstates it costs address space, never memory.
    bool Decode(const void* data, size_t size, int& error, int64_t maxSamples = MaxSamples);

    // Starts decoding `data` on a thread of its own, so that decoding overlaps the rest of start-up
    // (window, device, resources). The next Decode of the very same bytes waits for that result and
    // takes it instead of decoding again; a Decode of other bytes decodes them as usual. The bytes are
    // shared, not copied.
    static void DecodeAhead(std::shared_ptr<const std::vector<uint8_t>> data, int64_t maxSamples = MaxSamples);

    const float* Samples() const { return samples.get(); }
    int64_t Frames() const { return frames; }
    int Channels() const { return channels; }
    int SampleRate() const { return sampleRate; }
    int64_t Bytes() const { return frames * channels * static_cast<int64_t>(sizeof(float)); }

private:
    bool DecodeHere(const void* data, size_t size, int& error, int64_t maxSamples);

    struct FreeSamples {
        void operator()(float* p) const { std::free(p); }
    };
    // From malloc, so that growing and the last trim move pages rather than copy them.
    std::unique_ptr<float, FreeSamples> samples;
    int64_t frames = 0;
    int channels = 0;
    int sampleRate = 0;
};
