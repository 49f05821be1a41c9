// Decodes a whole music file held in memory into interleaved float samples, through libsndfile's
// virtual I/O (WAV, FLAC, Ogg Vorbis, Opus, MP3 and whatever else the library reads). Live playback
// and offline capture both play from the samples kept here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class CAudioDecoder {
public:
    // Channel counts and sample rates outside these are refused rather than played wrongly.
    static constexpr int MaxChannels = 8;
    static constexpr int MinSampleRate = 1000;
    static constexpr int MaxSampleRate = 384000;
    // Guards against a small file that claims or expands to more audio than memory holds.
    static constexpr int64_t MaxSamples = int64_t(1) << 29;

    // Replaces what was decoded before; false with an AudioError code in `error`. Never reads past
    // `size` bytes, and trusts no length the file's header states.
    bool Decode(const void* data, size_t size, int& error);

    // Starts decoding `data` on a thread of its own, so that decoding overlaps the rest of start-up
    // (window, device, resources). The next Decode of the very same bytes waits for that result and
    // takes it instead of decoding again; a Decode of other bytes decodes them as usual.
    static void DecodeAhead(std::string data);

    const float* Samples() const { return samples.data(); }
    int64_t Frames() const { return frames; }
    int Channels() const { return channels; }
    int SampleRate() const { return sampleRate; }

private:
    bool DecodeHere(const void* data, size_t size, int& error);

    std::vector<float> samples;
    int64_t frames = 0;
    int channels = 0;
    int sampleRate = 0;
};
