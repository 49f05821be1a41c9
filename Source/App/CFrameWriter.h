// Saves rendered frames as PNG files: capture writes each frame of an offline render this way, and
// the pixel tests look at what it wrote.
#pragma once

#include <cstdint>
#include <string>
#include <thread>
#include <vector>

class CFrameWriter {
public:
    // Frames go to `folder`/frame_000000.png, frame_000001.png, ...
    explicit CFrameWriter(std::string folder) : folder(std::move(folder)) {}
    // Waits for a frame still being written.
    ~CFrameWriter();
    CFrameWriter(const CFrameWriter&) = delete;
    CFrameWriter& operator=(const CFrameWriter&) = delete;

    // The file name of frame `index`.
    std::string FramePath(int index) const;
    // Writes RGBA8 pixels, top row first. False with a log line when the file cannot be written.
    bool WriteFrame(int index, const std::vector<uint8_t>& rgba, int width, int height) const;

    // Writes frame `index` on a thread of its own, so that encoding it overlaps drawing the next
    // frame; one frame is in flight at a time. Takes the pixels and leaves `rgba` holding a spare
    // buffer of no particular content. Waits for the frame before; false when that (or an earlier)
    // frame could not be written, logged as WriteFrame logs it: FailedFrame names it.
    bool WriteFrameInBackground(int index, std::vector<uint8_t>& rgba, int width, int height);
    // Waits for the frame in flight; false when any frame written in the background failed.
    bool FinishWriting();
    // The frame that could not be written, -1 while none failed.
    int FailedFrame() const { return failedFrame; }

    // Writes one PNG; false (with a log line) for a size that does not match the pixels or a file
    // that cannot be written.
    static bool SavePng(const std::string& path, const std::vector<uint8_t>& rgba, int width, int height);

private:
    // Encodes and writes one PNG without logging, so that it may run off the main thread.
    static bool WritePng(const std::string& path, const std::vector<uint8_t>& rgba, int width, int height);

    std::string folder;
    std::thread worker;
    std::vector<uint8_t> inFlight;
    int inFlightFrame = -1;
    bool inFlightWritten = true;
    int failedFrame = -1;
};
