#include "App/CCaptureSchedule.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <limits>

namespace {
// Six digits in the file names; a capture longer than that would break their order.
constexpr int MaxFrames = 1000000;
} // namespace

bool CCaptureSchedule::IsValid(std::string& reason) const {
    char text[160];
    if (!(fps > 0) || !std::isfinite(fps)) {
        std::snprintf(text, sizeof text, "The capture frame rate must be above 0 (it is %g)", fps);
        reason = text;
        return false;
    }
    if (!std::isfinite(start) || !std::isfinite(end) || !(end > start)) {
        std::snprintf(text, sizeof text, "Nothing to capture between %g and %g seconds", start, end);
        reason = text;
        return false;
    }
    if ((end - start) * fps > MaxFrames) {
        std::snprintf(text, sizeof text, "A capture of more than %d frames is not supported", MaxFrames);
        reason = text;
        return false;
    }
    return true;
}

int CCaptureSchedule::FrameCount() const {
    std::string ignored;
    if (!IsValid(ignored))
        return 0;
    // The smallest count n with start + n / fps >= end, checked against TimeOf's own arithmetic.
    int n = static_cast<int>(std::floor((end - start) * fps));
    while (n > 0 && start + (n - 1) / fps >= end)
        --n;
    while (start + n / fps < end)
        ++n;
    return n;
}

float CCaptureSchedule::TimeOf(int frame) const { return static_cast<float>(start + frame / fps); }

bool CCaptureSchedule::PrepareFolder(const std::string& folder, std::string& reason) {
    std::error_code error;
    std::filesystem::path path(folder);
    if (std::filesystem::is_directory(path, error))
        return true;
    if (std::filesystem::exists(path, error)) {
        reason = "'" + folder + "' exists and is not a folder";
        return false;
    }
    if (!std::filesystem::create_directories(path, error) && error) {
        reason = "Cannot create the folder '" + folder + "': " + error.message();
        return false;
    }
    return true;
}
