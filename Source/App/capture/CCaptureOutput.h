// Where the frames of an offline capture go: one video file with the music of the captured range
// when the capture target ends in ".mp4" or ".mkv" (any letter case), numbered PNG files in a folder
// otherwise; nowhere at all, the frames dropped once read back, when made to draw only (to measure
// drawing alone). Each failure comes back as the one message the user is shown.
#pragma once

#include "App/capture/CCaptureSchedule.h"

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class CFrameWriter;
class CVideoWriter;
struct DecodedMusic;

class CCaptureOutput {
public:
    explicit CCaptureOutput(std::string target, bool drawOnly = false);
    // A video not finished is abandoned: nothing is left under its name.
    ~CCaptureOutput();
    CCaptureOutput(const CCaptureOutput&) = delete;
    CCaptureOutput& operator=(const CCaptureOutput&) = delete;

    static bool IsVideoFile(const std::string& target);
    bool IsVideo() const { return IsVideoFile(target); }

    // Creates the folder (and the folders above a video file) and, for a video, starts writing it
    // for the schedule's frames of `width` × `height`, with the music when `music` is given and
    // `quality` as the encoder's constant rate factor. `frameCount` frames (the schedule's when -1) are written;
    // a video carries `tags` in its container's metadata. False with the message.
    bool Open(const CCaptureSchedule& schedule, int width, int height, const DecodedMusic* music, int quality,
              std::string& message, int frameCount = -1,
              const std::vector<std::pair<std::string, std::string>>& tags = {});
    // Hands over frame `index` (RGBA8, top row first) and leaves `rgba` holding a spare buffer.
    // False with the message for this or an earlier frame that could not be written.
    bool Write(int index, std::vector<uint8_t>& rgba, int width, int height, std::string& message);
    // Waits for every frame and, for a video, gives the finished file its name. False with the message.
    bool Finish(std::string& message);
    // The message for frame `index` whose picture could not be read from the device.
    std::string ReadBackFailure(int index) const;
    // What a finished capture takes on disk: the video's size, or that of frames first .. first +
    // count - 1 in the folder.
    unsigned long long WrittenBytes(int first, int count) const;

private:
    std::string FrameFailure(int index) const;
    std::string VideoFailure(const std::string& reason) const;

    std::string target;
    bool drawOnly;
    std::unique_ptr<CFrameWriter> frames;
    std::unique_ptr<CVideoWriter> video;
};
