// Plays one piece of decoded music and says which sample is being heard: the music stream's view of
// the machine's audio. The live implementation plays through SDL; the capture implementation plays
// nothing and stands wherever the caller puts it, so offline frames see the same samples.
#pragma once

#include "Base/CByteSource.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

// The numbers the music stream logs when something fails (documented in docs/music.md).
enum AudioError : int {
    AudioErrorNone = 0,
    AudioErrorDriver = 1,      // the audio subsystem could not start (no usable audio driver)
    AudioErrorDevice = 2,      // the output device could not be opened for the music's format
    AudioErrorFormat = 3,      // the data is not in any audio format the decoder reads
    AudioErrorEmpty = 4,       // the data decodes to no samples at all
    AudioErrorUnsupported = 5, // channel count or sample rate outside what is played
    AudioErrorTooLong = 6,     // the music lasts longer than a day
    AudioErrorNotLoaded = 7,   // playback was asked for before any music was loaded
    AudioErrorStopped = 8,     // decoding gave up because the run was asked to stop
};

// Opens the music file afresh, once for each reader of it (playback, the spectrum, a sound track).
using MusicOpener = std::function<std::unique_ptr<CByteSource>()>;

// The decoded music, `frames` frames of `channels` channels, read a block at a time: `read` fills
// `count` interleaved frames from frame `first` (silence outside the music) and is quickest when the
// blocks follow each other. It decodes on its own, whatever the output that gave it does.
struct DecodedMusic {
    std::function<void(int64_t first, int64_t count, float* out)> read;
    int64_t frames = 0;
    int channels = 0;
    int sampleRate = 0;
};

// Opens a reader of the decoded music that stands on its own: it may be called on any thread and
// outlive the output that gave it. False where the music cannot be opened.
using DecodedMusicOpener = std::function<bool(DecodedMusic& music)>;

class CAudioOutput {
public:
    virtual ~CAudioOutput() = default;

    // Makes the audio driver ready; false (with GetLastError) when there is none.
    virtual bool Init() = 0;
    // Opens the music file and prepares to play it from frame 0, not yet playing; the music is
    // decoded as it is needed, so its memory does not grow with its length.
    virtual bool Load(const MusicOpener& open) = 0;
    // Starts or resumes at the current position.
    virtual bool Play() = 0;
    // Stops where the listener is: the position stays at the frame being heard.
    virtual void Pause() = 0;

    // The frame being heard, counted from the start of the music; between audio callbacks it is
    // interpolated with the high-resolution counter, so it moves smoothly and never goes backwards
    // except through SetPosition. It never exceeds GetLengthFrames.
    virtual int64_t GetPositionFrames() = 0;
    // Moves playback; clamped to 0..GetLengthFrames.
    virtual void SetPositionFrames(int64_t frame) = 0;
    virtual int64_t GetLengthFrames() const = 0;
    virtual int GetSampleRate() const = 0;

    // Output gain, 0 to 1, applied to every sample played.
    virtual void SetVolume(float gain) = 0;
    // 512 magnitudes of the 1024 decoded frames that end at the frame being heard.
    virtual void GetSpectrum(float* bands) = 0;

    virtual int GetLastError() const = 0;

    // The memory the music's decoding holds: the decoder and its buffers (0 before a successful Load).
    virtual int64_t DecodedBytes() const { return 0; }

    // What opens the decoded music afresh, for a sound track or an analysis of the whole music; empty
    // before a successful Load.
    virtual DecodedMusicOpener DecodedMusicSource() const { return {}; }
    // The decoded music, for writing it into an exported video; false where the output keeps none.
    bool GetDecodedMusic(DecodedMusic& music) const {
        const DecodedMusicOpener open = DecodedMusicSource();
        return open && open(music);
    }
};
