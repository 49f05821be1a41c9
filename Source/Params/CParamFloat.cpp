#include "Params/CParamFloat.h"

#include "Params/Interpolation.h"

#include <cmath>

bool FloatParamTraits::ReadPayload(CTokeniser &tokeniser, Keyframe &key) {
    switch (key.kind) {
    case InterpolationKind::Spectrum:
        return CParam::ReadFloat(tokeniser, key.value) && CParam::ReadBand(tokeniser, key.band) &&
               CParam::ReadFloat(tokeniser, key.scale);
    case InterpolationKind::Square:
        return CParam::ReadFloat(tokeniser, key.value) && CParam::ReadFloat(tokeniser, key.secondValue) &&
               CParam::ReadPeriod(tokeniser, key.period);
    default:
        return CParam::ReadFloat(tokeniser, key.value);
    }
}

float FloatParamTraits::Evaluate(const ParamState<float, Keyframe> &state, float time) {
    return Interpolation::Evaluate<Accepted>(
        state.keyframes, time, state.value, [&state](const Keyframe &start, float t) {
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
                return state.value;
            }
        });
}
