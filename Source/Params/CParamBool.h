// An on/off layer value (Active, ClearDepth, ...). Keyframes hold one state until the next.
#pragma once

#include "Params/CParamValue.h"

#include <vector>

struct BoolParamTraits {
    using Value = bool;
    using Result = bool;
    struct Keyframe {
        float time;
        InterpolationKind kind;
        bool value;
    };
    static constexpr unsigned Accepted = KindBit(InterpolationKind::Hold);

    static bool ReadValue(CTokeniser &tokeniser, bool &value) { return CParam::ReadBool(tokeniser, value); }
    static bool ReadPayload(CTokeniser &tokeniser, Keyframe &key) { return CParam::ReadBool(tokeniser, key.value); }
    static bool Evaluate(const ParamState<bool, Keyframe> &state, float time);
};

class CParamBool final : public CParamValue<BoolParamTraits> {
public:
    using CParamValue::CParamValue;
    const char *TypeName() const override { return "bool"; }
};
