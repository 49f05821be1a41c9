// Writes one video file from captured frames: H.264 pictures and, when the presentation has music,
// an AAC track made from the decoded samples of the captured range. The FFmpeg implementation lives in
// this folder; capture talks to this interface only.
#pragma once

#include "Platform/CAudioOutput.h"

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

struct VideoEncoderSettings {
    std::string path;      // the file written
    std::string container; // "mp4" or "matroska"
    int width = 0;         // frame size in pixels; both even
    int height = 0;
    double fps = 30;  // frame i is shown at i / fps
    int frames = 0;   // how many frames will be written; the music track lasts as long as they do
    int quality = 18; // constant rate factor: 0 (lossless) to 51, lower is better
    // The decoded music (no reader: no sound track) and the moment of it that frame 0 shows.
    DecodedMusic music;
    double musicStart = 0;
    // Written into the container's metadata as they are (MP4 keeps them as its own kind of tags).
    std::vector<std::pair<std::string, std::string>> tags;
};

class CVideoEncoder {
public:
    virtual ~CVideoEncoder() = default;

    // Creates the file and sets up the encoders; false with the reason in `error`.
    virtual bool Open(const VideoEncoderSettings& settings, std::string& error) = 0;
    // Encodes the next frame: RGBA8 pixels of the opened size, top row first. The music up to the
    // frame's end is written alongside, so the file's streams stay interleaved.
    virtual bool WriteFrame(const uint8_t* rgba, std::string& error) = 0;
    // Drains the encoders, writes the rest of the music and the file's index, and closes the file.
    virtual bool Finish(std::string& error) = 0;
};

// The module's one entry point, by this name: returns a new encoder that the caller owns.
extern "C" CVideoEncoder* QvCreateVideoEncoder();
