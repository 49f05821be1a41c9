#include "Base/AudioReactions.h"

#include <algorithm>
#include <cmath>

ReactionFrame ActiveReactions;

const CReactionTable* WaitForReactions() {
    auto* const wait = ActiveReactions.wait;
    if (!wait)
        return ActiveReactions.table;
    ActiveReactions.wait = nullptr;
    ActiveReactions.table = wait(ActiveReactions.context);
    return ActiveReactions.table;
}

const char* ReactionKindName(ReactionKind kind) {
    switch (kind) {
    case ReactionKind::Level:
        return "level";
    case ReactionKind::Peak:
        return "peak";
    case ReactionKind::Onset:
        return "onset";
    case ReactionKind::Accumulate:
        return "accumulate";
    }
    return "level";
}

int CReactionSet::Add(const ReactionRule& rule) {
    const auto found = std::find(rules.begin(), rules.end(), rule);
    if (found != rules.end())
        return static_cast<int>(found - rules.begin());
    if (rules.size() >= MaxReactions)
        return -1;
    rules.push_back(rule);
    return static_cast<int>(rules.size() - 1);
}

namespace {

// The factor by which a value falls in one step when it halves every `halfLife` seconds; 0 (no memory)
// for a half-life of 0.
double HalvingPerStep(float halfLife, double stepSeconds) {
    return halfLife > 0.0f ? std::exp2(-stepSeconds / halfLife) : 0.0;
}

// The share of the way to its target a first-order envelope covers in one step with time constant
// `tau` seconds; all of it for 0.
double ShareTowards(float tau, double stepSeconds) { return tau > 0.0f ? 1.0 - std::exp(-stepSeconds / tau) : 1.0; }

// The level of the step before step i; before the music there is silence.
float LevelBefore(const float* levels, int64_t i) { return i > 0 ? levels[i - 1] : 0.0f; }

} // namespace

std::vector<int64_t> FindOnsets(const float* levels, int64_t steps, double stepSeconds) {
    std::vector<int64_t> onsets;
    if (steps <= 0 || !(stepSeconds > 0.0))
        return onsets;
    // The mean runs over the steps before this one; before the music there is silence.
    const int64_t window = std::max<int64_t>(1, std::llround(OnsetWindow / stepSeconds));
    const int64_t gap = static_cast<int64_t>(std::ceil(OnsetGap / stepSeconds - 1e-9));
    const int64_t lookBack = static_cast<int64_t>(std::floor(OnsetRiseLimit / stepSeconds + 1e-9));
    double sum = 0.0;
    bool above = false;
    int64_t last = -gap - 1;
    for (int64_t i = 0; i < steps; ++i) {
        const double mean = sum / static_cast<double>(window);
        const double rise = static_cast<double>(levels[i]) - mean;
        const bool now = rise > OnsetFloor && rise > OnsetRatio * mean;
        if (now && !above) {
            // The spectrum sees a hit late, as it enters its window: the onset goes back to where the
            // rise that crossed the threshold began, no further than the window reaches.
            // A step belongs to the rise while it stands out of the mean by a twentieth of the rise.
            const double floor = mean + OnsetRiseShare * rise;
            int64_t start = i;
            while (start > 0 && i - start < lookBack && start - 1 > last && levels[start - 1] > floor &&
                   levels[start - 1] > LevelBefore(levels, start - 1))
                --start;
            // The hit itself lies between the last step before the rise and the rise's first step;
            // the first is taken, since a hit that enters the window just before a step shows in it
            // too faintly to count.
            if (start > 0 && start - 1 > last)
                --start;
            if (start - last >= gap) {
                onsets.push_back(start);
                last = start;
            }
        }
        above = now;
        sum += levels[i];
        if (i >= window)
            sum -= levels[i - window];
        // Rounding must not leave a trace of silence below zero.
        sum = std::max(sum, 0.0);
    }
    return onsets;
}

void DeriveReaction(const ReactionRule& rule, const float* levels, int64_t steps, double stepSeconds, float* out) {
    switch (rule.kind) {
    case ReactionKind::Level: {
        const double rise = ShareTowards(rule.attack, stepSeconds), fall = ShareTowards(rule.release, stepSeconds);
        double value = 0.0;
        for (int64_t i = 0; i < steps; ++i) {
            const double target = levels[i];
            value += (target - value) * (target > value ? rise : fall);
            out[i] = static_cast<float>(value);
        }
        return;
    }
    case ReactionKind::Peak: {
        const double halving = HalvingPerStep(rule.attack, stepSeconds);
        double value = 0.0;
        for (int64_t i = 0; i < steps; ++i) {
            value = std::max(static_cast<double>(levels[i]), value * halving);
            out[i] = static_cast<float>(value);
        }
        return;
    }
    case ReactionKind::Onset: {
        const double halving = HalvingPerStep(rule.attack, stepSeconds);
        const std::vector<int64_t> onsets = FindOnsets(levels, steps, stepSeconds);
        size_t next = 0;
        double value = 0.0;
        for (int64_t i = 0; i < steps; ++i) {
            if (next < onsets.size() && onsets[next] == i) {
                value = 1.0;
                ++next;
            } else {
                value *= halving;
            }
            out[i] = static_cast<float>(value);
        }
        return;
    }
    case ReactionKind::Accumulate: {
        // The integral of the level as it is interpolated between steps.
        double value = 0.0;
        for (int64_t i = 0; i < steps; ++i) {
            if (i > 0)
                value += 0.5 * (static_cast<double>(levels[i - 1]) + levels[i]) * stepSeconds;
            out[i] = static_cast<float>(value);
        }
        return;
    }
    }
}

CReactionTable::CReactionTable(double step, int64_t count, std::vector<float> rangeLevels, std::vector<float> derived)
    : stepSeconds(step), steps(count), levels(std::move(rangeLevels)), values(std::move(derived)) {}

float CReactionTable::Sample(const std::vector<float>& series, int reaction, double seconds) const {
    if (reaction < 0 || steps <= 0 || static_cast<size_t>(reaction) >= Reactions())
        return 0.0f;
    const float* s = series.data() + static_cast<size_t>(reaction) * static_cast<size_t>(steps);
    const double position = seconds / stepSeconds;
    // Before the music (and for a time that is not a number) the first step holds.
    if (!(position > 0.0))
        return s[0];
    if (position >= static_cast<double>(steps - 1))
        return s[steps - 1];
    const auto i = static_cast<int64_t>(position);
    const float u = static_cast<float>(position - static_cast<double>(i));
    return s[i] + (s[i + 1] - s[i]) * u;
}
