// The one shape every value class shares: a base value, keyframes appended in script order, and the
// two script entry points. What differs per type lives in a small traits struct: the value and
// keyframe types, the kinds accepted, how a value and a keyframe's payload are read, and how the
// keyframes give a value at a time. GetValue stays non-virtual and returns the traits' own type.
#pragma once

#include "Params/CParam.h"

#include <string>
#include <type_traits>
#include <utility>
#include <vector>

// How many numbers a value holds, for the overlay: one for a number or a bool, one per component of a
// vector, none for a word.
template <class Value> constexpr int ValueComponentCount() {
    if constexpr (std::is_same_v<Value, std::string>)
        return 0;
    else if constexpr (std::is_arithmetic_v<Value>)
        return 1;
    else
        return static_cast<int>(sizeof(Value) / sizeof(float));
}

// What a parameter holds, passed whole to its traits' evaluation so that the per-frame call hands over
// one pointer.
template <class Value, class Keyframe> struct ParamState {
    Value value;
    std::vector<Keyframe> keyframes;
};

// Traits provide:
//   Value, Keyframe (time, kind, value, then the type's own fields), Result (what GetValue returns),
//   Accepted (KindBit flags),
//   static bool ReadValue(CTokeniser &, Value &): a whole value, or false;
//   static bool ReadPayload(CTokeniser &, Keyframe &): what follows the interpolation word;
//   static Result Evaluate(const ParamState<Value, Keyframe> &, float time).
template <class Traits> class CParamValue : public CParam {
public:
    using Value = typename Traits::Value;
    using Keyframe = typename Traits::Keyframe;

    explicit CParamValue(Value value) : state{std::move(value), {}} {}

    bool SetValueFromTokeniser(CTokeniser &tokeniser) override {
        // Read into a local first: a value that fails half-way leaves the base value as it was.
        Value read{};
        if (!Traits::ReadValue(tokeniser, read))
            return false;
        state.value = std::move(read);
        return true;
    }

    bool AddKeyframeFromTokeniser(float time, CTokeniser &tokeniser) override {
        Keyframe key{};
        key.time = time;
        key.kind = InterpolationKind::Hold;
        if (!ReadKind(tokeniser, Traits::Accepted, key.kind) || !Traits::ReadPayload(tokeniser, key))
            return false;
        state.keyframes.push_back(std::move(key));
        return true;
    }

    void AddSpectrumBands(std::vector<int> &bands) const override {
        if constexpr ((Traits::Accepted & KindBit(InterpolationKind::Spectrum)) != 0) {
            if (HasIgnoredLoneKeyframe())
                return;
            for (const Keyframe &keyframe : state.keyframes)
                if (keyframe.kind == InterpolationKind::Spectrum)
                    bands.push_back(keyframe.band);
        } else {
            static_cast<void>(bands);
        }
    }

    void AddReactions(std::vector<int> &reactions) const override {
        if constexpr ((Traits::Accepted & ReactionKinds) != 0) {
            if (HasIgnoredLoneKeyframe())
                return;
            for (const Keyframe &keyframe : state.keyframes)
                if (IsReactionKind(keyframe.kind) && keyframe.reaction >= 0)
                    reactions.push_back(keyframe.reaction);
        } else {
            static_cast<void>(reactions);
        }
    }

    size_t KeyframeCount() const override { return state.keyframes.size(); }
    bool OneKeyframeTakesEffect() const override {
        if constexpr (requires { Traits::OneKeyframeTakesEffect; })
            return Traits::OneKeyframeTakesEffect;
        else
            return false;
    }

    typename Traits::Result GetValue(float time) const {
        if (overridden) [[unlikely]]
            return overrideValue;
        return Traits::Evaluate(state, time);
    }

    int Components() const override { return ValueComponentCount<Value>(); }
    void ValueComponents(float time, float *out) const override { ToComponents(GetValue(time), out); }
    std::string WordValue(float time) const override {
        if constexpr (std::is_same_v<Value, std::string>)
            return GetValue(time);
        else
            return (static_cast<void>(time), std::string());
    }
    void KeyframedComponents(float time, float *out) const override {
        ToComponents(Traits::Evaluate(state, time), out);
    }
    float KeyframeTime(size_t index) const override { return state.keyframes[index].time; }
    InterpolationKind KeyframeKind(size_t index) const override { return state.keyframes[index].kind; }
    bool SetOverride(const float *components) override {
        if constexpr (ValueComponentCount<Value>() == 0) {
            static_cast<void>(components);
            return false;
        } else if constexpr (std::is_same_v<Value, bool>) {
            overrideValue = components[0] >= 0.5f;
        } else if constexpr (std::is_arithmetic_v<Value>) {
            overrideValue =
                static_cast<Value>(std::is_integral_v<Value> ? TruncateToInt(components[0]) : components[0]);
        } else {
            for (int i = 0; i < ValueComponentCount<Value>(); ++i)
                overrideValue[i] = components[i];
        }
        overridden = true;
        return true;
    }

    const Value &GetBaseValue() const { return state.value; }
    const std::vector<Keyframe> &GetKeyframes() const { return state.keyframes; }

private:
    template <class R> static void ToComponents(const R &value, float *out) {
        using Plain = std::decay_t<R>;
        if constexpr (ValueComponentCount<Plain>() == 0) {
            static_cast<void>(value);
            static_cast<void>(out);
        } else if constexpr (std::is_arithmetic_v<Plain>) {
            out[0] = static_cast<float>(value);
        } else {
            for (int i = 0; i < ValueComponentCount<Plain>(); ++i)
                out[i] = value[i];
        }
    }

    ParamState<Value, Keyframe> state;
    Value overrideValue{};
};
