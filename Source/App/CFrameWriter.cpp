#include "App/CFrameWriter.h"

#include "Base/Log.h"

// The library's own code is not held to the project's warning flags.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wsign-compare"
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>
#pragma GCC diagnostic pop

#include <cstdio>

std::string CFrameWriter::FramePath(int index) const {
    char name[32];
    std::snprintf(name, sizeof(name), "frame_%06d.png", index);
    if (folder.empty())
        return name;
    return folder.back() == '/' ? folder + name : folder + "/" + name;
}

bool CFrameWriter::WriteFrame(int index, const std::vector<uint8_t>& rgba, int width, int height) const {
    return SavePng(FramePath(index), rgba, width, height);
}

bool CFrameWriter::SavePng(const std::string& path, const std::vector<uint8_t>& rgba, int width, int height) {
    if (width <= 0 || height <= 0 || rgba.size() != static_cast<size_t>(width) * static_cast<size_t>(height) * 4) {
        LOG("CFrameWriter::SavePng", "Frame of %d x %d has %zu bytes of pixels, not %d x %d x 4", width, height,
            rgba.size(), width, height);
        return false;
    }
    if (!WritePng(path, rgba, width, height)) {
        LOG("CFrameWriter::SavePng", "Failed to write '%s'", path.c_str());
        return false;
    }
    return true;
}

bool CFrameWriter::WritePng(const std::string& path, const std::vector<uint8_t>& rgba, int width, int height) {
    // Trying all five row filters for every row (the library's default) costs half again the time of
    // the "sub" filter alone, which gives files as small on rendered frames.
    stbi_write_force_png_filter = 1;
    return stbi_write_png(path.c_str(), width, height, 4, rgba.data(), width * 4) != 0;
}

CFrameWriter::~CFrameWriter() { FinishWriting(); }

bool CFrameWriter::FinishWriting() {
    if (worker.joinable()) {
        worker.join();
        if (!inFlightWritten && failedFrame < 0) {
            failedFrame = inFlightFrame;
            LOG("CFrameWriter::SavePng", "Failed to write '%s'", FramePath(inFlightFrame).c_str());
        }
    }
    return failedFrame < 0;
}

bool CFrameWriter::WriteFrameInBackground(int index, std::vector<uint8_t>& rgba, int width, int height) {
    if (!FinishWriting())
        return false;
    if (width <= 0 || height <= 0 || rgba.size() != static_cast<size_t>(width) * static_cast<size_t>(height) * 4) {
        failedFrame = index;
        return SavePng(FramePath(index), rgba, width, height); // logs the mismatch
    }
    inFlight.swap(rgba);
    inFlightFrame = index;
    inFlightWritten = false;
    worker = std::thread([this, path = FramePath(index), width, height] {
        inFlightWritten = WritePng(path, inFlight, width, height);
    });
    return true;
}
