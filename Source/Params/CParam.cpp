#include "Params/CParam.h"

#include "Base/AudioReactions.h"
#include "Base/CTokeniser.h"
#include "Base/Log.h"
#include "Base/Names.h"

#include <climits>
#include <cmath>

namespace {

constexpr int HighestBand = 511;

} // namespace

bool FindInterpolationKind(const char *word, InterpolationKind &kind) {
    for (const InterpolationKeyword &entry : InterpolationKeywords) {
        if (SameName(word, entry.keyword)) {
            kind = entry.kind;
            return true;
        }
    }
    return false;
}

bool CParam::KindAt(float time, InterpolationKind &kind) const {
    const size_t count = KeyframeCount();
    if (count == 0)
        return false;
    // Keyframes are evaluated in the order written: the last one at or before `time` starts its stretch.
    size_t start = 0;
    for (size_t i = 0; i < count; ++i)
        if (KeyframeTime(i) <= time)
            start = i;
    kind = KeyframeKind(start);
    return true;
}

int CParam::TruncateToInt(double value) {
    // Converting an out-of-range floating value to int is undefined, and a script may hold any number.
    if (std::isnan(value))
        return 0;
    if (value >= 2147483647.0)
        return INT_MAX;
    if (value <= -2147483648.0)
        return INT_MIN;
    return static_cast<int>(value);
}

bool CParam::ReadFloat(CTokeniser &tokeniser, float &value) {
    if (tokeniser.NextToken() != TokenType::Number)
        return false;
    value = static_cast<float>(tokeniser.GetNumber());
    return true;
}

bool CParam::ReadFloats(CTokeniser &tokeniser, float *values, size_t count) {
    for (size_t i = 0; i < count; ++i)
        if (!ReadFloat(tokeniser, values[i]))
            return false;
    return true;
}

bool CParam::ReadInt(CTokeniser &tokeniser, int &value) {
    if (tokeniser.NextToken() != TokenType::Number)
        return false;
    value = TruncateToInt(tokeniser.GetNumber());
    return true;
}

bool CParam::ReadBand(CTokeniser &tokeniser, int &band) {
    int number;
    if (!ReadInt(tokeniser, number))
        return false;
    band = number < 0 ? 0 : (number > HighestBand ? HighestBand : number);
    return true;
}

bool CParam::ReadBool(CTokeniser &tokeniser, bool &value) {
    if (tokeniser.NextToken() != TokenType::Word)
        return false;
    if (SameName(tokeniser.GetString(), "true")) {
        value = true;
        return true;
    }
    if (SameName(tokeniser.GetString(), "false")) {
        value = false;
        return true;
    }
    return false;
}

bool CParam::ReadPeriod(CTokeniser &tokeniser, float &seconds) {
    if (tokeniser.NextToken() != TokenType::Time)
        return false;
    return tokeniser.tempo.ToSeconds(tokeniser.GetBar(), tokeniser.GetBeat(), tokeniser.GetTick(), seconds);
}

bool CParam::ReadRange(CTokeniser &tokeniser, float &low, float &high) {
    float a, b;
    if (!ReadFloat(tokeniser, a) || !ReadFloat(tokeniser, b) || !std::isfinite(a) || !std::isfinite(b))
        return false;
    // A range written from high to low means the same frequencies; below 0 Hz there is nothing.
    low = std::fmax(std::fmin(a, b), 0.0f);
    high = std::fmax(std::fmax(a, b), 0.0f);
    return true;
}

bool CParam::ReadReaction(CTokeniser &tokeniser, InterpolationKind kind, float low, float high, int &reaction) {
    ReactionRule rule;
    rule.low = low;
    rule.high = high;
    switch (kind) {
    case InterpolationKind::Level:
        rule.kind = ReactionKind::Level;
        if (!ReadPeriod(tokeniser, rule.attack) || !ReadPeriod(tokeniser, rule.release))
            return false;
        break;
    case InterpolationKind::Peak:
    case InterpolationKind::Onset:
        rule.kind = kind == InterpolationKind::Peak ? ReactionKind::Peak : ReactionKind::Onset;
        if (!ReadPeriod(tokeniser, rule.attack))
            return false;
        break;
    default:
        rule.kind = ReactionKind::Accumulate;
        break;
    }
    reaction = -1;
    if (!tokeniser.reactions)
        return true;
    reaction = tokeniser.reactions->Add(rule);
    if (reaction < 0) {
        LOG("CParam::ReadReaction", "Line %d: more than %d different music reactions", tokeniser.line,
            static_cast<int>(CReactionSet::MaxReactions));
        return false;
    }
    return true;
}

bool CParam::ReadKind(CTokeniser &tokeniser, unsigned accepted, InterpolationKind &kind) {
    if (tokeniser.NextToken() != TokenType::Word)
        return false;
    InterpolationKind found;
    if (!FindInterpolationKind(tokeniser.GetString(), found) || !(accepted & KindBit(found)))
        return false;
    kind = found;
    return true;
}
