#include "Params/CParamInt.h"

#include "Base/AudioReactions.h"
#include "Params/Interpolation.h"

bool IntParamTraits::ReadPayload(CTokeniser &tokeniser, Keyframe &key) {
    if (!CParam::ReadInt(tokeniser, key.value))
        return false;
    if (IsReactionKind(key.kind)) {
        float low, high;
        return CParam::ReadRange(tokeniser, low, high) && CParam::ReadInt(tokeniser, key.scale) &&
               CParam::ReadReaction(tokeniser, key.kind, low, high, key.reaction);
    }
    return key.kind != InterpolationKind::Spectrum ||
           (CParam::ReadBand(tokeniser, key.band) && CParam::ReadInt(tokeniser, key.scale));
}

int IntParamTraits::Evaluate(const ParamState<int, Keyframe> &state, float time) {
    const std::vector<Keyframe> &keys = state.keyframes;
    const size_t n = keys.size();
    if (n == 0)
        return state.value;
    // The walk starts from the base value at time 0 and stops at the first keyframe after `time`,
    // whose kind says how the value approaches it.
    const size_t i = Interpolation::CountReached(keys, time);
    const float previousTime = i == 0 ? 0.0f : keys[i - 1].time;
    const int previousValue = i == 0 ? state.value : keys[i - 1].value;
    if (i == n)
        return previousValue;
    const Keyframe &next = keys[i];
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
        return CParam::TruncateToInt(result);
    }
    case InterpolationKind::Spectrum: {
        const float scaled = static_cast<float>(next.scale) * Interpolation::SpectrumLevel(next.band);
        return CParam::TruncateToInt(static_cast<double>(next.value) + CParam::TruncateToInt(scaled));
    }
    case InterpolationKind::Level:
    case InterpolationKind::Peak:
    case InterpolationKind::Onset:
    case InterpolationKind::Accumulate: {
        const float scaled = static_cast<float>(next.scale) * ReactionValue(next.reaction, time);
        return CParam::TruncateToInt(static_cast<double>(next.value) + CParam::TruncateToInt(scaled));
    }
    default:
        return state.value;
    }
}
