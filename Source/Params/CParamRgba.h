// A colour layer value: four plain floats r, g, b, a as written in the script. Packing into bytes
// happens where the colour reaches the device, not here.
#pragma once

#include "Params/CParam.h"

#include <glm/vec4.hpp>
#include <vector>

class CParamRgba : public CParam {
public:
    struct Keyframe {
        float time;
        InterpolationKind kind;
        glm::vec4 value;
    };

    explicit CParamRgba(const glm::vec4 &value) : value(value) {}

    bool SetValueFromTokeniser(CTokeniser &tokeniser) override;
    bool AddKeyframeFromTokeniser(float time, CTokeniser &tokeniser) override;

    glm::vec4 GetValue(float time) const;

    const glm::vec4 &GetBaseValue() const { return value; }
    const std::vector<Keyframe> &GetKeyframes() const { return keyframes; }

private:
    glm::vec4 value;
    std::vector<Keyframe> keyframes;
};
