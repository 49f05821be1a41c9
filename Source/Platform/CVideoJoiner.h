// Joins videos exported in parts into one file: the parts' pictures copied one after the other as
// they are (nothing encoded again), and one sound track encoded for the whole. The FFmpeg
// implementation lives in the video module beside the encoder; the join talks to this interface only.
#pragma once

#include "Platform/CAudioOutput.h"

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

// What a video file holds, as far as a join needs to know.
struct VideoFileInfo {
    std::string container; // the demuxer's name ("mov,mp4,m4a,3gp,3g2,mj2", "matroska,webm")
    int width = 0, height = 0;
    std::string videoCodec;                                // "h264"
    int64_t pictures = 0;                                  // pictures in the video stream, counted one by one
    int soundStreams = 0;                                  // a part has none
    std::vector<std::pair<std::string, std::string>> tags; // the container's metadata, names lower case
};

struct VideoJoinSettings {
    std::string path;               // the file written
    std::string container;          // "mp4" or "matroska"
    std::vector<std::string> parts; // in the order their pictures are shown
    double fps = 30;                // each picture lasts 1 / fps
    int64_t frames = 0;             // pictures of all the parts together
    // The decoded music (no reader: no sound track) and the moment of it that the first picture shows.
    DecodedMusic music;
    double musicStart = 0;
    // Asked between packets: true ends the join (with the reason "interrupted").
    std::function<bool()> stopRequested;
};

class CVideoJoiner {
public:
    virtual ~CVideoJoiner() = default;

    // Opens the file and reads every packet of it; false with the reason for a file that is no video.
    virtual bool Inspect(const std::string& path, VideoFileInfo& info, std::string& error) = 0;
    // Writes the joined video to `settings.path` (which the caller has created); false with the
    // reason, in which case what was written there is to be removed by the caller.
    virtual bool Join(const VideoJoinSettings& settings, std::string& error) = 0;
};

// The module's second entry point, by this name: returns a new joiner that the caller owns.
extern "C" CVideoJoiner* QvCreateVideoJoiner();
