// Which frames an offline capture renders: frame i shows time start + i / fps, for every such time
// before the end, and is saved as <folder>/frame_<i, six digits>.png.
#pragma once

#include <string>

class CCaptureSchedule {
public:
    CCaptureSchedule(double start, double fps, double end) : start(start), fps(fps), end(end) {}

    // False (with the reason) for a rate that is not positive or a range holding no frame.
    bool IsValid(std::string& reason) const;
    int FrameCount() const;
    // Computed from the index, never by adding steps, so a long capture does not drift.
    float TimeOf(int frame) const;

    static std::string FrameFileName(const std::string& folder, int frame);

    // Creates the folder (and its parents) when missing; false with the reason otherwise.
    static bool PrepareFolder(const std::string& folder, std::string& reason);

    double start, fps, end;
};
