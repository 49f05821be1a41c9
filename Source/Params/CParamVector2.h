// A 2-vector layer value (positions, scales). Besides hold, linear and smooth it can follow one
// spectrum band with a separate scale per component.
#pragma once

#include "Params/CParamValue.h"
#include "Params/VectorParamTraits.h"

#include <glm/vec2.hpp>
#include <vector>

struct Vector2ParamTraits {
    using Value = glm::vec2;
    using Result = glm::vec2;
    struct Keyframe {
        float time;
        InterpolationKind kind;
        glm::vec2 value;
        int band = 0;                   // Spectrum, 0..511
        glm::vec2 scale = glm::vec2(0); // Spectrum and the reactions
        int reaction = -1;              // Level, Peak, Onset, Accumulate
    };
    static constexpr unsigned Accepted = KindBit(InterpolationKind::Hold) | KindBit(InterpolationKind::Linear) |
                                         KindBit(InterpolationKind::Smooth) | KindBit(InterpolationKind::Spectrum) |
                                         EasingKinds | ReactionKinds;

    static bool ReadValue(CTokeniser &tokeniser, glm::vec2 &value) { return ReadVector(tokeniser, value); }
    static bool ReadPayload(CTokeniser &tokeniser, Keyframe &key);
    static glm::vec2 Evaluate(const ParamState<glm::vec2, Keyframe> &state, float time);
};

class CParamVector2 final : public CParamValue<Vector2ParamTraits> {
public:
    using CParamValue::CParamValue;
    const char *TypeName() const override { return "vector2"; }
};
