#include "Params/CParamVector3.h"

#include "Params/Interpolation.h"

bool CParamVector3::SetValueFromTokeniser(CTokeniser &tokeniser) {
    float read[3];
    if (!ReadFloats(tokeniser, read, 3))
        return false;
    value = glm::vec3(read[0], read[1], read[2]);
    return true;
}

bool CParamVector3::AddKeyframeFromTokeniser(float time, CTokeniser &tokeniser) {
    constexpr unsigned accepted =
        KindBit(InterpolationKind::Hold) | KindBit(InterpolationKind::Linear) | KindBit(InterpolationKind::Smooth);
    Keyframe key{time, InterpolationKind::Hold, glm::vec3(0.0f)};
    float read[3];
    if (!ReadKind(tokeniser, accepted, key.kind) || !ReadFloats(tokeniser, read, 3))
        return false;
    key.value = glm::vec3(read[0], read[1], read[2]);
    keyframes.push_back(key);
    return true;
}

glm::vec3 CParamVector3::GetValue(float time) const {
    return Interpolation::Evaluate(keyframes, time, value, [this](const Keyframe &, float) { return value; });
}
