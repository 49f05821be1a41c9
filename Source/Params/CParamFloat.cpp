#include "Params/CParamFloat.h"

#include "Base/AudioReactions.h"
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
    case InterpolationKind::Level:
    case InterpolationKind::Peak:
    case InterpolationKind::Onset:
    case InterpolationKind::Accumulate: {
        float low, high;
        return CParam::ReadFloat(tokeniser, key.value) && CParam::ReadRange(tokeniser, low, high) &&
               CParam::ReadFloat(tokeniser, key.scale) &&
               CParam::ReadReaction(tokeniser, key.kind, low, high, key.reaction);
    }
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
            case InterpolationKind::Level:
            case InterpolationKind::Peak:
            case InterpolationKind::Onset:
            case InterpolationKind::Accumulate:
                return start.value + start.scale * ReactionValue(start.reaction, t);
            default:
                return state.value;
            }
        });
}
