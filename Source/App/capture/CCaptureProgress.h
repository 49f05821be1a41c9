// What an offline capture tells the person waiting for it, on standard error: on a terminal one line
// rewritten in place (percent, frame n of N, frames per second, time left); elsewhere, such as in a
// log file, a plain line about every second and one at the end. The time left follows a smoothed
// rate, so that a heavy stretch or a moment of load moves it gently instead of making it jump. At the
// end, one summary of what was written.
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

    // Seconds since the capture began.
    double Seconds() const;

    // The terminal's line after `done` of `total` frames in `seconds`, for example
    // "Capturing: 42% | frame 126 of 300 | 19.8 frames/s | 0:09 left"; the time left follows
    // `rateLeft` frames per second where it is above 0, the average rate otherwise.
    static std::string Line(int done, int total, double seconds, double rateLeft = 0.0);
    // The rate that the time left follows, `seconds` after the last estimate `previous` (0: none
    // yet), given the rate `recent` measured over those seconds: the newer rate weighs in over a few
    // seconds, never all at once.
    static double SmoothRate(double previous, double recent, double seconds);
    // The summary at the end: "Wrote 'demo.mp4': 48.2 MB, 0:16.000 (480 frames at 30 frames/s)
    // in 19.4 s, 24.7 frames per second".
    static std::string Summary(const std::string& target, unsigned long long bytes, int frames, double fps,
                               double seconds);
    // The summary of a capture that only drew: "Drew 480 frames (0:16.000 at 30 frames/s) in 9.6 s,
    // 50.0 frames per second; nothing written (DrawOnly)".
    static std::string DrawOnlySummary(int frames, double fps, double seconds);
    // The plain line: "Captured 126 of 300 frames (19.8 frames per second)".
    static std::string PlainLine(int done, int total, double seconds);

private:
    int total;
    bool terminal;
    std::chrono::steady_clock::time_point began = std::chrono::steady_clock::now();
    double lastReport = 0.0;
    int lastDone = 0;
    double rate = 0.0;      // smoothed, for the time left
    size_t shownLength = 0; // of the terminal's line, so a shorter line covers all of it
    bool lineOpen = false;
};
