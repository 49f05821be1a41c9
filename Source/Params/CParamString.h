// A text layer value (texture, shader and render-target names). Each keyframe's text applies from its
// own time on. GetValue hands out a reference to text the parameter keeps, so evaluation copies nothing.
#pragma once

#include "Params/CParam.h"

#include <string>
#include <utility>
#include <vector>

class CParamString : public CParam {
public:
    struct Keyframe {
        float time;
        InterpolationKind kind;
        std::string value;
    };

    explicit CParamString(std::string value) : value(std::move(value)) {}

    bool SetValueFromTokeniser(CTokeniser &tokeniser) override;
    bool AddKeyframeFromTokeniser(float time, CTokeniser &tokeniser) override;

    // Valid as long as the parameter lives and no value or keyframe is added.
    const std::string &GetValue(float time) const;
    // Which text GetValue gives at `time`: 0 for the base value, i + 1 for keyframe i. Lets a caller
    // keep something per text (a resolved resource) and pick it without comparing strings.
    size_t GetValueIndex(float time) const;

    const std::string &GetBaseValue() const { return value; }
    const std::vector<Keyframe> &GetKeyframes() const { return keyframes; }

private:
    std::string value;
    std::vector<Keyframe> keyframes;
};
