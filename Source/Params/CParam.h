// The base of every animatable layer value. A parameter reads its base value and its keyframes from
// the script; evaluation is a non-virtual GetValue on each concrete class, so the per-frame path makes
// no virtual call and returns the class's own type.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

class CTokeniser;

// How a value develops from a keyframe on.
enum class InterpolationKind {
    Hold,
    Linear,
    Smooth,
    Spectrum,
    Square,
    Monotone,
    EaseIn,
    EaseOut,
    EaseInOut,
    Level,
    Peak,
    Onset,
    Accumulate
};

struct InterpolationKeyword {
    const char *keyword;
    InterpolationKind kind;
};

// The script's interpolation words, matched without regard to ASCII letter case.
inline constexpr InterpolationKeyword InterpolationKeywords[] = {
    {"hold", InterpolationKind::Hold},
    {"linear", InterpolationKind::Linear},
    {"smooth", InterpolationKind::Smooth},
    {"spectrum", InterpolationKind::Spectrum},
    {"square", InterpolationKind::Square},
    {"monotone", InterpolationKind::Monotone},
    {"easein", InterpolationKind::EaseIn},
    {"easeout", InterpolationKind::EaseOut},
    {"easeinout", InterpolationKind::EaseInOut},
    {"level", InterpolationKind::Level},
    {"peak", InterpolationKind::Peak},
    {"onset", InterpolationKind::Onset},
    {"accumulate", InterpolationKind::Accumulate},
};

// Looks a word up in InterpolationKeywords; false when it is none of them.
bool FindInterpolationKind(const char *word, InterpolationKind &kind);

// A set of kinds, one bit per InterpolationKind, for the kinds a class accepts.
constexpr unsigned KindBit(InterpolationKind kind) { return 1u << static_cast<unsigned>(kind); }
// The blends that stay between their two keyframes, taken by every class that blends linearly: a
// monotone cubic through the keyframes, and cubic easing in, out, and in then out.
constexpr unsigned EasingKinds = KindBit(InterpolationKind::Monotone) | KindBit(InterpolationKind::EaseIn) |
                                 KindBit(InterpolationKind::EaseOut) | KindBit(InterpolationKind::EaseInOut);

// The kinds that follow the music from an analysis of the whole track: a frequency range's level with
// an envelope, its running peak, a pulse at each onset, and its integral.
constexpr unsigned ReactionKinds = KindBit(InterpolationKind::Level) | KindBit(InterpolationKind::Peak) |
                                   KindBit(InterpolationKind::Onset) | KindBit(InterpolationKind::Accumulate);
constexpr bool IsReactionKind(InterpolationKind kind) { return (ReactionKinds & KindBit(kind)) != 0; }

class CParam {
public:
    virtual ~CParam() = default;

    // Reads a value (after the '=' of a Name = value line) and makes it the base value. On false the
    // base value is unchanged; tokens read so far stay consumed.
    virtual bool SetValueFromTokeniser(CTokeniser &tokeniser) = 0;
    // Reads an interpolation word and its payload and appends one keyframe at `time` seconds. On
    // false nothing is added.
    virtual bool AddKeyframeFromTokeniser(float time, CTokeniser &tokeniser) = 0;
    // Adds the spectrum bands the parameter's spectrum keyframes really follow (for the authoring
    // overlay): none while a lone keyframe is ignored.
    virtual void AddSpectrumBands(std::vector<int> & /*bands*/) const {}
    // Adds the presentation's reactions (indices into its CReactionSet) that the keyframes follow, as
    // AddSpectrumBands does for bands.
    virtual void AddReactions(std::vector<int> & /*reactions*/) const {}
    // The keyframes read so far.
    virtual size_t KeyframeCount() const = 0;
    // Whether a keyframe alone changes the value. Values blended between keyframes (bool, float,
    // colour, vectors) ignore a lone keyframe and keep their base value; whole numbers and words step
    // to it.
    virtual bool OneKeyframeTakesEffect() const = 0;
    // True when the parameter's only keyframe has no effect: the author most likely meant two.
    bool HasIgnoredLoneKeyframe() const { return KeyframeCount() == 1 && !OneKeyframeTakesEffect(); }

    // The script line of the first keyframe read (0: none yet).
    int firstKeyframeLine = 0;

    // For the authoring overlay, which shows and tweaks values while the show plays (none of this is
    // on the per-frame path):
    // The value's type as the documentation names it ("float", "vector3", "colour", "string").
    virtual const char *TypeName() const = 0;
    // Numbers in one value: 1 for bool, int and float, 2 to 4 for vectors and colours, 0 for words.
    virtual int Components() const = 0;
    // The value at `time` (the override while there is one) as `Components()` numbers; bools give
    // 0 or 1.
    virtual void ValueComponents(float time, float *out) const = 0;
    // A word's value at `time`; empty for numbers.
    virtual std::string WordValue(float time) const = 0;
    // The value from the keyframes alone, as ValueComponents, ignoring an override.
    virtual void KeyframedComponents(float time, float *out) const = 0;
    virtual float KeyframeTime(size_t index) const = 0;
    virtual InterpolationKind KeyframeKind(size_t index) const = 0;
    // The kind of the keyframe that starts the stretch holding `time` (before the first keyframe, the
    // first's); false without keyframes.
    bool KindAt(float time, InterpolationKind &kind) const;
    // A value that stands in for the base value and the keyframes until cleared (`Components()`
    // numbers; a bool is true from 0.5 on, an int truncated). False for words.
    virtual bool SetOverride(const float *components) = 0;
    void ClearOverride() { overridden = false; }
    bool IsOverridden() const { return overridden; }

protected:
    bool overridden = false;

public:
    // Shared by the value classes' traits, which read and convert values outside the class itself.
    // Truncates toward zero into a 32-bit integer, saturating at its limits; NaN gives 0.
    static int TruncateToInt(double value);

    // Token readers shared by the value classes: each reads one token and fails on the wrong type.
    static bool ReadFloat(CTokeniser &tokeniser, float &value);
    static bool ReadFloats(CTokeniser &tokeniser, float *values, size_t count);
    // A number truncated toward zero, saturated at the limits of a 32-bit integer.
    static bool ReadInt(CTokeniser &tokeniser, int &value);
    // A number truncated toward zero and clamped into the spectrum's bands, 0..511.
    static bool ReadBand(CTokeniser &tokeniser, int &band);
    // "true" or "false", letter case ignored.
    static bool ReadBool(CTokeniser &tokeniser, bool &value);
    // A Time literal converted to seconds with the tempo in force.
    static bool ReadPeriod(CTokeniser &tokeniser, float &seconds);
    // For a reaction kind: the range in Hz ("low high"), read before the scale.
    static bool ReadRange(CTokeniser &tokeniser, float &low, float &high);
    // For a reaction kind: the times that follow the scale (attack and release for level, the
    // half-life for peak and onset, none for accumulate), then the reaction's index in the
    // presentation's set (-1 outside a presentation). False on a bad time or a full set.
    static bool ReadReaction(CTokeniser &tokeniser, InterpolationKind kind, float low, float high, int &reaction);
    // An interpolation word that is one of `accepted` (KindBit flags).
    static bool ReadKind(CTokeniser &tokeniser, unsigned accepted, InterpolationKind &kind);
};
