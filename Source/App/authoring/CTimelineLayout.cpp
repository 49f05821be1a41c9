#include "App/authoring/CTimelineLayout.h"

#include <algorithm>
#include <cmath>

namespace {

bool Positive(float value) { return value > 0.0f && std::isfinite(value); }

// The smallest power of two of bars whose spacing reaches `spacing` pixels.
int StepFor(float pixelsPerBar, float spacing) {
    int step = 1;
    while (step < (1 << 30) && pixelsPerBar * static_cast<float>(step) < spacing)
        step *= 2;
    return step;
}

} // namespace

void CTimelineLayout::Build(const OverlayTimeline& timeline, float stripWidth, float labelSpacing) {
    const float width = Positive(stripWidth) ? stripWidth : 1.0f;
    const bool bars = Positive(timeline.secondsPerBar);
    length = Positive(timeline.length) ? timeline.length : (bars ? timeline.secondsPerBar : 1.0f);

    secondsPerBar = bars ? timeline.secondsPerBar : 0.0;
    beats = std::max(timeline.beatsPerBar, 1);
    barLines.clear();
    beatLines.clear();
    labelStep = lineStep = 1;
    beatStep = 0;
    if (bars) {
        const float pixelsPerBar = width * timeline.secondsPerBar / length;
        labelStep = StepFor(pixelsPerBar, std::max(labelSpacing, MinLineSpacing));
        lineStep = std::min(labelStep, StepFor(pixelsPerBar, MinLineSpacing));
        // Every line is at least MinLineSpacing apart, so there are never more than the strip's
        // width allows; a tempo so fast that bars outnumber an int gets none.
        const double lastBar = std::floor(static_cast<double>(length) / timeline.secondsPerBar + 1e-6);
        const double lines = lastBar / lineStep;
        for (double bar = 0; lines <= width / MinLineSpacing + 1.0 && bar <= lastBar; bar += lineStep) {
            const int number = static_cast<int>(bar);
            barLines.push_back(OverlayBarLine{FractionOf(static_cast<float>(bar * timeline.secondsPerBar)), number,
                                              number % labelStep == 0});
        }
        // Beat lines only where every bar has its line; the step divides the bar, so that the lines
        // fall alike in every bar.
        const double pixelsPerBeat = pixelsPerBar / beats;
        for (int step = 1; step < beats && beatStep == 0 && lineStep == 1; ++step)
            if (beats % step == 0 && pixelsPerBeat * step >= MinBeatSpacing)
                beatStep = step;
        for (double bar = 0; beatStep > 0 && bar <= lastBar; ++bar)
            for (int beat = beatStep; beat < beats; beat += beatStep) {
                const double time = (bar + static_cast<double>(beat) / beats) * secondsPerBar;
                if (time > length)
                    break;
                beatLines.push_back(FractionOf(static_cast<float>(time)));
            }
    }

    lanes.clear();
    for (size_t i = 0; i < timeline.scenes.size(); ++i) {
        const OverlayTimelineScene& scene = timeline.scenes[i];
        const float from = FractionOf(scene.start);
        const bool now = timeline.playhead >= scene.start && timeline.playhead < scene.end;
        lanes.push_back(OverlayLane{static_cast<int>(i), from, std::max(from, FractionOf(scene.end)), now});
    }

    playhead = FractionOf(timeline.playhead);
    hasLoop = timeline.hasLoopStart && timeline.hasLoopEnd && timeline.loopStart < timeline.loopEnd;
    loopStart = FractionOf(timeline.loopStart);
    loopEnd = FractionOf(timeline.loopEnd);
}

float CTimelineLayout::FractionOf(float time) const {
    if (!std::isfinite(time))
        time = 0.0f;
    return std::clamp(time / length, 0.0f, 1.0f);
}

float CTimelineLayout::TimeAt(float fraction) const {
    if (!std::isfinite(fraction))
        return 0.0f;
    return std::clamp(fraction, 0.0f, 1.0f) * length;
}

float CTimelineLayout::SnappedTimeAt(float fraction, Snap snap) const {
    const float time = TimeAt(fraction);
    if (snap == Snap::None || !(secondsPerBar > 0.0))
        return time;
    const double unit = snap == Snap::Bar ? secondsPerBar : secondsPerBar / beats;
    double steps = std::round(time / unit);
    // The nearest grid point past the show's end is not a place to go: the last one inside it is.
    if (steps * unit > length)
        steps = std::floor(length / unit);
    return static_cast<float>(std::clamp(steps * unit, 0.0, static_cast<double>(length)));
}

int CTimelineLayout::WidestBar(const OverlayTimeline& timeline) {
    const float bars = timeline.secondsPerBar > 0.0f ? std::min(timeline.length / timeline.secondsPerBar, 1e9f) : 0.0f;
    return std::isfinite(bars) ? static_cast<int>(bars) : 0;
}
