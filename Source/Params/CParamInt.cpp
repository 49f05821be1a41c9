#include "Params/CParamInt.h"

#include "Params/Interpolation.h"

bool CParamInt::SetValueFromTokeniser(CTokeniser &tokeniser) {
    int read;
    if (!ReadInt(tokeniser, read))
        return false;
    value = read;
    return true;
}

bool CParamInt::AddKeyframeFromTokeniser(float time, CTokeniser &tokeniser) {
    constexpr unsigned accepted =
        KindBit(InterpolationKind::Hold) | KindBit(InterpolationKind::Linear) | KindBit(InterpolationKind::Spectrum);
    Keyframe key{time, InterpolationKind::Hold, 0};
    if (!ReadKind(tokeniser, accepted, key.kind) || !ReadInt(tokeniser, key.value))
        return false;
    if (key.kind == InterpolationKind::Spectrum && (!ReadBand(tokeniser, key.band) || !ReadInt(tokeniser, key.scale)))
        return false;
    keyframes.push_back(key);
    return true;
}

int CParamInt::GetValue(float time) const {
    const size_t n = keyframes.size();
    if (n == 0)
        return value;
    // The walk starts from the base value at time 0 and stops at the first keyframe after `time`,
    // whose kind says how the value approaches it.
    float previousTime = 0.0f;
    int previousValue = value;
    size_t i = 0;
    for (; i < n && keyframes[i].time <= time; ++i) {
        previousTime = keyframes[i].time;
        previousValue = keyframes[i].value;
    }
    if (i == n)
        return previousValue;
    const Keyframe &next = keyframes[i];
    switch (next.kind) {
    case InterpolationKind::Hold:
        return previousValue;
    case InterpolationKind::Linear: {
        float u;
        // Only a first keyframe at time 0 seen from a negative time has no span; the ramp from the
        // base value has not begun there.
        if (!Interpolation::SegmentFraction(previousTime, next.time, time, u))
            return previousValue;
        // The difference goes through double so that far-apart values cannot overflow int.
        const float difference = static_cast<float>(static_cast<double>(next.value) - previousValue);
        const float result = static_cast<float>(previousValue) + u * difference;
        return TruncateToInt(result);
    }
    case InterpolationKind::Spectrum: {
        const float scaled = static_cast<float>(next.scale) * Interpolation::SpectrumLevel(next.band);
        return TruncateToInt(static_cast<double>(next.value) + TruncateToInt(scaled));
    }
    default:
        return value;
    }
}
