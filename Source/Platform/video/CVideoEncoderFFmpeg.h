// The video encoder on FFmpeg's libraries: frames converted to yuv420p (BT.709, limited range) by
// libswscale and encoded by libx264; the music as CSoundTrackFFmpeg writes it; both interleaved into
// MP4 or Matroska by libavformat. Built as the
// module quorin-vanto-video.so, loaded when a video is first exported.
#pragma once

#include "Platform/CVideoEncoder.h"
#include "Platform/video/CSoundTrackFFmpeg.h"

#include <memory>

struct AVCodecContext;
struct AVFormatContext;
struct AVFrame;
struct AVPacket;
struct AVStream;
struct SwsContext;

class CVideoEncoderFFmpeg : public CVideoEncoder {
public:
    // Fast enough to keep up with drawing on a small machine; at the default quality the pictures
    // look the same as with slower presets, in files of about the same size.
    static constexpr const char* Preset = "veryfast";

    CVideoEncoderFFmpeg() = default;
    ~CVideoEncoderFFmpeg() override;
    CVideoEncoderFFmpeg(const CVideoEncoderFFmpeg&) = delete;
    CVideoEncoderFFmpeg& operator=(const CVideoEncoderFFmpeg&) = delete;

    bool Open(const VideoEncoderSettings& settings, std::string& error) override;
    bool WriteFrame(const uint8_t* rgba, std::string& error) override;
    bool Finish(std::string& error) override;

private:
    bool OpenVideo(std::string& error);
    // Sends `frame` (null: drains the encoder) and writes every packet the encoder gives back.
    bool Encode(AVFrame* frame, std::string& error);
    // The sound track's samples that go with the first `frames` pictures.
    int64_t SamplesOf(int64_t frames) const;
    void Close();

    VideoEncoderSettings settings;
    AVFormatContext* format = nullptr;
    AVCodecContext* video = nullptr;
    AVStream* videoStream = nullptr;
    AVFrame* picture = nullptr;
    AVPacket* packet = nullptr;
    SwsContext* scaler = nullptr;
    std::unique_ptr<CSoundTrackFFmpeg> sound; // none without music
    bool fileOpen = false;
    bool finished = false;
    int64_t framesWritten = 0;
};
