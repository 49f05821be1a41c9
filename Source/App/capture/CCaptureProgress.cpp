#include "App/capture/CCaptureProgress.h"

#include <cmath>
#include <cstdio>

CCaptureProgress::CCaptureProgress(int total, bool terminal) : total(total), terminal(terminal) {}

std::string CCaptureProgress::PlainLine(int done, int total, double seconds) {
    char text[128];
    std::snprintf(text, sizeof text, "Captured %d of %d frames (%.1f frames per second)", done, total,
                  seconds > 0 ? done / seconds : 0.0);
    return text;
}

std::string CCaptureProgress::Line(int done, int total, double seconds) {
    const double rate = seconds > 0 ? done / seconds : 0.0;
    const int percent = total > 0 ? static_cast<int>(100.0 * done / total) : 100;
    char left[32] = "--:--";
    if (done >= total) {
        std::snprintf(left, sizeof left, "0:00");
    } else if (rate > 0) {
        const double remaining = std::ceil((total - done) / rate);
        if (remaining < 360000) {
            const long s = static_cast<long>(remaining);
            if (s >= 3600)
                std::snprintf(left, sizeof left, "%ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
            else
                std::snprintf(left, sizeof left, "%ld:%02ld", s / 60, s % 60);
        }
    }
    char text[160];
    std::snprintf(text, sizeof text, "Capturing: %d%% | frame %d of %d | %.1f frames/s | %s left", percent, done, total,
                  rate, left);
    return text;
}

void CCaptureProgress::Report(int done, bool finished) {
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    // A terminal is redrawn about ten times a second; a log file gets a line about every second.
    if (!finished && seconds - lastReport < (terminal ? 0.1 : 1.0))
        return;
    lastReport = seconds;
    if (!terminal) {
        std::fprintf(stderr, "%s\n", PlainLine(done, total, seconds).c_str());
        return;
    }
    std::string line = Line(done, total, seconds);
    const size_t length = line.size();
    if (length < shownLength)
        line.append(shownLength - length, ' ');
    shownLength = length;
    std::fprintf(stderr, "\r%s", line.c_str());
    std::fflush(stderr);
    lineOpen = true;
    if (finished)
        EndLine();
}

void CCaptureProgress::EndLine() {
    if (lineOpen)
        std::fputc('\n', stderr);
    lineOpen = false;
}
