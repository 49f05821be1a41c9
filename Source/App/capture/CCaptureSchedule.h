// Which frames an offline capture renders: frame i shows time start + i / fps, for every such time
// before the end.
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

    // Creates the folder (and its parents) when missing; false with the reason otherwise.
    static bool PrepareFolder(const std::string& folder, std::string& reason);

    double start, fps, end;
};
