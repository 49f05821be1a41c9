#include "App/authoring/CLoopRange.h"

#include <cstring>

void CLoopRange::MarkStart(double time, const CMusicalTime& tempo) {
    const int bar = tempo.BarOf(time);
    start = tempo.BarStart(bar);
    hasStart = true;
    if (hasEnd && end <= start)
        end = tempo.BarStart(bar + 1);
}

void CLoopRange::MarkEnd(double time, const CMusicalTime& tempo) {
    const int bar = tempo.BarOf(time);
    end = tempo.BarStart(bar + 1);
    hasEnd = true;
    if (hasStart && start >= end)
        start = tempo.BarStart(bar);
}

void CLoopRange::Clear() {
    hasStart = hasEnd = false;
    start = end = 0.0;
}

std::optional<double> CLoopRange::SeekFor(double time) const {
    if (IsSet() && time >= end)
        return start;
    return std::nullopt;
}

namespace {

// The argument as a POSIX shell reads it back: as it stands when it holds only safe characters, in
// single quotes otherwise (a quote inside closes, escapes and reopens).
std::string ShellWord(const std::string& word) {
    bool plain = !word.empty();
    for (char c : word)
        plain = plain && ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                          std::strchr("._-+/:@%,=", c));
    if (plain)
        return word;
    std::string quoted = "'";
    for (char c : word)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

} // namespace

std::string CLoopRange::CaptureCommand(const CMusicalTime& tempo, const std::string& dataPath,
                                       const std::string& config, int width, int height) const {
    if (!IsSet())
        return std::string();
    // The ends lie on bar starts, so the bar of each is exact; the end's bar is the one after the loop.
    const BarBeatTick first = tempo.NearestTick(start), last = tempo.NearestTick(end);
    std::string line = "quorin-vanto DataPath " + ShellWord(dataPath);
    if (config != "Config.txt")
        line += " Config " + ShellWord(config);
    line += " Width " + std::to_string(width) + " Height " + std::to_string(height);
    line += " Capture loop-" + std::to_string(first.bar) + "-" + std::to_string(last.bar) + ".mp4";
    line += " CaptureStart " + CMusicalTime::Format(first) + " CaptureEnd " + CMusicalTime::Format(last);
    return line;
}
