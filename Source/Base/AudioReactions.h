// Values that follow the music as functions of its time alone: the level of a frequency range with an
// envelope, its running peak, a pulse at each onset, and its integral. A presentation's keyframes name
// what they follow in a CReactionSet while the script is read; the whole track is then analysed once
// into a CReactionTable, and a frame looks a value up by its time, so playing, seeking, looping and
// capturing give the same value at the same time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

enum class ReactionKind : uint8_t { Level, Peak, Onset, Accumulate };

struct ReactionRule {
    ReactionKind kind = ReactionKind::Level;
    float low = 0.0f, high = 0.0f; // Hz, low <= high
    // Level: the time constants of the rise and of the fall, in seconds. Peak and Onset: `attack`
    // holds the time in which the value falls by half. Accumulate: unused (0).
    float attack = 0.0f, release = 0.0f;
    bool operator==(const ReactionRule&) const = default;
};

// The onset rule: the level rises by more than OnsetFloor and by more than OnsetRatio times its mean
// over the last OnsetWindow seconds. The onset is placed at the step before that rise began (the
// rise: the rising steps before it that stand more than OnsetRiseShare of the rise above the mean, at
// most OnsetRiseLimit earlier, the length of the spectrum's window), since the spectrum sees a hit only
// as it enters its window; and at least OnsetGap after the onset before.
inline constexpr float OnsetFloor = 0.01f;
inline constexpr float OnsetRatio = 0.5f;
inline constexpr float OnsetWindow = 0.25f;
inline constexpr float OnsetGap = 0.05f;
inline constexpr float OnsetRiseLimit = 0.025f;
inline constexpr float OnsetRiseShare = 0.05f;

// The script's word for a kind ("level", ...).
const char* ReactionKindName(ReactionKind kind);

// What one presentation's keyframes follow, each distinct reaction once, in the order first named.
class CReactionSet {
public:
    // Far more than a presentation names; bounds the analysis a script can ask for.
    static constexpr size_t MaxReactions = 1024;

    // The index of `rule` (an equal one named before, or a new one); -1 when the set is full.
    int Add(const ReactionRule& rule);
    const std::vector<ReactionRule>& Rules() const { return rules; }
    bool Empty() const { return rules.empty(); }

private:
    std::vector<ReactionRule> rules;
};

// Turns a range's level, sampled every `stepSeconds` (levels[0] at time 0), into the reaction's
// value at each step. `out` holds `steps` values.
void DeriveReaction(const ReactionRule& rule, const float* levels, int64_t steps, double stepSeconds, float* out);
// The steps at which `levels` has an onset by the rule above, in order.
std::vector<int64_t> FindOnsets(const float* levels, int64_t steps, double stepSeconds);

// Every reaction of one set over the whole music, at a fixed step. Immutable once made; read by the
// frames without allocating.
class CReactionTable {
public:
    // `levels` and `values` hold `steps` entries per reaction, reaction by reaction.
    CReactionTable(double stepSeconds, int64_t steps, std::vector<float> levels, std::vector<float> values);

    double StepSeconds() const { return stepSeconds; }
    int64_t Steps() const { return steps; }
    size_t Reactions() const { return steps > 0 ? values.size() / static_cast<size_t>(steps) : 0; }
    // The reaction's value at `seconds` of the music, interpolated between steps; before 0 the first
    // step's, after the end the last's. 0 for an index the table does not hold.
    float Value(int reaction, double seconds) const { return Sample(values, reaction, seconds); }
    // The level of the reaction's range at `seconds`, for the overlay.
    float Level(int reaction, double seconds) const { return Sample(levels, reaction, seconds); }

private:
    float Sample(const std::vector<float>& series, int reaction, double seconds) const;

    double stepSeconds;
    int64_t steps;
    std::vector<float> levels, values;
};

// What the frame being drawn reads: the table of the presentation drawn (null without music, with the
// spectrum switched off, or while there is nothing to follow) and the music time at which the scene
// being drawn starts, since layers see times from their scene's start. While the table is still being
// made, `wait` is set: the first value a frame asks for waits for it, so frames that follow no music
// (the start of a presentation, often) are drawn without waiting.
struct ReactionFrame {
    const CReactionTable* table = nullptr;
    float sceneStart = 0.0f;
    const CReactionTable* (*wait)(void* context) = nullptr;
    void* context = nullptr;
};
// One for the process, like the spectrum: set by the frame's caller and by the scenes as they draw.
extern ReactionFrame ActiveReactions;

// Waits for the table being made and puts it in ActiveReactions; null when there is none after all.
const CReactionTable* WaitForReactions();

// The value of reaction `index` at `localTime` into the scene being drawn; 0 without a table.
inline float ReactionValue(int index, float localTime) {
    const CReactionTable* table = ActiveReactions.table;
    if (!table) [[unlikely]] {
        if (index < 0 || !ActiveReactions.wait)
            return 0.0f;
        table = WaitForReactions();
        if (!table)
            return 0.0f;
    }
    return table->Value(index, static_cast<double>(ActiveReactions.sceneStart) + localTime);
}
