// A 2-vector layer value (positions, scales). Besides hold, linear and smooth it can follow one
// spectrum band with a separate scale per component.
#pragma once

#include "Params/CParam.h"

#include <glm/vec2.hpp>
#include <vector>

class CParamVector2 : public CParam {
public:
    struct Keyframe {
        float time;
        InterpolationKind kind;
        glm::vec2 value;
        int band = 0;                   // Spectrum, 0..511
        glm::vec2 scale = glm::vec2(0); // Spectrum
    };

    explicit CParamVector2(const glm::vec2 &value) : value(value) {}

    bool SetValueFromTokeniser(CTokeniser &tokeniser) override;
    bool AddKeyframeFromTokeniser(float time, CTokeniser &tokeniser) override;
    void AddSpectrumBands(std::vector<int> &bands) const override {
        for (const Keyframe &keyframe : keyframes)
            if (keyframe.kind == InterpolationKind::Spectrum)
                bands.push_back(keyframe.band);
    }

    glm::vec2 GetValue(float time) const;

    const glm::vec2 &GetBaseValue() const { return value; }
    const std::vector<Keyframe> &GetKeyframes() const { return keyframes; }

private:
    glm::vec2 value;
    std::vector<Keyframe> keyframes;
};
