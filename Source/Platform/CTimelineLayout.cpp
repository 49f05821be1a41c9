#include "Platform/CTimelineLayout.h"

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

void CTimelineLayout::Build(const OverlayTimeline& timeline, float stripLeft, float stripWidth, float labelSpacing) {
    left = std::isfinite(stripLeft) ? stripLeft : 0.0f;
    width = Positive(stripWidth) ? stripWidth : 1.0f;
    const bool bars = Positive(timeline.secondsPerBar);
    length = Positive(timeline.length) ? timeline.length : (bars ? timeline.secondsPerBar : 1.0f);

    barLines.clear();
    labelStep = lineStep = 1;
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
            barLines.push_back(TimelineBarLine{XOf(static_cast<float>(bar * timeline.secondsPerBar)), number,
                                               number % labelStep == 0});
        }
    }

    lanes.clear();
    for (size_t i = 0; i < timeline.scenes.size(); ++i) {
        const OverlayTimelineScene& scene = timeline.scenes[i];
        const float x0 = XOf(scene.start);
        const bool now = timeline.playhead >= scene.start && timeline.playhead < scene.end;
        lanes.push_back(TimelineLane{static_cast<int>(i), x0, std::max(x0, XOf(scene.end)), now});
    }

    playheadX = XOf(timeline.playhead);
    hasLoop = timeline.hasLoopStart && timeline.hasLoopEnd && timeline.loopStart < timeline.loopEnd;
    loopX0 = XOf(timeline.loopStart);
    loopX1 = XOf(timeline.loopEnd);
}

float CTimelineLayout::XOf(float time) const {
    if (!std::isfinite(time))
        time = 0.0f;
    return left + std::clamp(time / length, 0.0f, 1.0f) * width;
}

float CTimelineLayout::TimeOf(float x) const {
    if (!std::isfinite(x))
        return 0.0f;
    return std::clamp((x - left) / width, 0.0f, 1.0f) * length;
}
