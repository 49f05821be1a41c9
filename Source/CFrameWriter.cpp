#include "CFrameWriter.h"

#include "Log.h"

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
    if (!stbi_write_png(path.c_str(), width, height, 4, rgba.data(), width * 4)) {
        LOG("CFrameWriter::SavePng", "Failed to write '%s'", path.c_str());
        return false;
    }
    return true;
}
