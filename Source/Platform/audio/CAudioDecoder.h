// Decodes a music file as it is read, through libsndfile's virtual I/O over a byte source (WAV,
// FLAC, Ogg Vorbis, Opus, MP3 and whatever else the library reads), into interleaved float samples.
// Only a chunk is held at a time, so memory does not grow with the music's length.
#pragma once

#include "Base/CByteSource.h"
#include "Platform/CAudioOutput.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

class CAudioDecoder {
public:
    // Channel counts and sample rates outside these are refused rather than played wrongly.
    static constexpr int MaxChannels = 8;
    static constexpr int MinSampleRate = 1000;
    static constexpr int MaxSampleRate = 384000;
    // Music longer than a day is refused: a small file of compressed silence can claim or hold that
    // much, and counting or capturing it would keep the program busy for as long.
    static constexpr int64_t MaxSeconds = int64_t(24) * 3600;
    // Frames decoded per call into libsndfile.
    static constexpr int64_t ChunkFrames = 4096;
    // Forward moves up to this many seconds decode and drop the frames between rather than seek, so
    // that a capture stepping through the music reads it exactly as playback does.
    static constexpr int64_t SkipSeconds = 2;
    // Seeks land no nearer the end than this, and read on from there.
    static constexpr int64_t TailSeconds = 10;
    // What libsndfile keeps for one open file (its decoder's state and read buffers: a Vorbis or
    // FLAC decoder holds a few hundred KiB), rounded up; charged with the decoder's own chunk.
    static constexpr int64_t LibraryBytes = int64_t(1) << 20;

    CAudioDecoder() = default;
    ~CAudioDecoder();
    CAudioDecoder(const CAudioDecoder&) = delete;
    CAudioDecoder& operator=(const CAudioDecoder&) = delete;

    // Replaces what was open before; false with an AudioError code in `error`. The length is the
    // number of frames the data really holds: the header's count where the last of those frames can
    // be read, else (a truncated file, a count the header does not give) counted by decoding.
    bool Open(std::unique_ptr<CByteSource> source, int& error);
    // The same over `size` bytes of memory, which must outlive the decoder.
    bool Open(const void* data, size_t size, int& error);
    void Close();

    bool IsOpen() const { return sf != nullptr; }
    int64_t Frames() const { return frames; }
    int Channels() const { return channels; }
    int SampleRate() const { return sampleRate; }
    // The next frame Read returns.
    int64_t Position() const { return position; }

    // What opens a decoder of its own over the file `open` gives, each time it is called, for a
    // reader of the whole music beside playback; empty when `open` is.
    static DecodedMusicOpener ReaderOf(const MusicOpener& open);

    // Moves to `frame` (clamped to 0..Frames); false where the decoder cannot get there.
    bool SeekTo(int64_t frame);
    // Up to `count` frames from the position into `out`; how many (0 at the end). Every sample is
    // finite and within -1..1.
    int64_t Read(float* out, int64_t count);
    // Frames first..first+count into `out`, silence for those outside the music or unreadable.
    void ReadAt(int64_t first, int64_t count, float* out);

    // The memory an open decoder takes.
    int64_t Bytes() const { return sf ? LibraryBytes + static_cast<int64_t>(chunk.capacity() * sizeof(float)) : 0; }

private:
    bool Reopen();
    bool MeasureLength(int64_t claimed, int& error);
    int64_t Discard(int64_t count);

    std::unique_ptr<CByteSource> source;
    struct sf_private_tag* sf = nullptr;
    std::vector<float> chunk;
    int64_t frames = 0;
    int64_t position = 0;
    int channels = 0;
    int sampleRate = 0;
};
