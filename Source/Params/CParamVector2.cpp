#include "Params/CParamVector2.h"

#include "Params/Interpolation.h"

bool CParamVector2::SetValueFromTokeniser(CTokeniser &tokeniser) {
    float read[2];
    if (!ReadFloats(tokeniser, read, 2))
        return false;
    value = glm::vec2(read[0], read[1]);
    return true;
}

bool CParamVector2::AddKeyframeFromTokeniser(float time, CTokeniser &tokeniser) {
    constexpr unsigned accepted = KindBit(InterpolationKind::Hold) | KindBit(InterpolationKind::Linear) |
                                  KindBit(InterpolationKind::Smooth) | KindBit(InterpolationKind::Spectrum);
    Keyframe key{time, InterpolationKind::Hold, glm::vec2(0.0f)};
    float read[2];
    if (!ReadKind(tokeniser, accepted, key.kind) || !ReadFloats(tokeniser, read, 2))
        return false;
    key.value = glm::vec2(read[0], read[1]);
    if (key.kind == InterpolationKind::Spectrum) {
        float scale[2];
        if (!ReadBand(tokeniser, key.band) || !ReadFloats(tokeniser, scale, 2))
            return false;
        key.scale = glm::vec2(scale[0], scale[1]);
    }
    keyframes.push_back(key);
    return true;
}

glm::vec2 CParamVector2::GetValue(float time) const {
    return Interpolation::Evaluate(keyframes, time, value, [this](const Keyframe &start, float) {
        if (start.kind == InterpolationKind::Spectrum)
            return start.value + start.scale * Interpolation::SpectrumLevel(start.band);
        return value;
    });
}
