// A number layer value (rotations, alphas, shader values). The richest keyframe set: hold, linear,
// smooth, a spectrum band, and a square wave between two values.
#pragma once

#include "Params/CParam.h"

#include <vector>

class CParamFloat : public CParam {
public:
    struct Keyframe {
        float time;
        InterpolationKind kind;
        float value;
        float secondValue = 0.0f; // Square
        int band = 0;             // Spectrum, 0..511
        float scale = 0.0f;       // Spectrum
        float period = 0.0f;      // Square, seconds
    };

    explicit CParamFloat(float value) : value(value) {}

    bool SetValueFromTokeniser(CTokeniser &tokeniser) override;
    bool AddKeyframeFromTokeniser(float time, CTokeniser &tokeniser) override;
    void AddSpectrumBands(std::vector<int> &bands) const override {
        for (const Keyframe &keyframe : keyframes)
            if (keyframe.kind == InterpolationKind::Spectrum)
                bands.push_back(keyframe.band);
    }

    float GetValue(float time) const;

    float GetBaseValue() const { return value; }
    const std::vector<Keyframe> &GetKeyframes() const { return keyframes; }

private:
    float value;
    std::vector<Keyframe> keyframes;
};
