#include "Params/CParamString.h"

#include "Base/CTokeniser.h"
#include "Params/Interpolation.h"

bool StringParamTraits::ReadValue(CTokeniser &tokeniser, std::string &value) {
    if (tokeniser.NextToken() != TokenType::Word)
        return false;
    value = tokeniser.GetString();
    return true;
}

size_t StringParamTraits::ValueIndex(const std::vector<Keyframe> &keys, float time) {
    if (keys.empty())
        return 0;
    const size_t reached = Interpolation::CountReached(keys, time);
    if (reached == keys.size() || keys[reached].kind == InterpolationKind::Hold)
        return reached;
    return 0;
}

const std::string &StringParamTraits::Evaluate(const ParamState<std::string, Keyframe> &state, float time) {
    const size_t index = ValueIndex(state.keyframes, time);
    return index == 0 ? state.value : state.keyframes[index - 1].value;
}
