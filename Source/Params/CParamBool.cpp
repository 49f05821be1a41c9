#include "Params/CParamBool.h"

#include "Params/Interpolation.h"

bool BoolParamTraits::Evaluate(const ParamState<bool, Keyframe> &state, float time) {
    return Interpolation::Evaluate<Accepted>(state.keyframes, time, state.value,
                                             [&state](const Keyframe &, float) { return state.value; });
}
