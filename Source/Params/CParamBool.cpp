#include "Params/CParamBool.h"

#include "Params/Interpolation.h"

bool CParamBool::SetValueFromTokeniser(CTokeniser &tokeniser) {
    bool read;
    if (!ReadBool(tokeniser, read))
        return false;
    value = read;
    return true;
}

bool CParamBool::AddKeyframeFromTokeniser(float time, CTokeniser &tokeniser) {
    Keyframe key{time, InterpolationKind::Hold, false};
    if (!ReadKind(tokeniser, KindBit(InterpolationKind::Hold), key.kind) || !ReadBool(tokeniser, key.value))
        return false;
    keyframes.push_back(key);
    return true;
}

bool CParamBool::GetValue(float time) const {
    const size_t n = keyframes.size();
    if (n < 2)
        return value;
    if (time < keyframes[0].time)
        return keyframes[0].value;
    if (time > keyframes[n - 1].time)
        return keyframes[n - 1].value;
    const Keyframe &start = keyframes[Interpolation::FindSegment(keyframes, time)];
    return start.kind == InterpolationKind::Hold ? start.value : value;
}
