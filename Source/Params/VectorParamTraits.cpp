#include "Params/VectorParamTraits.h"

#include "Params/Interpolation.h"

template <class V> V VectorParamTraits<V>::Evaluate(const ParamState<V, Keyframe> &state, float time) {
    return Interpolation::Evaluate<Accepted>(state.keyframes, time, state.value,
                                             [&state](const Keyframe &, float) { return state.value; });
}

template struct VectorParamTraits<glm::vec3>;
template struct VectorParamTraits<glm::vec4>;
