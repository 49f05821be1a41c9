// Saves rendered frames as PNG files: capture writes each frame of an offline render this way, and
// the pixel tests look at what it wrote.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class CFrameWriter {
public:
    // Frames go to `folder`/frame_000000.png, frame_000001.png, ...
    explicit CFrameWriter(std::string folder) : folder(std::move(folder)) {}

    // The file name of frame `index`.
    std::string FramePath(int index) const;
    // Writes RGBA8 pixels, top row first. False with a log line when the file cannot be written.
    bool WriteFrame(int index, const std::vector<uint8_t>& rgba, int width, int height) const;

    // Writes one PNG; false (with a log line) for a size that does not match the pixels or a file
    // that cannot be written.
    static bool SavePng(const std::string& path, const std::vector<uint8_t>& rgba, int width, int height);

private:
    std::string folder;
};
