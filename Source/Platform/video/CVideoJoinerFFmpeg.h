// The join of exported parts on FFmpeg's libraries: libavformat reads each part's H.264 packets and
// writes them unchanged, their timestamps moved by the parts before, into one MP4 or Matroska file,
// beside one sound track that CSoundTrackFFmpeg encodes for the whole range.
#pragma once

#include "Platform/CVideoJoiner.h"

class CVideoJoinerFFmpeg : public CVideoJoiner {
public:
    bool Inspect(const std::string& path, VideoFileInfo& info, std::string& error) override;
    bool Join(const VideoJoinSettings& settings, std::string& error) override;
};
