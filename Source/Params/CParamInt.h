// A whole-number layer value (counts, band numbers). Evaluated by walking to the keyframe that ends
// the current segment, whose kind decides how the value gets there.
#pragma once

#include "Params/CParam.h"

#include <vector>

class CParamInt : public CParam {
public:
    struct Keyframe {
        float time;
        InterpolationKind kind;
        int value;
        int band = 0;  // Spectrum, 0..511
        int scale = 0; // Spectrum
    };

    explicit CParamInt(int value) : value(value) {}

    bool SetValueFromTokeniser(CTokeniser &tokeniser) override;
    bool AddKeyframeFromTokeniser(float time, CTokeniser &tokeniser) override;
    void AddSpectrumBands(std::vector<int> &bands) const override {
        for (const Keyframe &keyframe : keyframes)
            if (keyframe.kind == InterpolationKind::Spectrum)
                bands.push_back(keyframe.band);
    }

    int GetValue(float time) const;

    int GetBaseValue() const { return value; }
    const std::vector<Keyframe> &GetKeyframes() const { return keyframes; }

private:
    int value;
    std::vector<Keyframe> keyframes;
};
