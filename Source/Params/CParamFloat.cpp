#include "Params/CParamFloat.h"

#include "Params/Interpolation.h"

#include <cmath>

bool CParamFloat::SetValueFromTokeniser(CTokeniser &tokeniser) {
    float read;
    if (!ReadFloat(tokeniser, read))
        return false;
    value = read;
    return true;
}

bool CParamFloat::AddKeyframeFromTokeniser(float time, CTokeniser &tokeniser) {
    constexpr unsigned accepted = KindBit(InterpolationKind::Hold) | KindBit(InterpolationKind::Linear) |
                                  KindBit(InterpolationKind::Smooth) | KindBit(InterpolationKind::Spectrum) |
                                  KindBit(InterpolationKind::Square);
    Keyframe key{time, InterpolationKind::Hold, 0.0f};
    if (!ReadKind(tokeniser, accepted, key.kind))
        return false;
    bool read;
    switch (key.kind) {
    case InterpolationKind::Spectrum:
        read = ReadFloat(tokeniser, key.value) && ReadBand(tokeniser, key.band) && ReadFloat(tokeniser, key.scale);
        break;
    case InterpolationKind::Square:
        read = ReadFloat(tokeniser, key.value) && ReadFloat(tokeniser, key.secondValue) &&
               ReadPeriod(tokeniser, key.period);
        break;
    default:
        read = ReadFloat(tokeniser, key.value);
        break;
    }
    if (!read)
        return false;
    keyframes.push_back(key);
    return true;
}

float CParamFloat::GetValue(float time) const {
    return Interpolation::Evaluate(keyframes, time, value, [this](const Keyframe &start, float t) {
        switch (start.kind) {
        case InterpolationKind::Spectrum:
            return start.value + start.scale * Interpolation::SpectrumLevel(start.band);
        case InterpolationKind::Square: {
            // The phase follows the evaluation time itself; a zero period makes the ratio NaN, which
            // selects the second value throughout.
            const float phase = std::fmod(t, start.period) / start.period;
            return phase < 0.5f ? start.value : start.secondValue;
        }
        default:
            return value;
        }
    });
}
