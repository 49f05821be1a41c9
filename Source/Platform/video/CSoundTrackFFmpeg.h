// The sound track of an exported video: the decoded music of a range, resampled to 48 kHz stereo by
// libswresample and encoded by FFmpeg's own AAC encoder, written block by block into a file that
// libavformat writes. The encoder of a whole video and the join of parts both write it this way, so
// the sound of a joined video is the sound of the same range exported whole.
#pragma once

#include "Platform/CAudioOutput.h"

#include <cstdint>
#include <string>
#include <vector>

struct AVCodecContext;
struct AVFormatContext;
struct AVFrame;
struct AVPacket;
struct AVStream;
struct SwrContext;

class CSoundTrackFFmpeg {
public:
    static constexpr int AudioRate = 48000;
    static constexpr int AudioBitRate = 192000;

    CSoundTrackFFmpeg() = default;
    ~CSoundTrackFFmpeg();
    CSoundTrackFFmpeg(const CSoundTrackFFmpeg&) = delete;
    CSoundTrackFFmpeg& operator=(const CSoundTrackFFmpeg&) = delete;

    // Adds the sound stream to `format` (before its header is written): `samples` samples at 48 kHz,
    // starting with the music at `musicStart` seconds. False with the reason.
    bool Open(AVFormatContext* format, const DecodedMusic& music, double musicStart, int64_t samples,
              std::string& error);
    // Encodes the track up to sample `end`; the last call, with `final`, encodes the rest (a short
    // last block included) and drains the encoder.
    bool WriteUntil(int64_t end, bool final, std::string& error);

private:
    // Sends `frame` (null: drains the encoder) and writes every packet the encoder gives back.
    bool Encode(AVFrame* frame, std::string& error);
    // Resamples the next block of the music (silence past its end), or drains the resampler once
    // the range is covered; false on a resampler failure.
    bool ResampleMore();

    AVFormatContext* format = nullptr;
    DecodedMusic music;
    AVCodecContext* audio = nullptr;
    AVStream* stream = nullptr;
    AVFrame* sound = nullptr;
    AVPacket* packet = nullptr;
    SwrContext* resampler = nullptr;

    int64_t audioTotal = 0;   // samples in the sound track
    int64_t audioEncoded = 0; // samples handed to the AAC encoder
    int64_t musicFirst = 0;   // the music's frame that the track starts with
    int64_t musicNeeded = 0;  // music frames (or silence past its end) that cover the track
    int64_t musicFed = 0;     // of those, handed to the resampler
    bool resamplerDrained = false;
    std::vector<float> input;        // one block of interleaved music
    std::vector<float> resampled[2]; // left and right samples not yet encoded, from `consumed` on
    size_t consumed = 0;
};
