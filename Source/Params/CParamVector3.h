// A 3-vector layer value (positions, rotations, light directions in 3D layers).
#pragma once

#include "Params/CParam.h"

#include <glm/vec3.hpp>
#include <vector>

class CParamVector3 : public CParam {
public:
    struct Keyframe {
        float time;
        InterpolationKind kind;
        glm::vec3 value;
    };

    explicit CParamVector3(const glm::vec3 &value) : value(value) {}

    bool SetValueFromTokeniser(CTokeniser &tokeniser) override;
    bool AddKeyframeFromTokeniser(float time, CTokeniser &tokeniser) override;

    glm::vec3 GetValue(float time) const;

    const glm::vec3 &GetBaseValue() const { return value; }
    const std::vector<Keyframe> &GetKeyframes() const { return keyframes; }

private:
    glm::vec3 value;
    std::vector<Keyframe> keyframes;
};
