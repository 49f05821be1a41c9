// The video encoder on FFmpeg's libraries: frames converted to yuv420p (BT.709, limited range) by
// libswscale and encoded by libx264; the music resampled to 48 kHz stereo by libswresample and encoded
// by FFmpeg's own AAC encoder; both interleaved into MP4 or Matroska by libavformat. Built as the
// module quorin-vanto-video.so, loaded when a video is first exported.
#pragma once

#include "Platform/CVideoEncoder.h"

#include <vector>

struct AVCodecContext;
struct AVFormatContext;
struct AVFrame;
struct AVPacket;
struct AVStream;
struct SwrContext;
struct SwsContext;

class CVideoEncoderFFmpeg : public CVideoEncoder {
public:
    // Fast enough to keep up with drawing on a small machine; at the default quality the pictures
    // look the same as with slower presets, in files of about the same size.
    static constexpr const char* Preset = "veryfast";
    static constexpr int AudioRate = 48000;
    static constexpr int AudioBitRate = 192000;

    CVideoEncoderFFmpeg() = default;
    ~CVideoEncoderFFmpeg() override;
    CVideoEncoderFFmpeg(const CVideoEncoderFFmpeg&) = delete;
    CVideoEncoderFFmpeg& operator=(const CVideoEncoderFFmpeg&) = delete;

    bool Open(const VideoEncoderSettings& settings, std::string& error) override;
    bool WriteFrame(const uint8_t* rgba, std::string& error) override;
    bool Finish(std::string& error) override;

private:
    bool OpenVideo(std::string& error);
    bool OpenAudio(std::string& error);
    // Sends `frame` (null: drains the encoder) and writes every packet the encoder gives back.
    bool Encode(AVCodecContext* codec, AVStream* stream, AVFrame* frame, std::string& error);
    // Encodes the sound track up to sample `end` (48 kHz, counted from the track's start); the last
    // call, with `final`, encodes the rest, a short last block included.
    bool WriteAudioUntil(int64_t end, bool final, std::string& error);
    // Resamples the next block of the music (silence past its end), or drains the resampler once
    // the range is covered; false on a resampler failure.
    bool ResampleMore();
    void Close();

    VideoEncoderSettings settings;
    AVFormatContext* format = nullptr;
    AVCodecContext* video = nullptr;
    AVCodecContext* audio = nullptr;
    AVStream* videoStream = nullptr;
    AVStream* audioStream = nullptr;
    AVFrame* picture = nullptr;
    AVFrame* sound = nullptr;
    AVPacket* packet = nullptr;
    SwsContext* scaler = nullptr;
    SwrContext* resampler = nullptr;
    bool fileOpen = false;
    bool finished = false;

    int64_t framesWritten = 0;
    int64_t audioTotal = 0;   // samples in the sound track: as long as the video
    int64_t audioEncoded = 0; // samples handed to the AAC encoder
    int64_t musicFirst = 0;   // the music's frame that the track starts with
    int64_t musicNeeded = 0;  // music frames (or silence past its end) that cover the track
    int64_t musicFed = 0;     // of those, handed to the resampler
    bool resamplerDrained = false;
    std::vector<float> input;        // one block of interleaved music
    std::vector<float> resampled[2]; // left and right samples not yet encoded, from `consumed` on
    size_t consumed = 0;
};
