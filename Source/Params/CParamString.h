// A text layer value (texture, shader and render-target names). Each keyframe's text applies from its
// own time on. GetValue hands out a reference to text the parameter keeps, so evaluation copies nothing.
#pragma once

#include "Params/CParamValue.h"

#include <cstddef>
#include <string>
#include <vector>

struct StringParamTraits {
    // The word in force changes at a keyframe, so one keyframe is enough.
    static constexpr bool OneKeyframeTakesEffect = true;
    using Value = std::string;
    // Valid as long as the parameter lives and no value or keyframe is added.
    using Result = const std::string &;
    struct Keyframe {
        float time;
        InterpolationKind kind;
        std::string value;
    };
    static constexpr unsigned Accepted = KindBit(InterpolationKind::Hold);

    // One Word: an identifier or a quoted string.
    static bool ReadValue(CTokeniser &tokeniser, std::string &value);
    static bool ReadPayload(CTokeniser &tokeniser, Keyframe &key) { return ReadValue(tokeniser, key.value); }
    static size_t ValueIndex(const std::vector<Keyframe> &keys, float time);
    static const std::string &Evaluate(const ParamState<std::string, Keyframe> &state, float time);
};

class CParamString final : public CParamValue<StringParamTraits> {
public:
    using CParamValue::CParamValue;
    const char *TypeName() const override { return "string"; }

    // Which text GetValue gives at `time`: 0 for the base value, i + 1 for keyframe i. Lets a caller
    // keep something per text (a resolved resource) and pick it without comparing strings.
    size_t GetValueIndex(float time) const { return StringParamTraits::ValueIndex(GetKeyframes(), time); }
};
