#include "App/capture/CCaptureSchedule.h"
#include "Base/Utf8Path.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <limits>

namespace {
// Six digits in the file names; a capture longer than that would break their order.
constexpr int MaxFrames = 1000000;
// Times come from decimal text held as float, so an end of 1.2 s arrives as 1.2000000477 s and the
// frame at 1.2 s would count as before it. A frame within a microsecond of the end is taken to be at
// the end (frames are at least a millisecond apart), so that a capture split into parts at a time
// draws the frame at that time once, in the part that starts there.
constexpr double EndTolerance = 1e-6;
} // namespace

bool CCaptureSchedule::IsValid(std::string& reason) const {
    char text[160];
    if (!(fps > 0) || !std::isfinite(fps)) {
        std::snprintf(text, sizeof text, "The capture frame rate must be above 0 (it is %g)", fps);
        reason = text;
        return false;
    }
    if (!std::isfinite(start) || !std::isfinite(end) || !(end - EndTolerance > start)) {
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
    // The smallest count n with start + n / fps at the end or after it.
    const double last = end - EndTolerance;
    int n = static_cast<int>(std::floor((last - start) * fps));
    while (n > 0 && start + (n - 1) / fps >= last)
        --n;
    while (start + n / fps < last)
        ++n;
    return n;
}

float CCaptureSchedule::TimeOf(int frame) const { return static_cast<float>(start + frame / fps); }

bool CCaptureSchedule::PrepareFolder(const std::string& folder, std::string& reason) {
    std::error_code error;
    const std::filesystem::path path = PathFromUtf8(folder);
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
