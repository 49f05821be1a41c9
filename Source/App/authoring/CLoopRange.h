// A passage of whole bars played over and over while an author works on it: `[` marks the start of
// the bar being played, `]` the end of it, `\` forgets both. Once both ends are marked, reaching the
// end seeks back to the start.
#pragma once

#include "Base/CMusicalTime.h"

#include <optional>
#include <string>

class CLoopRange {
public:
    // `[`: the loop starts where the bar that holds `time` starts. A marked end at or before that
    // moves to the end of the same bar, so the loop is never empty.
    void MarkStart(double time, const CMusicalTime& tempo);
    // `]`: the loop ends where the bar that holds `time` ends. A marked start at or after that moves
    // to the start of the same bar.
    void MarkEnd(double time, const CMusicalTime& tempo);
    // `\`.
    void Clear();

    bool HasStart() const { return hasStart; }
    bool HasEnd() const { return hasEnd; }
    // Both ends marked: the loop is playing.
    bool IsSet() const { return hasStart && hasEnd && start < end; }
    double Start() const { return start; }
    double End() const { return end; }

    // Where to seek now that the music is at `time`: the loop's start once it has reached the end;
    // nothing otherwise (no loop, or still inside or before it).
    std::optional<double> SeekFor(double time) const;

    // The command line that exports exactly the loop once it is set (empty otherwise): the data and
    // script given, the size played at, the loop's bars as CaptureStart and CaptureEnd, into
    // loop-<first bar>-<end bar>.mp4. Arguments a shell would split or expand are quoted.
    std::string CaptureCommand(const CMusicalTime& tempo, const std::string& dataPath, const std::string& config,
                               int width, int height) const;

private:
    bool hasStart = false, hasEnd = false;
    double start = 0.0, end = 0.0;
};
