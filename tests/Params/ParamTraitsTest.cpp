// What the seven value classes share through one template: base values that survive a failed line,
// the spectrum bands they report, and the two walks every GetValue is built on.
#include "ParamTestSupport.h"

#include "Params/CParamBool.h"
#include "Params/CParamFloat.h"
#include "Params/CParamInt.h"
#include "Params/CParamRgba.h"
#include "Params/CParamString.h"
#include "Params/CParamVector2.h"
#include "Params/CParamVector3.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

namespace {

// Sets `good`, then fails on `bad` (which may consume tokens first): the base value must be `good`'s.
template <class Param> void ExpectFailedValueKeepsBase(Param &param, const std::string &good, const std::string &bad) {
    ASSERT_TRUE(SetValue(param, good)) << good;
    const auto before = param.GetBaseValue();
    EXPECT_FALSE(SetValue(param, bad)) << bad;
    EXPECT_EQ(param.GetBaseValue(), before) << bad;
}

std::vector<int> BandsOf(const CParam &param) {
    std::vector<int> bands{-1}; // bands are appended after what the caller already has
    param.AddSpectrumBands(bands);
    return bands;
}

} // namespace

TEST(ParamTraits, AValueThatFailsPartWayLeavesEveryClassItsBaseValue) {
    CParamBool b(false);
    ExpectFailedValueKeepsBase(b, "true", "yes");
    CParamFloat f(0.0f);
    ExpectFailedValueKeepsBase(f, "2.5", "two");
    CParamInt i(0);
    ExpectFailedValueKeepsBase(i, "-7.9", "\"seven\"");
    CParamRgba c(glm::vec4(0));
    ExpectFailedValueKeepsBase(c, "0.1 0.2 0.3 0.4", "1 1 1 opaque");
    CParamString s("");
    ExpectFailedValueKeepsBase(s, "\"the logo.png\"", "12");
    CParamVector2 v2(glm::vec2(0));
    ExpectFailedValueKeepsBase(v2, "3 4", "5 up");
    CParamVector3 v3(glm::vec3(0));
    ExpectFailedValueKeepsBase(v3, "1 2 3", "4 5 z");
    EXPECT_EQ(i.GetBaseValue(), -7);
    EXPECT_EQ(s.GetBaseValue(), "the logo.png");
}

TEST(ParamTraits, OnlySpectrumKeyframesReportTheirBandsInOrder) {
    CParamFloat f(0.0f);
    ASSERT_TRUE(AddKey(f, 0, "hold 1"));
    ASSERT_TRUE(AddKey(f, 1, "spectrum 0 600 1"));
    ASSERT_TRUE(AddKey(f, 2, "square 0 1 0:1:0"));
    ASSERT_TRUE(AddKey(f, 3, "spectrum 0 -3 1"));
    EXPECT_EQ(BandsOf(f), (std::vector<int>{-1, 511, 0}));

    CParamInt i(0);
    ASSERT_TRUE(AddKey(i, 0, "linear 2"));
    ASSERT_TRUE(AddKey(i, 1, "spectrum 1 7.9 3"));
    EXPECT_EQ(BandsOf(i), (std::vector<int>{-1, 7}));

    CParamVector2 v2(glm::vec2(0));
    ASSERT_TRUE(AddKey(v2, 0, "spectrum 1 1 12 0.5 0.25"));
    ASSERT_TRUE(AddKey(v2, 1, "smooth 2 2"));
    EXPECT_EQ(BandsOf(v2), (std::vector<int>{-1, 12}));

    // Classes without spectrum keyframes add nothing, whatever keyframes they hold.
    CParamBool b(false);
    ASSERT_TRUE(AddKey(b, 0, "hold true"));
    CParamRgba c(glm::vec4(0));
    ASSERT_TRUE(AddKey(c, 0, "linear 1 1 1 1"));
    CParamString s("");
    ASSERT_TRUE(AddKey(s, 0, "hold name"));
    CParamVector3 v3(glm::vec3(0));
    ASSERT_TRUE(AddKey(v3, 0, "smooth 1 2 3"));
    for (const CParam *param : std::vector<const CParam *>{&b, &c, &s, &v3})
        EXPECT_EQ(BandsOf(*param), std::vector<int>{-1});
}

TEST(ParamTraits, ABoolHoldsEachStateUpToTheNextKeyframesTime) {
    CParamBool b(false);
    ASSERT_TRUE(AddKey(b, 0, "hold true"));
    ASSERT_TRUE(AddKey(b, 1, "hold false"));
    ASSERT_TRUE(AddKey(b, 2, "hold true"));
    EXPECT_TRUE(b.GetValue(-1.0f));
    EXPECT_TRUE(b.GetValue(0.5f));
    EXPECT_TRUE(b.GetValue(1.0f));
    EXPECT_FALSE(b.GetValue(1.5f));
    EXPECT_FALSE(b.GetValue(2.0f));
    EXPECT_TRUE(b.GetValue(2.5f));
}

TEST(ParamTraits, TheWalkCountsKeyframesAtOrBeforeTheTimeAndNaNReachesNone) {
    CParamString s("base");
    ASSERT_TRUE(AddKey(s, 1, "hold one"));
    ASSERT_TRUE(AddKey(s, 1, "hold sameTime"));
    ASSERT_TRUE(AddKey(s, 3, "hold three"));
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const struct {
        float time;
        size_t index;
    } expected[] = {{-1.0f, 0}, {0.999f, 0}, {1.0f, 2}, {2.9f, 2}, {3.0f, 3}, {1e9f, 3}, {nan, 0}};
    for (const auto &row : expected) {
        EXPECT_EQ(s.GetValueIndex(row.time), row.index) << row.time;
        // GetValue and GetValueIndex agree on which stored text is meant.
        const std::string &text = row.index == 0 ? s.GetBaseValue() : s.GetKeyframes()[row.index - 1].value;
        EXPECT_EQ(&s.GetValue(row.time), &text) << row.time;
    }

    CParamInt i(4);
    ASSERT_TRUE(AddKey(i, 1, "hold 10"));
    ASSERT_TRUE(AddKey(i, 2, "linear 20"));
    EXPECT_EQ(i.GetValue(nan), 4);
    EXPECT_EQ(i.GetValue(1.5f), 15);
    EXPECT_EQ(i.GetValue(2.0f), 20);
}
