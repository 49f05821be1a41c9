#include "Params/CParamString.h"

#include "System/CTokeniser.h"

bool CParamString::SetValueFromTokeniser(CTokeniser &tokeniser) {
    if (tokeniser.NextToken() != TokenType::Word)
        return false;
    value = tokeniser.GetString();
    return true;
}

bool CParamString::AddKeyframeFromTokeniser(float time, CTokeniser &tokeniser) {
    InterpolationKind kind;
    if (!ReadKind(tokeniser, KindBit(InterpolationKind::Hold), kind) ||
        tokeniser.NextToken() != TokenType::Word)
        return false;
    keyframes.push_back(Keyframe{time, kind, tokeniser.GetString()});
    return true;
}

const std::string &CParamString::GetValue(float time) const {
    if (keyframes.empty())
        return value;
    const std::string *previous = &value;
    size_t i = 0;
    for (; i < keyframes.size() && keyframes[i].time <= time; ++i)
        previous = &keyframes[i].value;
    if (i == keyframes.size() || keyframes[i].kind == InterpolationKind::Hold)
        return *previous;
    return value;
}
