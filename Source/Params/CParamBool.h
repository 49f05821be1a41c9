// An on/off layer value (Active, ClearDepth, ...). Keyframes hold one state until the next.
#pragma once

#include "Params/CParam.h"

#include <vector>

class CParamBool : public CParam {
public:
    struct Keyframe {
        float time;
        InterpolationKind kind;
        bool value;
    };

    explicit CParamBool(bool value) : value(value) {}

    bool SetValueFromTokeniser(CTokeniser &tokeniser) override;
    bool AddKeyframeFromTokeniser(float time, CTokeniser &tokeniser) override;

    bool GetValue(float time) const;

    bool GetBaseValue() const { return value; }
    const std::vector<Keyframe> &GetKeyframes() const { return keyframes; }

private:
    bool value;
    std::vector<Keyframe> keyframes;
};
