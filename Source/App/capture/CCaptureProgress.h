// What an offline capture tells the person waiting for it, on standard error: on a terminal one line
// rewritten in place (percent, frame n of N, frames per second, time left); elsewhere, such as in a
// log file, a plain line about every second and one at the end.
#pragma once

#include <chrono>
#include <string>

class CCaptureProgress {
public:
    CCaptureProgress(int total, bool terminal);

    // `done` frames of the total are written; `finished` after the last one has reached its file.
    void Report(int done, bool finished = false);
    // Ends the terminal's line, so that what is printed next starts on a line of its own.
    void EndLine();

    // The terminal's line after `done` of `total` frames in `seconds`, for example
    // "Capturing: 42% | frame 126 of 300 | 19.8 frames/s | 0:09 left".
    static std::string Line(int done, int total, double seconds);
    // The plain line: "Captured 126 of 300 frames (19.8 frames per second)".
    static std::string PlainLine(int done, int total, double seconds);

private:
    int total;
    bool terminal;
    std::chrono::steady_clock::time_point began = std::chrono::steady_clock::now();
    double lastReport = 0.0;
    size_t shownLength = 0; // of the terminal's line, so a shorter line covers all of it
    bool lineOpen = false;
};
