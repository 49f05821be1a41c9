#include "Params/CParamVector2.h"

#include "Params/Interpolation.h"

bool Vector2ParamTraits::ReadPayload(CTokeniser &tokeniser, Keyframe &key) {
    if (!ReadVector(tokeniser, key.value))
        return false;
    return key.kind != InterpolationKind::Spectrum ||
           (CParam::ReadBand(tokeniser, key.band) && ReadVector(tokeniser, key.scale));
}

glm::vec2 Vector2ParamTraits::Evaluate(const ParamState<glm::vec2, Keyframe> &state, float time) {
    return Interpolation::Evaluate<Accepted>(
        state.keyframes, time, state.value, [&state](const Keyframe &start, float) {
            if (start.kind == InterpolationKind::Spectrum)
                return start.value + start.scale * Interpolation::SpectrumLevel(start.band);
            return state.value;
        });
}
