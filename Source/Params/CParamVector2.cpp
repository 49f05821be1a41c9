#include "Params/CParamVector2.h"

#include "Base/AudioReactions.h"
#include "Params/Interpolation.h"

bool Vector2ParamTraits::ReadPayload(CTokeniser &tokeniser, Keyframe &key) {
    if (!ReadVector(tokeniser, key.value))
        return false;
    if (IsReactionKind(key.kind)) {
        float low, high;
        return CParam::ReadRange(tokeniser, low, high) && ReadVector(tokeniser, key.scale) &&
               CParam::ReadReaction(tokeniser, key.kind, low, high, key.reaction);
    }
    return key.kind != InterpolationKind::Spectrum ||
           (CParam::ReadBand(tokeniser, key.band) && ReadVector(tokeniser, key.scale));
}

glm::vec2 Vector2ParamTraits::Evaluate(const ParamState<glm::vec2, Keyframe> &state, float time) {
    return Interpolation::Evaluate<Accepted>(
        state.keyframes, time, state.value, [&state](const Keyframe &start, float t) {
            if (start.kind == InterpolationKind::Spectrum)
                return start.value + start.scale * Interpolation::SpectrumLevel(start.band);
            if (IsReactionKind(start.kind))
                return start.value + start.scale * ReactionValue(start.reaction, t);
            return state.value;
        });
}
