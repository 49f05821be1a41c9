// The traits of the plain vector values, colours and 3-vectors: a fixed count of numbers that hold,
// blend linearly or follow a smooth curve, with nothing further per keyframe.
#pragma once

#include "Params/CParamValue.h"

#include <glm/vec2.hpp>
#include <glm/vec3.hpp>
#include <glm/vec4.hpp>
#include <vector>

// N numbers, one token each, into the components in order; on false `value` is unchanged.
template <glm::length_t N> bool ReadVector(CTokeniser &tokeniser, glm::vec<N, float, glm::defaultp> &value) {
    float read[N];
    if (!CParam::ReadFloats(tokeniser, read, N))
        return false;
    for (glm::length_t i = 0; i < N; ++i)
        value[i] = read[i];
    return true;
}

template <class V> struct VectorParamTraits {
    using Value = V;
    using Result = V;
    struct Keyframe {
        float time;
        InterpolationKind kind;
        V value;
    };
    static constexpr unsigned Accepted = KindBit(InterpolationKind::Hold) | KindBit(InterpolationKind::Linear) |
                                         KindBit(InterpolationKind::Smooth) | EasingKinds;

    static bool ReadValue(CTokeniser &tokeniser, V &value) { return ReadVector(tokeniser, value); }
    static bool ReadPayload(CTokeniser &tokeniser, Keyframe &key) { return ReadVector(tokeniser, key.value); }
    // Defined for glm::vec3 and glm::vec4 only.
    static V Evaluate(const ParamState<V, Keyframe> &state, float time);
};
