// A whole-number layer value (counts, band numbers). Evaluated by walking to the keyframe that ends
// the current segment, whose kind decides how the value gets there.
#pragma once

#include "Params/CParamValue.h"

#include <vector>

struct IntParamTraits {
    // The value steps from the base value to a keyframe's, so one keyframe is enough.
    static constexpr bool OneKeyframeTakesEffect = true;
    using Value = int;
    using Result = int;
    struct Keyframe {
        float time;
        InterpolationKind kind;
        int value;
        int band = 0;      // Spectrum, 0..511
        int scale = 0;     // Spectrum and the reactions
        int reaction = -1; // Level, Peak, Onset, Accumulate
    };
    static constexpr unsigned Accepted = KindBit(InterpolationKind::Hold) | KindBit(InterpolationKind::Linear) |
                                         KindBit(InterpolationKind::Spectrum) | ReactionKinds;

    static bool ReadValue(CTokeniser &tokeniser, int &value) { return CParam::ReadInt(tokeniser, value); }
    static bool ReadPayload(CTokeniser &tokeniser, Keyframe &key);
    static int Evaluate(const ParamState<int, Keyframe> &state, float time);
};

class CParamInt final : public CParamValue<IntParamTraits> {
public:
    using CParamValue::CParamValue;
    const char *TypeName() const override { return "int"; }
};
