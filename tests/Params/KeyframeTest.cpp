#include "ParamTestSupport.h"

#include "Base/AudioReactions.h"
#include "Music/CMusicStream.h"
#include "Params/CParamBool.h"
#include "Params/CParamFloat.h"
#include "Params/CParamInt.h"
#include "Params/CParamRgba.h"
#include "Params/CParamString.h"
#include "Params/CParamVector2.h"
#include "Params/CParamVector3.h"
#include "System/CSystem.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// Keyframe tests depend on the tempo (square periods) and on the shared spectrum; each starts from the
// defaults and leaves them behind.
class Keyframes : public ::testing::Test {
protected:
    void SetUp() override { Reset(); }
    void TearDown() override { Reset(); }
    static void Reset() {
        LineTempo() = CMusicalTime();
        std::fill(SpectrumBuffer, SpectrumBuffer + SpectrumBands, 0.0f);
    }
};

} // namespace

TEST(InterpolationKind, KeywordsMatchInAnyLetterCase) {
    InterpolationKind kind = InterpolationKind::Hold;
    EXPECT_TRUE(FindInterpolationKind("LINEAR", kind));
    EXPECT_EQ(kind, InterpolationKind::Linear);
    EXPECT_TRUE(FindInterpolationKind("Smooth", kind));
    EXPECT_EQ(kind, InterpolationKind::Smooth);
    EXPECT_TRUE(FindInterpolationKind("sPeCtRuM", kind));
    EXPECT_EQ(kind, InterpolationKind::Spectrum);
    EXPECT_TRUE(FindInterpolationKind("square", kind));
    EXPECT_EQ(kind, InterpolationKind::Square);
    EXPECT_FALSE(FindInterpolationKind("cubic", kind));
    EXPECT_FALSE(FindInterpolationKind("hol", kind));
    EXPECT_FALSE(FindInterpolationKind("holds", kind));
}

TEST_F(Keyframes, EachClassAcceptsOnlyItsKindsAndAFailedLineAddsNothing) {
    CParamBool b(false);
    EXPECT_TRUE(AddKey(b, 0, "HOLD true"));
    EXPECT_FALSE(AddKey(b, 1, "linear false"));
    EXPECT_FALSE(AddKey(b, 1, "hold maybe"));
    EXPECT_EQ(b.GetKeyframes().size(), 1u);

    CParamFloat f(0);
    EXPECT_TRUE(AddKey(f, 0, "hold 1"));
    EXPECT_TRUE(AddKey(f, 1, "Linear 2"));
    EXPECT_TRUE(AddKey(f, 2, "smooth 3"));
    EXPECT_TRUE(AddKey(f, 3, "spectrum 0.1 12 2.5"));
    EXPECT_TRUE(AddKey(f, 4, "square 0 1 0:2:0"));
    EXPECT_FALSE(AddKey(f, 5, "cubic 1"));
    EXPECT_FALSE(AddKey(f, 5, "12"));
    EXPECT_FALSE(AddKey(f, 5, "spectrum 0.1 12"));
    EXPECT_FALSE(AddKey(f, 5, "square 0 1 2"));
    EXPECT_EQ(f.GetKeyframes().size(), 5u);

    CParamInt i(0);
    EXPECT_TRUE(AddKey(i, 0, "linear 3"));
    EXPECT_TRUE(AddKey(i, 1, "spectrum 1 4 10"));
    EXPECT_FALSE(AddKey(i, 2, "smooth 3"));
    EXPECT_FALSE(AddKey(i, 2, "square 0 1 0:1:0"));
    EXPECT_EQ(i.GetKeyframes().size(), 2u);

    CParamRgba c(glm::vec4(0));
    EXPECT_TRUE(AddKey(c, 0, "smooth 1 1 1 0.5"));
    EXPECT_FALSE(AddKey(c, 1, "spectrum 1 1 1 1"));
    EXPECT_FALSE(AddKey(c, 1, "linear 1 1 1"));
    EXPECT_EQ(c.GetKeyframes().size(), 1u);

    CParamString s("");
    EXPECT_TRUE(AddKey(s, 0, "hold \"a name\""));
    EXPECT_FALSE(AddKey(s, 1, "linear other"));
    EXPECT_FALSE(AddKey(s, 1, "hold 5"));
    EXPECT_EQ(s.GetKeyframes().size(), 1u);

    CParamVector2 v2(glm::vec2(0));
    EXPECT_TRUE(AddKey(v2, 0, "spectrum 1 1 12 0.5 0.25"));
    EXPECT_FALSE(AddKey(v2, 1, "spectrum 1 1 12 0.5"));
    EXPECT_FALSE(AddKey(v2, 1, "square 1 1 0:1:0"));
    EXPECT_EQ(v2.GetKeyframes().size(), 1u);

    CParamVector3 v3(glm::vec3(0));
    EXPECT_TRUE(AddKey(v3, 0, "linear 1 2 3"));
    EXPECT_FALSE(AddKey(v3, 1, "spectrum 1 2 3"));
    EXPECT_EQ(v3.GetKeyframes().size(), 1u);
}

TEST_F(Keyframes, ASingleSegmentKeyframeChangesNothing) {
    CParamFloat f(4.0f);
    ASSERT_TRUE(AddKey(f, 1.0f, "linear 10"));
    for (float t : {0.0f, 1.0f, 5.0f})
        EXPECT_EQ(f.GetValue(t), 4.0f);
}

TEST_F(Keyframes, LinearRunsFromItsKeyframeToTheNextAndHoldsOutside) {
    CParamFloat f(99.0f);
    ASSERT_TRUE(AddKey(f, 0.0f, "linear 0"));
    ASSERT_TRUE(AddKey(f, 2.0f, "hold 10"));
    EXPECT_EQ(f.GetValue(-1.0f), 0.0f);
    EXPECT_EQ(f.GetValue(1.0f), 5.0f);
    EXPECT_EQ(f.GetValue(0.5f), 2.5f);
    EXPECT_EQ(f.GetValue(2.0f), 10.0f);
    EXPECT_EQ(f.GetValue(3.0f), 10.0f);

    CParamRgba c(glm::vec4(0));
    ASSERT_TRUE(AddKey(c, 1.0f, "linear 0 1 0 1"));
    ASSERT_TRUE(AddKey(c, 3.0f, "hold 1 0 0.5 0"));
    EXPECT_EQ(c.GetValue(2.0f), glm::vec4(0.5f, 0.5f, 0.25f, 0.5f));
}

TEST_F(Keyframes, HoldKeepsItsValueUpToAndIncludingTheNextKeyframesTime) {
    CParamFloat f(0.0f);
    ASSERT_TRUE(AddKey(f, 0.0f, "hold 1"));
    ASSERT_TRUE(AddKey(f, 2.0f, "hold 3"));
    EXPECT_EQ(f.GetValue(1.999f), 1.0f);
    EXPECT_EQ(f.GetValue(2.0f), 1.0f);
    EXPECT_EQ(f.GetValue(2.001f), 3.0f);

    CParamBool b(true);
    ASSERT_TRUE(AddKey(b, 1.0f, "hold false"));
    ASSERT_TRUE(AddKey(b, 2.0f, "hold true"));
    EXPECT_FALSE(b.GetValue(0.0f));
    EXPECT_FALSE(b.GetValue(2.0f));
    EXPECT_TRUE(b.GetValue(2.5f));
}

TEST_F(Keyframes, SmoothIsCatmullRomWithTheEndPointsRepeated) {
    CParamFloat f(0.0f);
    ASSERT_TRUE(AddKey(f, 0.0f, "smooth 0"));
    ASSERT_TRUE(AddKey(f, 1.0f, "smooth 10"));
    ASSERT_TRUE(AddKey(f, 2.0f, "smooth 0"));
    EXPECT_FLOAT_EQ(f.GetValue(0.5f), 5.625f);
    EXPECT_FLOAT_EQ(f.GetValue(1.5f), 5.625f);
    EXPECT_EQ(f.GetValue(1.0f), 10.0f);
    EXPECT_EQ(f.GetValue(2.0f), 0.0f);

    // Interior segment with four distinct points: 0.5 * (2*P1 + (P2-P0)u + ...) at u = 0.5.
    CParamVector3 v(glm::vec3(0));
    ASSERT_TRUE(AddKey(v, 0.0f, "smooth 0 1 0"));
    ASSERT_TRUE(AddKey(v, 1.0f, "smooth 1 2 0"));
    ASSERT_TRUE(AddKey(v, 2.0f, "smooth 2 4 0"));
    ASSERT_TRUE(AddKey(v, 3.0f, "smooth 3 8 0"));
    const glm::vec3 mid = v.GetValue(1.5f);
    EXPECT_FLOAT_EQ(mid.x, 1.5f);
    EXPECT_FLOAT_EQ(mid.y, 2.8125f);
    EXPECT_FLOAT_EQ(mid.z, 0.0f);
}

TEST_F(Keyframes, MonotoneStaysBetweenItsKeyframesWhereSmoothOvershoots) {
    CParamFloat smooth(0.0f), monotone(0.0f);
    for (auto [t, v] : {std::pair{0.0f, "0"}, {1.0f, "10"}, {2.0f, "0"}}) {
        ASSERT_TRUE(AddKey(smooth, t, std::string("smooth ") + v));
        ASSERT_TRUE(AddKey(monotone, t, std::string("MONOTONE ") + v));
    }
    EXPECT_FLOAT_EQ(smooth.GetValue(0.5f), 5.625f);
    EXPECT_FLOAT_EQ(monotone.GetValue(0.5f), 6.25f); // flat at the peak, the secant's slope at the ends
    for (float t = 0.0f; t <= 2.0f; t += 0.01f) {
        EXPECT_GE(monotone.GetValue(t), 0.0f) << t;
        EXPECT_LE(monotone.GetValue(t), 10.0f) << t;
    }

    // A rise that changes pace never turns back: each step is at least the one before, per component,
    // and a flat stretch stays flat. Keyframes at one time give no NaN.
    CParamVector3 v(glm::vec3(0));
    ASSERT_TRUE(AddKey(v, 0.0f, "monotone 0 5 1"));
    ASSERT_TRUE(AddKey(v, 1.0f, "monotone 0.1 5 1"));
    ASSERT_TRUE(AddKey(v, 2.0f, "monotone 10 5 1"));
    ASSERT_TRUE(AddKey(v, 2.0f, "monotone 11 5 1"));
    ASSERT_TRUE(AddKey(v, 3.0f, "monotone 12 5 1"));
    glm::vec3 last = v.GetValue(0.0f);
    for (float t = 0.0f; t <= 3.0f; t += 0.005f) {
        const glm::vec3 now = v.GetValue(t);
        EXPECT_GE(now.x, last.x - 1e-5f) << t;
        EXPECT_FLOAT_EQ(now.y, 5.0f) << t;
        EXPECT_TRUE(std::isfinite(now.x)) << t;
        last = now;
    }
    EXPECT_FLOAT_EQ(v.GetValue(1.0f).x, 0.1f);
}

TEST_F(Keyframes, EasingsRunFromTheirKeyframeToTheNextAlongTheirCubic) {
    const std::pair<const char *, float> easings[] = {{"easein", 0.125f}, {"EaseOut", 0.875f}, {"easeinout", 0.5f}};
    for (const auto &[kind, middle] : easings) {
        CParamFloat f(0.0f);
        ASSERT_TRUE(AddKey(f, 2.0f, std::string(kind) + " 10"));
        ASSERT_TRUE(AddKey(f, 4.0f, "hold 20"));
        EXPECT_FLOAT_EQ(f.GetValue(3.0f), 10.0f + 10.0f * middle) << kind;
        EXPECT_FLOAT_EQ(f.GetValue(2.0f), 10.0f) << kind;
        EXPECT_FLOAT_EQ(f.GetValue(4.0f), 20.0f) << kind;
        for (float t = 2.0f; t <= 4.0f; t += 0.05f) {
            EXPECT_GE(f.GetValue(t), 10.0f) << kind << " " << t;
            EXPECT_LE(f.GetValue(t), 20.0f) << kind << " " << t;
        }
    }
    CParamVector2 v(glm::vec2(0));
    ASSERT_TRUE(AddKey(v, 0.0f, "easeinout 0 0"));
    ASSERT_TRUE(AddKey(v, 1.0f, "hold 2 -4"));
    EXPECT_FLOAT_EQ(v.GetValue(0.25f).x, 2.0f * 0.0625f);
    EXPECT_FLOAT_EQ(v.GetValue(0.75f).y, -4.0f * 0.9375f);
    // Whole numbers do not ease.
    CParamInt i(0);
    EXPECT_FALSE(AddKey(i, 0.0f, "easein 3"));
    EXPECT_FALSE(AddKey(i, 0.0f, "monotone 3"));
}

TEST_F(Keyframes, SquareAlternatesOnTheEvaluationTime) {
    CParamFloat f(-1.0f);
    ASSERT_TRUE(AddKey(f, 0.5f, "square 0 1 0:2:0")); // two beats at 120 bpm: one second
    ASSERT_TRUE(AddKey(f, 10.0f, "hold 5"));
    EXPECT_FLOAT_EQ(f.GetKeyframes()[0].period, 1.0f);
    // The phase ignores the keyframe's own time of 0.5 s.
    EXPECT_EQ(f.GetValue(0.6f), 1.0f);
    EXPECT_EQ(f.GetValue(1.25f), 0.0f);
    EXPECT_EQ(f.GetValue(1.75f), 1.0f);
    EXPECT_EQ(f.GetValue(7.4f), 0.0f);
    // Outside the segment the plain value applies.
    EXPECT_EQ(f.GetValue(0.0f), 0.0f);
    EXPECT_EQ(f.GetValue(11.0f), 5.0f);
}

TEST_F(Keyframes, SquarePeriodUsesTheTempoInForceAndRefusesBadTimes) {
    LineTempo().SetBpm(60.0f);
    CParamFloat f(0.0f);
    ASSERT_TRUE(AddKey(f, 0.0f, "square 0 1 0:2:0"));
    EXPECT_FLOAT_EQ(f.GetKeyframes()[0].period, 2.0f);
    EXPECT_FALSE(AddKey(f, 1.0f, "square 0 1 0:4:0"));
    EXPECT_FALSE(AddKey(f, 1.0f, "square 0 1 0:0:96"));
    EXPECT_EQ(f.GetKeyframes().size(), 1u);
}

TEST_F(Keyframes, SquareWithAZeroPeriodGivesTheSecondValue) {
    CParamFloat f(0.0f);
    ASSERT_TRUE(AddKey(f, 0.0f, "square 3 7 0:0:0"));
    ASSERT_TRUE(AddKey(f, 10.0f, "hold 0"));
    for (float t : {0.0f, 0.25f, 3.0f, 9.9f})
        EXPECT_EQ(f.GetValue(t), 7.0f) << t;
}

TEST_F(Keyframes, SpectrumFollowsItsBandClampedIntoZeroToOne) {
    CParamFloat f(0.0f);
    ASSERT_TRUE(AddKey(f, 0.0f, "spectrum 0.1 12 2.5"));
    ASSERT_TRUE(AddKey(f, 4.0f, "hold 0"));
    EXPECT_FLOAT_EQ(f.GetValue(1.0f), 0.1f); // silent spectrum
    SpectrumBuffer[12] = 0.5f;
    EXPECT_FLOAT_EQ(f.GetValue(1.0f), 0.1f + 2.5f * 0.5f);
    SpectrumBuffer[12] = 1.7f;
    EXPECT_FLOAT_EQ(f.GetValue(1.0f), 2.6f);
    SpectrumBuffer[12] = -0.3f;
    EXPECT_FLOAT_EQ(f.GetValue(1.0f), 0.1f);
    SpectrumBuffer[12] = std::numeric_limits<float>::quiet_NaN();
    EXPECT_FLOAT_EQ(f.GetValue(1.0f), 0.1f);
    SpectrumBuffer[12] = 1.0f;
    EXPECT_FLOAT_EQ(f.GetValue(-1.0f), 0.1f); // outside the segment: the plain value
    EXPECT_FLOAT_EQ(f.GetValue(5.0f), 0.0f);

    CParamVector2 scale(glm::vec2(0));
    ASSERT_TRUE(AddKey(scale, 0.0f, "spectrum 1 1 12 0.5 0.25"));
    ASSERT_TRUE(AddKey(scale, 4.0f, "hold 1 1"));
    EXPECT_EQ(scale.GetValue(2.0f), glm::vec2(1.5f, 1.25f));
}

TEST_F(Keyframes, SpectrumBandsAreTruncatedAndClampedToTheBuffer) {
    CParamFloat f(0.0f);
    ASSERT_TRUE(AddKey(f, 0.0f, "spectrum 0 600 1"));
    ASSERT_TRUE(AddKey(f, 1.0f, "spectrum 0 -3 1"));
    ASSERT_TRUE(AddKey(f, 2.0f, "spectrum 0 7.9 1"));
    ASSERT_TRUE(AddKey(f, 3.0f, "hold 0"));
    EXPECT_EQ(f.GetKeyframes()[0].band, 511);
    EXPECT_EQ(f.GetKeyframes()[1].band, 0);
    EXPECT_EQ(f.GetKeyframes()[2].band, 7);
    SpectrumBuffer[511] = 0.25f;
    SpectrumBuffer[0] = 0.5f;
    EXPECT_FLOAT_EQ(f.GetValue(0.5f), 0.25f);
    EXPECT_FLOAT_EQ(f.GetValue(1.5f), 0.5f);

    CParamInt i(0);
    ASSERT_TRUE(AddKey(i, 1.0f, "spectrum 2 99999 10.9"));
    EXPECT_EQ(i.GetKeyframes()[0].band, 511);
    EXPECT_EQ(i.GetKeyframes()[0].scale, 10);
}

TEST_F(Keyframes, AZeroLengthSegmentGivesItsEndValueNotNaN) {
    CParamFloat f(0.0f);
    ASSERT_TRUE(AddKey(f, 1.0f, "linear 0"));
    ASSERT_TRUE(AddKey(f, 1.0f, "smooth 10"));
    ASSERT_TRUE(AddKey(f, 1.0f, "hold 20"));
    EXPECT_EQ(f.GetValue(1.0f), 10.0f);

    CParamVector2 v(glm::vec2(0));
    ASSERT_TRUE(AddKey(v, 2.0f, "smooth 1 2"));
    ASSERT_TRUE(AddKey(v, 2.0f, "linear 3 4"));
    EXPECT_EQ(v.GetValue(2.0f), glm::vec2(3, 4));

    CParamRgba c(glm::vec4(0));
    ASSERT_TRUE(AddKey(c, 0.0f, "linear 0 0 0 0"));
    ASSERT_TRUE(AddKey(c, 0.0f, "linear 1 1 1 1"));
    EXPECT_EQ(c.GetValue(0.0f), glm::vec4(1));
}

TEST_F(Keyframes, DecreasingTimesAndNaNTimesStayFinite) {
    CParamFloat f(0.0f);
    ASSERT_TRUE(AddKey(f, 2.0f, "linear 0"));
    ASSERT_TRUE(AddKey(f, 1.0f, "smooth 10"));
    ASSERT_TRUE(AddKey(f, 3.0f, "linear 20"));
    ASSERT_TRUE(AddKey(f, 0.5f, "hold 30"));
    CParamInt i(0);
    ASSERT_TRUE(AddKey(i, 3.0f, "linear 10"));
    ASSERT_TRUE(AddKey(i, 1.0f, "linear 20"));
    const float nan = std::numeric_limits<float>::quiet_NaN();
    for (float t : {-1.0f, 0.5f, 0.75f, 1.0f, 1.5f, 2.0f, 2.5f, 3.0f, 4.0f, nan}) {
        EXPECT_TRUE(std::isfinite(f.GetValue(t))) << t;
        (void)i.GetValue(t);
    }
}

TEST_F(Keyframes, IntLinearRampsFromTheBaseValueAtTimeZeroAndTruncates) {
    CParamInt a(0);
    ASSERT_TRUE(AddKey(a, 4.0f, "linear 10"));
    EXPECT_EQ(a.GetValue(2.0f), 5);
    EXPECT_EQ(a.GetValue(3.9f), 9);
    EXPECT_EQ(a.GetValue(4.0f), 10);
    EXPECT_EQ(a.GetValue(40.0f), 10);

    CParamInt b(0);
    ASSERT_TRUE(AddKey(b, 2.0f, "linear 3"));
    EXPECT_EQ(b.GetValue(1.0f), 1);

    CParamInt down(0);
    ASSERT_TRUE(AddKey(down, 2.0f, "linear -3"));
    EXPECT_EQ(down.GetValue(1.0f), -1); // -1.5 truncated toward zero

    // The kind of the keyframe that ends the segment decides: hold keeps the value before it.
    CParamInt c(7);
    ASSERT_TRUE(AddKey(c, 1.0f, "hold 2"));
    ASSERT_TRUE(AddKey(c, 3.0f, "linear 6"));
    EXPECT_EQ(c.GetValue(0.5f), 7);
    EXPECT_EQ(c.GetValue(1.0f), 2);
    EXPECT_EQ(c.GetValue(2.0f), 4);
}

TEST_F(Keyframes, IntArithmeticNeitherOverflowsNorDividesByZero) {
    CParamInt wide(-2000000000);
    ASSERT_TRUE(AddKey(wide, 2.0f, "linear 2000000000"));
    EXPECT_NEAR(wide.GetValue(1.0f), 0, 256);
    EXPECT_EQ(wide.GetValue(2.0f), 2000000000);

    // A first keyframe at time 0 seen from before it: the ramp from the base value has no length.
    CParamInt early(5);
    ASSERT_TRUE(AddKey(early, 0.0f, "linear 100"));
    EXPECT_EQ(early.GetValue(-1.0f), 5);
}

TEST_F(Keyframes, IntSpectrumAddsTheScaledBandToTheNextValue) {
    CParamInt i(0);
    ASSERT_TRUE(AddKey(i, 2.0f, "spectrum 10 3 8"));
    EXPECT_EQ(i.GetValue(1.0f), 10);
    SpectrumBuffer[3] = 0.3f;
    EXPECT_EQ(i.GetValue(1.0f), 12); // 8 * 0.3 = 2.4 truncated
    SpectrumBuffer[3] = 5.0f;
    EXPECT_EQ(i.GetValue(1.0f), 18);
    EXPECT_EQ(i.GetValue(2.0f), 10); // from its own time on, the plain value
}

TEST_F(Keyframes, StringTakesEachKeyframesTextFromItsTimeOn) {
    CParamString s("X");
    ASSERT_TRUE(AddKey(s, 1.0f, "hold Y"));
    ASSERT_TRUE(AddKey(s, 3.0f, "HOLD Z"));
    EXPECT_EQ(s.GetValue(0.5f), "X");
    EXPECT_EQ(s.GetValue(1.0f), "Y");
    EXPECT_EQ(s.GetValue(2.0f), "Y");
    EXPECT_EQ(s.GetValue(3.0f), "Z");
    EXPECT_EQ(s.GetValue(100.0f), "Z");
    // The result refers to the parameter's own text: nothing is copied per call.
    EXPECT_EQ(&s.GetValue(2.0f), &s.GetKeyframes()[0].value);
    EXPECT_EQ(&s.GetValue(0.0f), &s.GetBaseValue());

    CParamString one("base");
    ASSERT_TRUE(AddKey(one, 2.0f, "hold only"));
    EXPECT_EQ(one.GetValue(1.0f), "base");
    EXPECT_EQ(one.GetValue(2.0f), "only");
}

namespace {

// A keyframe line read as a presentation reads it, naming its reactions in `set`.
template <class Param>
bool AddReactionKey(Param &param, CReactionSet &set, const std::string &line, float time = 0.0f) {
    CMemoryTokeniser tokeniser = ScriptLine(line);
    tokeniser.reactions = &set;
    return param.AddKeyframeFromTokeniser(time, tokeniser);
}

struct ActiveTable {
    explicit ActiveTable(const CReactionTable &table, float sceneStart = 0.0f) {
        ActiveReactions = ReactionFrame{&table, sceneStart};
    }
    ~ActiveTable() { ActiveReactions = ReactionFrame{}; }
};

} // namespace

TEST_F(Keyframes, ReactionKindsReadRangeScaleAndTimesAndNameEachReactionOnce) {
    CReactionSet set;
    CParamFloat f(0);
    ASSERT_TRUE(AddReactionKey(f, set, "onset 0.5 40 120 2 0:0:12"));
    ASSERT_TRUE(AddReactionKey(f, set, "ONSET 0 120 40 3 0:0:12")) << "a range written high to low";
    ASSERT_TRUE(AddReactionKey(f, set, "level 0 40 120 1 0:0:6 0:1:0"));
    ASSERT_TRUE(AddReactionKey(f, set, "accumulate 0 20 20000 90"));
    EXPECT_FALSE(AddReactionKey(f, set, "peak 0 40 120 1")) << "the decay is missing";
    EXPECT_FALSE(AddReactionKey(f, set, "level 0 40 120 1 0:0:6")) << "the release is missing";
    EXPECT_FALSE(AddReactionKey(f, set, "accumulate 0 40 1e999 1")) << "a range must be finite";
    EXPECT_EQ(f.GetKeyframes().size(), 4u);
    ASSERT_EQ(set.Rules().size(), 3u);
    EXPECT_EQ(f.GetKeyframes()[0].reaction, f.GetKeyframes()[1].reaction);
    EXPECT_EQ(set.Rules()[0].kind, ReactionKind::Onset);
    EXPECT_FLOAT_EQ(set.Rules()[0].low, 40.0f);
    EXPECT_FLOAT_EQ(set.Rules()[0].high, 120.0f);
    EXPECT_GT(set.Rules()[1].release, set.Rules()[1].attack);

    CParamVector2 v(glm::vec2(0));
    EXPECT_TRUE(AddReactionKey(v, set, "peak 1 2 40 120 0.5 0.25 0:1:0"));
    EXPECT_FALSE(AddReactionKey(v, set, "peak 1 2 40 120 0.5 0:1:0"));
    CParamInt i(0);
    EXPECT_TRUE(AddReactionKey(i, set, "accumulate 10 40 120 100"));
    CParamVector3 v3(glm::vec3(0));
    EXPECT_FALSE(AddReactionKey(v3, set, "level 0 0 0 40 120 1 0:0:1 0:0:1"));
    std::vector<int> followed;
    f.AddReactions(followed);
    EXPECT_EQ(followed, (std::vector<int>{0, 0, 1, 2}));

    // Outside a presentation the line still reads, and follows nothing.
    CParamFloat alone(0);
    EXPECT_TRUE(AddKey(alone, 0, "onset 0.5 40 120 2 0:0:12"));
    EXPECT_EQ(alone.GetKeyframes()[0].reaction, -1);
}

TEST_F(Keyframes, ReactionsAddTheirScaledValueAtTheMusicsTimeAndNothingWithoutATable) {
    CReactionSet set;
    CParamFloat f(0);
    ASSERT_TRUE(AddReactionKey(f, set, "onset 0.5 40 120 2 0:0:12"));
    ASSERT_TRUE(AddReactionKey(f, set, "hold 0", 1.0f)); // the first keyframe's rule holds up to here
    CParamVector2 v(glm::vec2(0));
    ASSERT_TRUE(AddReactionKey(v, set, "accumulate 1 2 20 200 10 -10"));
    ASSERT_TRUE(AddReactionKey(v, set, "hold 0 0", 1.0f));
    // A whole number approaches its next keyframe by that keyframe's rule.
    CParamInt i(0);
    ASSERT_TRUE(AddReactionKey(i, set, "accumulate 7 20 200 10", 1.0f));

    EXPECT_FLOAT_EQ(f.GetValue(0.0f), 0.5f) << "no music: the value alone";
    EXPECT_EQ(i.GetValue(0.0f), 7);

    // Steps of 0.1 s: the onset's values, then the integral's.
    const CReactionTable table(0.1, 3, std::vector<float>(6, 0.0f), {0.0f, 1.0f, 0.5f, 0.0f, 0.5f, 0.6f});
    const ActiveTable active(table, 0.1f);
    // Layers see scene times; the scene starts 0.1 s into the music.
    EXPECT_FLOAT_EQ(f.GetValue(0.0f), 2.5f);
    EXPECT_FLOAT_EQ(f.GetValue(0.05f), 0.5f + 2.0f * 0.75f);
    const glm::vec2 at = v.GetValue(0.05f);
    EXPECT_FLOAT_EQ(at.x, 1.0f + 10.0f * 0.55f);
    EXPECT_FLOAT_EQ(at.y, 2.0f - 10.0f * 0.55f);
    EXPECT_EQ(i.GetValue(0.05f), 7 + 5);
}
