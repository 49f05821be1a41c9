// A number layer value (rotations, alphas, shader values). The richest keyframe set: hold, linear,
// smooth and the easings, a spectrum band, a square wave between two values, and the reactions to the
// music (scaled by the keyframe's `scale`).
#pragma once

#include "Params/CParamValue.h"

#include <vector>

struct FloatParamTraits {
    using Value = float;
    using Result = float;
    struct Keyframe {
        float time;
        InterpolationKind kind;
        float value;
        float secondValue = 0.0f; // Square
        int band = 0;             // Spectrum, 0..511
        float scale = 0.0f;       // Spectrum
        float period = 0.0f;      // Square, seconds
        int reaction = -1;        // Level, Peak, Onset, Accumulate: the presentation's reaction
    };
    static constexpr unsigned Accepted = KindBit(InterpolationKind::Hold) | KindBit(InterpolationKind::Linear) |
                                         KindBit(InterpolationKind::Smooth) | KindBit(InterpolationKind::Spectrum) |
                                         KindBit(InterpolationKind::Square) | EasingKinds | ReactionKinds;

    static bool ReadValue(CTokeniser &tokeniser, float &value) { return CParam::ReadFloat(tokeniser, value); }
    static bool ReadPayload(CTokeniser &tokeniser, Keyframe &key);
    static float Evaluate(const ParamState<float, Keyframe> &state, float time);
};

class CParamFloat final : public CParamValue<FloatParamTraits> {
public:
    using CParamValue::CParamValue;
    const char *TypeName() const override { return "float"; }
};
