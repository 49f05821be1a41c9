#include "Params/CParamString.h"

#include "Base/CTokeniser.h"

bool CParamString::SetValueFromTokeniser(CTokeniser &tokeniser) {
    if (tokeniser.NextToken() != TokenType::Word)
        return false;
    value = tokeniser.GetString();
    return true;
}

bool CParamString::AddKeyframeFromTokeniser(float time, CTokeniser &tokeniser) {
    InterpolationKind kind;
    if (!ReadKind(tokeniser, KindBit(InterpolationKind::Hold), kind) || tokeniser.NextToken() != TokenType::Word)
        return false;
    keyframes.push_back(Keyframe{time, kind, tokeniser.GetString()});
    return true;
}

size_t CParamString::GetValueIndex(float time) const {
    if (keyframes.empty())
        return 0;
    size_t previous = 0;
    size_t i = 0;
    for (; i < keyframes.size() && keyframes[i].time <= time; ++i)
        previous = i + 1;
    if (i == keyframes.size() || keyframes[i].kind == InterpolationKind::Hold)
        return previous;
    return 0;
}

const std::string &CParamString::GetValue(float time) const {
    const size_t index = GetValueIndex(time);
    return index == 0 ? value : keyframes[index - 1].value;
}
