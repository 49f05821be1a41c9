#include "Params/CParamRgba.h"

#include "Params/Interpolation.h"

#include <glm/vec4.hpp>

bool CParamRgba::SetValueFromTokeniser(CTokeniser &tokeniser) {
    float read[4];
    if (!ReadFloats(tokeniser, read, 4))
        return false;
    value = glm::vec4(read[0], read[1], read[2], read[3]);
    return true;
}

bool CParamRgba::AddKeyframeFromTokeniser(float time, CTokeniser &tokeniser) {
    constexpr unsigned accepted =
        KindBit(InterpolationKind::Hold) | KindBit(InterpolationKind::Linear) | KindBit(InterpolationKind::Smooth);
    Keyframe key{time, InterpolationKind::Hold, glm::vec4(0.0f)};
    float read[4];
    if (!ReadKind(tokeniser, accepted, key.kind) || !ReadFloats(tokeniser, read, 4))
        return false;
    key.value = glm::vec4(read[0], read[1], read[2], read[3]);
    keyframes.push_back(key);
    return true;
}

glm::vec4 CParamRgba::GetValue(float time) const {
    return Interpolation::Evaluate(keyframes, time, value, [this](const Keyframe &, float) { return value; });
}
