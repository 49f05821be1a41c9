// The reactions to the music, from synthetic tracks whose answers are known: onsets at clicks and
// nowhere else, a peak that halves, an envelope's time constants, a steady tone's integral, and the
// analysis that keeps what it measured for a reload of the same music.
#include "App/run/CReactionAnalysis.h"
#include "Base/AudioReactions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

namespace {

constexpr int Rate = 44100;
// A band's centre frequency at 44100 Hz.
double BandHz(int band) { return double(Rate) * band / 1024.0; }

// A steady tone at band 10 (about 431 Hz) all through, and 20 ms bursts of a tone at band 80
// (about 3.4 kHz) at the clicks.
const std::vector<double> Clicks = {0.5, 1.0, 1.7, 2.35, 2.41, 3.1};

float Track(int64_t frame) {
    const double t = double(frame) / Rate;
    double s = 0.3 * std::sin(2.0 * std::numbers::pi * BandHz(10) * t);
    for (double click : Clicks)
        if (t >= click && t < click + 0.02)
            s += 0.6 * std::sin(2.0 * std::numbers::pi * BandHz(80) * (t - click));
    return static_cast<float>(s);
}

DecodedMusic Synthetic(double seconds) {
    DecodedMusic music;
    music.frames = static_cast<int64_t>(seconds * Rate);
    music.channels = 2;
    music.sampleRate = Rate;
    const int64_t frames = music.frames;
    music.read = [frames](int64_t first, int64_t count, float* out) {
        for (int64_t i = 0; i < count; ++i) {
            const float s = first + i >= 0 && first + i < frames ? Track(first + i) : 0.0f;
            out[2 * i] = out[2 * i + 1] = s;
        }
    };
    return music;
}

// Bands 78 to 82, and band 10 alone.
CReactionAnalysis::Range Around(int first, int last, double margin) {
    return {static_cast<float>(BandHz(first) - margin), static_cast<float>(BandHz(last) + margin)};
}
const CReactionAnalysis::Range Clicking = Around(78, 82, 1.0), Humming = Around(9, 11, -1.0);

CReactionAnalysis::Levels Measured(const std::vector<CReactionAnalysis::Range>& ranges, double seconds = 3.5) {
    std::atomic<bool> stop{false};
    CReactionAnalysis::Levels levels;
    EXPECT_TRUE(CReactionAnalysis::Measure(Synthetic(seconds), ranges, stop, levels));
    return levels;
}

ReactionRule Rule(ReactionKind kind, CReactionAnalysis::Range range, float attack = 0, float release = 0) {
    return ReactionRule{kind, range.low, range.high, attack, release};
}

std::vector<float> Derived(const ReactionRule& rule, const std::vector<float>& levels, double step) {
    std::vector<float> out(levels.size());
    DeriveReaction(rule, levels.data(), static_cast<int64_t>(levels.size()), step, out.data());
    return out;
}

} // namespace

TEST(ReactionAnalysis, StepsAreAtLeastTwoHundredASecondAndRangesTakeTheBandsWhoseCentreTheyHold) {
    EXPECT_EQ(CReactionAnalysis::HopFrames(44100), 220);
    EXPECT_EQ(CReactionAnalysis::HopFrames(48000), 240);
    EXPECT_EQ(CReactionAnalysis::HopFrames(8000), 40);
    int first = 0, last = 0;
    CReactionAnalysis::BandsOf({40, 120}, Rate, first, last);
    EXPECT_EQ(first, 1); // 43 Hz and 86 Hz
    EXPECT_EQ(last, 2);
    // A range between two centres takes the band nearest to it; one beyond the top, the top band.
    CReactionAnalysis::BandsOf({50, 60}, Rate, first, last);
    EXPECT_EQ(first, 1);
    EXPECT_EQ(last, 1);
    CReactionAnalysis::BandsOf({30000, 40000}, Rate, first, last);
    EXPECT_EQ(first, 511);
    EXPECT_EQ(last, 511);
}

TEST(ReactionAnalysis, OnsetsFallWithinOneStepOfEachClickAndNowhereElse) {
    const CReactionAnalysis::Levels levels = Measured({Clicking, Humming});
    ASSERT_EQ(levels.steps, int64_t(3.5 * Rate) / 220 + 1);
    const std::vector<int64_t> onsets = FindOnsets(levels.values.data(), levels.steps, levels.stepSeconds);
    // 2.35 and 2.41 are 60 ms apart: both count.
    ASSERT_EQ(onsets.size(), Clicks.size());
    for (size_t i = 0; i < Clicks.size(); ++i) {
        const double at = double(onsets[i]) * levels.stepSeconds;
        EXPECT_NEAR(at, Clicks[i], levels.stepSeconds) << i;
    }
    // The steady tone starts once, with the music, and never again.
    const std::vector<int64_t> hum = FindOnsets(levels.values.data() + levels.steps, levels.steps, levels.stepSeconds);
    ASSERT_EQ(hum.size(), 1u);
    EXPECT_LE(double(hum[0]) * levels.stepSeconds, 0.01);
}

TEST(ReactionAnalysis, OnsetsCloserThanTheGapCountOnce) {
    std::vector<float> levels(400, 0.0f);
    const double step = 0.005;
    // Two hits 30 ms apart, then one 60 ms after the second. Each onset is the step before its hit
    // shows: the hit lies between the two.
    for (int at : {100, 106, 118})
        levels[at] = levels[at + 1] = 0.5f;
    const std::vector<int64_t> onsets = FindOnsets(levels.data(), 400, step);
    EXPECT_EQ(onsets, (std::vector<int64_t>{99, 117}));
}

TEST(ReactionAnalysis, PulsePeakEnvelopeAndIntegralFollowTheirTimes) {
    const double step = 0.005;
    std::vector<float> levels(1000, 0.0f);
    // A level of 1 from 0.5 s to 2.5 s, then silence.
    for (int i = 100; i < 500; ++i)
        levels[i] = 1.0f;
    const CReactionAnalysis::Range any{0, 100};

    const std::vector<float> pulse = Derived(Rule(ReactionKind::Onset, any, 0.25f), levels, step);
    EXPECT_FLOAT_EQ(pulse[99], 1.0f);
    EXPECT_NEAR(pulse[149], 0.5f, 1e-4) << "halves after the decay";
    EXPECT_NEAR(pulse[199], 0.25f, 1e-4);
    EXPECT_FLOAT_EQ(pulse[98], 0.0f);

    const std::vector<float> peak = Derived(Rule(ReactionKind::Peak, any, 0.5f), levels, step);
    EXPECT_FLOAT_EQ(peak[499], 1.0f) << "holds while the level does";
    EXPECT_NEAR(peak[599], 0.5f, 1e-4) << "halves one decay after the level falls";

    // Time constants: 63 % of the way up after the attack, 37 % left after the release.
    const std::vector<float> envelope = Derived(Rule(ReactionKind::Level, any, 0.1f, 0.4f), levels, step);
    EXPECT_NEAR(envelope[119], 1.0 - std::exp(-1.0), 0.01);
    EXPECT_NEAR(envelope[499 + 80], envelope[499] * std::exp(-1.0), 0.01);
    const std::vector<float> instant = Derived(Rule(ReactionKind::Level, any), levels, step);
    EXPECT_EQ(instant, levels) << "no attack or release is the level itself";

    const std::vector<float> integral = Derived(Rule(ReactionKind::Accumulate, any), levels, step);
    EXPECT_NEAR(integral[999], 2.0, 1e-3) << "two seconds at level 1";
    EXPECT_NEAR(integral[300] - integral[200], 0.5, 1e-4);
}

TEST(ReactionAnalysis, ASteadyToneAccumulatesLinearly) {
    const CReactionAnalysis::Levels levels = Measured({Humming});
    std::vector<float> integral(static_cast<size_t>(levels.steps));
    DeriveReaction(Rule(ReactionKind::Accumulate, Humming), levels.values.data(), levels.steps, levels.stepSeconds,
                   integral.data());
    CReactionTable table(levels.stepSeconds, levels.steps, levels.values, integral);
    const double first = table.Value(0, 1.5) - table.Value(0, 0.5), second = table.Value(0, 3.0) - table.Value(0, 2.0);
    EXPECT_GT(first, 0.05);
    EXPECT_NEAR(second, first, first * 0.01);
    EXPECT_NEAR(table.Value(0, 2.75) - table.Value(0, 2.25), first / 2, first * 0.01);
}

TEST(ReactionTable, InterpolatesBetweenStepsAndHoldsItsEnds) {
    CReactionTable table(0.01, 3, {0, 0, 0, 0, 0, 0}, {1.0f, 3.0f, 5.0f, 10.0f, 20.0f, 30.0f});
    EXPECT_FLOAT_EQ(table.Value(0, 0.005), 2.0f);
    EXPECT_FLOAT_EQ(table.Value(1, 0.015), 25.0f);
    EXPECT_FLOAT_EQ(table.Value(0, -1.0), 1.0f);
    EXPECT_FLOAT_EQ(table.Value(0, 7.0), 5.0f);
    EXPECT_FLOAT_EQ(table.Value(0, std::nan("")), 1.0f);
    EXPECT_FLOAT_EQ(table.Value(2, 0.01), 0.0f) << "an index the table does not hold";
    EXPECT_FLOAT_EQ(table.Value(-1, 0.01), 0.0f);
}

TEST(ReactionAnalysis, AReloadWithTheSameMusicAndRangesMakesItsTableWithoutReadingAgain) {
    auto reads = std::make_shared<std::atomic<int>>(0);
    auto opener = [reads](DecodedMusic& music) {
        ++*reads;
        music = Synthetic(1.0);
        return true;
    };
    int stream = 0; // stands for the music stream's identity
    CReactionAnalysis analysis;
    analysis.Start(&stream, {Rule(ReactionKind::Onset, Clicking, 0.1f)}, opener);
    ASSERT_TRUE(analysis.Table());
    EXPECT_EQ(*reads, 1);
    const float pulse = analysis.Table()->Value(0, 0.51);
    EXPECT_GT(pulse, 0.5f);

    // Other reactions over the same range: no read. A new range: one read, for that range alone.
    analysis.Start(&stream, {Rule(ReactionKind::Peak, Clicking, 0.1f), Rule(ReactionKind::Onset, Clicking, 0.1f)},
                   opener);
    ASSERT_TRUE(analysis.Table());
    EXPECT_EQ(*reads, 1);
    EXPECT_FLOAT_EQ(analysis.Table()->Value(1, 0.51), pulse);
    analysis.Start(&stream, {Rule(ReactionKind::Level, Humming)}, opener);
    ASSERT_TRUE(analysis.Table());
    EXPECT_EQ(*reads, 2);
    EXPECT_GT(analysis.Table()->Value(0, 0.5), 0.05f);

    // Other music reads again; none to follow, or no music, gives no table.
    int other = 0;
    analysis.Start(&other, {Rule(ReactionKind::Level, Humming)}, opener);
    EXPECT_TRUE(analysis.Table());
    EXPECT_EQ(*reads, 3);
    analysis.Start(&other, {}, opener);
    EXPECT_FALSE(analysis.Table());
    int unreadable = 0;
    analysis.Start(&unreadable, {Rule(ReactionKind::Level, Humming)}, [](DecodedMusic&) { return false; });
    EXPECT_FALSE(analysis.Table());
}
