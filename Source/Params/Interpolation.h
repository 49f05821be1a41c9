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
#include <type_traits>
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

// Cubic easing of a segment's fraction u (0..1), staying within 0..1: slow then fast, fast then slow,
// and the two joined at the middle.
inline float Ease(InterpolationKind kind, float u) {
    const float v = 1.0f - u;
    switch (kind) {
    case InterpolationKind::EaseIn:
        return u * u * u;
    case InterpolationKind::EaseOut:
        return 1.0f - v * v * v;
    default:
        return u < 0.5f ? 4.0f * u * u * u : 1.0f - 4.0f * v * v * v;
    }
}

// The numbers of a value, one for a float, one per component of a vector.
template <class V> constexpr int ComponentsOf() {
    if constexpr (std::is_arithmetic_v<V>)
        return 1;
    else
        return static_cast<int>(V::length());
}
template <class V> float &ComponentOf(V &value, int i) {
    if constexpr (std::is_arithmetic_v<V>)
        return (static_cast<void>(i), value);
    else
        return value[i];
}
template <class V> float ComponentOf(const V &value, int i) {
    if constexpr (std::is_arithmetic_v<V>)
        return (static_cast<void>(i), value);
    else
        return value[i];
}

// The tangent at a keyframe between two segments of slopes `before` and `after` (Fritsch and
// Carlson): flat where the slope changes sign, otherwise their mean limited to three times the
// smaller, which keeps the cubic on both sides monotone and inside its keyframes' values.
inline float MonotoneTangent(float before, float after) {
    if (!(before * after > 0.0f))
        return 0.0f;
    const float mean = 0.5f * (before + after);
    const float limit = 3.0f * std::fmin(std::fabs(before), std::fabs(after));
    return std::fabs(mean) > limit ? std::copysign(limit, mean) : mean;
}

// The monotone cubic over segment d at fraction u, component by component: its tangents come from
// the keyframes either side, so nothing is kept between frames.
template <class V, class Keyframe> V Monotone(const std::vector<Keyframe> &keys, size_t d, float u) {
    const size_t n = keys.size();
    const float h = keys[d + 1].time - keys[d].time;
    const float u2 = u * u, u3 = u2 * u;
    const float h00 = 2.0f * u3 - 3.0f * u2 + 1.0f, h10 = u3 - 2.0f * u2 + u, h01 = -2.0f * u3 + 3.0f * u2,
                h11 = u3 - u2;
    V result = keys[d].value;
    for (int c = 0; c < ComponentsOf<V>(); ++c) {
        // The slope of segment i; a segment of no length (or of overflowing values) counts as flat.
        auto slope = [&](size_t i) {
            const float s =
                (ComponentOf(keys[i + 1].value, c) - ComponentOf(keys[i].value, c)) / (keys[i + 1].time - keys[i].time);
            return std::isfinite(s) ? s : 0.0f;
        };
        const float mid = slope(d);
        const float m0 = d > 0 ? MonotoneTangent(slope(d - 1), mid) : mid;
        const float m1 = d + 2 < n ? MonotoneTangent(mid, slope(d + 1)) : mid;
        const float y0 = ComponentOf(keys[d].value, c), y1 = ComponentOf(keys[d + 1].value, c);
        const float y = h00 * y0 + h10 * h * m0 + h01 * y1 + h11 * h * m1;
        // The curve lies between its ends; rounding must not take it a hair past them.
        ComponentOf(result, c) = std::fmin(std::fmax(y, std::fmin(y0, y1)), std::fmax(y0, y1));
    }
    return result;
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
        case InterpolationKind::Monotone: {
            float u;
            if (!SegmentFraction(start.time, end.time, t, u))
                return end.value;
            return Monotone<V>(keys, d, u);
        }
        case InterpolationKind::EaseIn:
        case InterpolationKind::EaseOut:
        case InterpolationKind::EaseInOut: {
            float u;
            if (!SegmentFraction(start.time, end.time, t, u))
                return end.value;
            const V difference = end.value - start.value;
            return start.value + Ease(start.kind, u) * difference;
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
