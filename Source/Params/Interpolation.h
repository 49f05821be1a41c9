// The two evaluation walks of the value classes. The segment search (bool, float, colour, vectors)
// finds the two keyframes around a time and blends between them; the walk (int, string) stops at the
// first keyframe after the time, whose kind says how the value approaches it. Kept as templates so
// every class gets code specialised to its own value type, with no allocation and no virtual call on
// the per-frame path.
#pragma once

#include "Base/SpectrumBuffer.h"
#include "Params/CParam.h"

#include <cmath>
#include <cstddef>
#include <vector>

namespace Interpolation {

// For n >= 2 keyframes and time[0] <= t <= time[n-1]: the d of the segment d..d+1 that holds t, the
// one ending at the first keyframe at or after t. A NaN time matches no keyframe and gets the last
// segment, so the caller never indexes past the list.
template <class Keyframe> size_t FindSegment(const std::vector<Keyframe> &keys, float t) {
    const size_t n = keys.size();
    for (size_t i = 1; i < n; ++i)
        if (t <= keys[i].time)
            return i - 1;
    return n - 2;
}

// The position of t in the segment, 0 at its start and 1 at its end. False where the division has no
// finite result (a segment of zero length, or times that overflow): the caller then takes the
// segment's end value instead of spreading NaN or infinity into a layer.
inline bool SegmentFraction(float start, float end, float t, float &u) {
    const float span = end - start;
    const float offset = t - start;
    u = offset / span;
    return std::isfinite(u);
}

template <class V> V CatmullRom(const V &p0, const V &p1, const V &p2, const V &p3, float u) {
    const float u2 = u * u;
    const float u3 = u2 * u;
    return 0.5f * (2.0f * p1 + (p2 - p0) * u + (2.0f * p0 - 5.0f * p1 + 4.0f * p2 - p3) * u2 +
                   (-p0 + 3.0f * p1 - 3.0f * p2 + p3) * u3);
}

// One entry of the shared spectrum, clamped into [0, 1] (NaN counts as 0).
inline float SpectrumLevel(int band) {
    if (band < 0)
        band = 0;
    if (band >= SpectrumBands)
        band = SpectrumBands - 1;
    const float s = SpectrumBuffer[band];
    return s > 0.0f ? (s < 1.0f ? s : 1.0f) : 0.0f;
}

// Hold, Linear and Smooth over the segment containing t; `other(start, t)` gives the value for any
// other kind of the segment's start keyframe. `Accepted` (KindBit flags) are the kinds the keyframes
// can have: a class without Linear and Smooth never blends, so its value type needs no arithmetic.
template <unsigned Accepted, class V, class Keyframe, class Other>
V Evaluate(const std::vector<Keyframe> &keys, float t, const V &base, Other other) {
    const size_t n = keys.size();
    if (n < 2)
        return base;
    if (t < keys[0].time)
        return keys[0].value;
    if (t > keys[n - 1].time)
        return keys[n - 1].value;
    const size_t d = FindSegment(keys, t);
    const Keyframe &start = keys[d];
    if constexpr ((Accepted & (KindBit(InterpolationKind::Linear) | KindBit(InterpolationKind::Smooth))) == 0) {
        return start.kind == InterpolationKind::Hold ? start.value : other(start, t);
    } else {
        const Keyframe &end = keys[d + 1];
        switch (start.kind) {
        case InterpolationKind::Hold:
            return start.value;
        case InterpolationKind::Linear: {
            float u;
            if (!SegmentFraction(start.time, end.time, t, u))
                return end.value;
            const V difference = end.value - start.value;
            return start.value + u * difference;
        }
        case InterpolationKind::Smooth: {
            float u;
            if (!SegmentFraction(start.time, end.time, t, u))
                return end.value;
            const V &p0 = keys[d > 0 ? d - 1 : 0].value;
            const V &p3 = keys[d + 2 < n ? d + 2 : n - 1].value;
            return CatmullRom(p0, start.value, end.value, p3, u);
        }
        default:
            return other(start, t);
        }
    }
}

// How many keyframes from the start of the list lie at or before t: where the walk stops. The value
// before the stop is the base value for 0 and keyframe i - 1's otherwise; the keyframe at the stop, if
// any, ends the segment. A NaN time reaches no keyframe.
template <class Keyframe> size_t CountReached(const std::vector<Keyframe> &keys, float t) {
    size_t i = 0;
    while (i < keys.size() && keys[i].time <= t)
        ++i;
    return i;
}

} // namespace Interpolation
