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

double CCaptureProgress::Seconds() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
}

double CCaptureProgress::SmoothRate(double previous, double recent, double seconds) {
    // An average with a time constant of a few seconds: long enough to ride out a heavy stretch,
    // short enough to follow a lasting change.
    constexpr double TimeConstant = 4.0;
    if (!(recent >= 0) || !(seconds > 0))
        return previous;
    if (!(previous > 0))
        return recent;
    return previous + (recent - previous) * (1.0 - std::exp(-seconds / TimeConstant));
}

namespace {

// "1:12.000", "3:00:00.017".
std::string Duration(int frames, double fps) {
    const double length = fps > 0 ? frames / fps : 0.0;
    const long millis = std::lround(length * 1000.0);
    char duration[48];
    if (millis >= 3600000)
        std::snprintf(duration, sizeof duration, "%ld:%02ld:%02ld.%03ld", millis / 3600000, millis / 60000 % 60,
                      millis / 1000 % 60, millis % 1000);
    else
        std::snprintf(duration, sizeof duration, "%ld:%02ld.%03ld", millis / 60000, millis / 1000 % 60, millis % 1000);
    return duration;
}

} // namespace

std::string CCaptureProgress::DrawOnlySummary(int frames, double fps, double seconds) {
    char text[200];
    std::snprintf(text, sizeof text,
                  "Drew %d frames (%s at %g frames/s) in %.1f s, %.1f frames per second; nothing written (DrawOnly)",
                  frames, Duration(frames, fps).c_str(), fps, seconds, seconds > 0 ? frames / seconds : 0.0);
    return text;
}

std::string CCaptureProgress::Summary(const std::string& target, unsigned long long bytes, int frames, double fps,
                                      double seconds) {
    const std::string duration = Duration(frames, fps);
    char size[32];
    if (bytes >= 1000000000ull)
        std::snprintf(size, sizeof size, "%.2f GB", bytes / 1e9);
    else if (bytes >= 1000000ull)
        std::snprintf(size, sizeof size, "%.1f MB", bytes / 1e6);
    else
        std::snprintf(size, sizeof size, "%.1f kB", bytes / 1e3);
    char text[256];
    std::snprintf(text, sizeof text, "%s, %s (%d frames at %g frames/s) in %.1f s, %.1f frames per second", size,
                  duration.c_str(), frames, fps, seconds, seconds > 0 ? frames / seconds : 0.0);
    return "Wrote '" + target + "': " + text;
}

std::string CCaptureProgress::Line(int done, int total, double seconds, double rateLeft) {
    const double rate = seconds > 0 ? done / seconds : 0.0;
    const int percent = total > 0 ? static_cast<int>(100.0 * done / total) : 100;
    char left[32] = "--:--";
    if (done >= total) {
        std::snprintf(left, sizeof left, "0:00");
    } else if (rate > 0) {
        const double remaining = std::ceil((total - done) / (rateLeft > 0 ? rateLeft : rate));
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
    // The first frames carry the start-up's share (the first draw, the encoder's start): the smoothed
    // rate begins with the average over the first second and follows the recent rates from there.
    if (seconds >= 1.0)
        rate = rate > 0 ? SmoothRate(rate, (done - lastDone) / (seconds - lastReport), seconds - lastReport)
                        : done / seconds;
    lastReport = seconds;
    lastDone = done;
    if (!terminal) {
        std::fprintf(stderr, "%s\n", PlainLine(done, total, seconds).c_str());
        return;
    }
    std::string line = Line(done, total, seconds, rate);
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
