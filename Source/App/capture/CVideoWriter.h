// Writes the frames of a capture into one video file through a CVideoEncoder, on a thread of its own
// so that encoding overlaps drawing. The file is written under a temporary name beside the final one
// and renamed once complete; after a failure the temporary file is removed, so the final name never
// holds half a video. The temporary file is made here, under a name no one can guess beforehand and
// never through a symbolic link, so an export writes nowhere but where it was asked to.
#pragma once

#include "Platform/CVideoEncoder.h"

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class CVideoWriter {
public:
    explicit CVideoWriter(std::unique_ptr<CVideoEncoder> encoder);
    // An unfinished video is abandoned: its temporary file is removed.
    ~CVideoWriter();
    CVideoWriter(const CVideoWriter&) = delete;
    CVideoWriter& operator=(const CVideoWriter&) = delete;

    // Creates the empty file the video is written into while it is made: beside `path`, so that
    // renaming it is one step, named `path`.<random>.part, refusing to reuse or follow whatever is
    // there. False with the reason.
    static bool CreateTemporary(const std::string& path, std::string& temporary, std::string& error);
    // The temporary file's name while the video is open.
    const std::string& TemporaryPath() const { return temporary; }

    // Opens the encoder on the temporary name of `settings.path`; false with the reason.
    bool Open(const VideoEncoderSettings& settings, std::string& error);
    // Hands the next frame (RGBA8 of the opened size, top row first) to the encoding thread and
    // leaves `rgba` holding a spare buffer. Waits for the frame before; false with the reason when
    // that (or an earlier) frame failed, or for pixels of the wrong size.
    bool WriteFrameInBackground(std::vector<uint8_t>& rgba, int width, int height, std::string& error);
    // Waits for the last frame, finishes the file and gives it its name; false with the reason (and
    // no file left behind) otherwise.
    bool Finish(std::string& error);

private:
    void Work();
    // Removes the temporary file and drops the encoder.
    void Abandon();

    std::unique_ptr<CVideoEncoder> encoder;
    std::string path, temporary;
    int width = 0, height = 0;
    bool open = false;

    std::thread worker;
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<uint8_t> inFlight;
    bool frameWaiting = false; // inFlight holds a frame the thread has not encoded yet
    bool stopping = false;
    std::string failure; // the first reason the thread met, empty while none
};
