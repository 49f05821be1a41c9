#include "ParamTestSupport.h"

#include "Params/CParamBool.h"
#include "Params/CParamFloat.h"
#include "Params/CParamInt.h"
#include "Params/CParamRgba.h"
#include "Params/CParamString.h"
#include "Params/CParamVector2.h"
#include "Params/CParamVector3.h"

#include <gtest/gtest.h>

#include <climits>

TEST(CParamBool, AcceptsTrueAndFalseInAnyLetterCaseOnly) {
    CParamBool active(false);
    EXPECT_TRUE(SetValue(active, "TRUE"));
    EXPECT_TRUE(active.GetValue(0.0f));
    EXPECT_TRUE(SetValue(active, "false"));
    EXPECT_FALSE(active.GetValue(0.0f));

    active = CParamBool(true);
    EXPECT_FALSE(SetValue(active, "1"));
    EXPECT_FALSE(SetValue(active, "yes"));
    EXPECT_FALSE(SetValue(active, "\"truex\""));
    EXPECT_TRUE(active.GetBaseValue());
}

TEST(CParamFloat, ReadsOneNumberAndRefusesWords) {
    CParamFloat rotation(7.0f);
    EXPECT_TRUE(SetValue(rotation, "-12.5"));
    EXPECT_FLOAT_EQ(rotation.GetValue(3.0f), -12.5f);
    EXPECT_FALSE(SetValue(rotation, "ninety"));
    EXPECT_FALSE(SetValue(rotation, "{"));
    EXPECT_FLOAT_EQ(rotation.GetBaseValue(), -12.5f);
}

TEST(CParamInt, TruncatesTowardZeroAndSaturatesHugeNumbers) {
    CParamInt count(9);
    EXPECT_TRUE(SetValue(count, "3.99"));
    EXPECT_EQ(count.GetValue(0.0f), 3);
    EXPECT_TRUE(SetValue(count, "-0.5"));
    EXPECT_EQ(count.GetValue(0.0f), 0);
    EXPECT_TRUE(SetValue(count, "-2.9"));
    EXPECT_EQ(count.GetValue(0.0f), -2);
    // Beyond 32 bits a plain conversion is undefined; the value stops at the limit instead.
    EXPECT_TRUE(SetValue(count, "99999999999999"));
    EXPECT_EQ(count.GetValue(0.0f), INT_MAX);
    EXPECT_TRUE(SetValue(count, "-99999999999999"));
    EXPECT_EQ(count.GetValue(0.0f), INT_MIN);
}

TEST(CParamRgba, KeepsComponentsAsWrittenAndTheOldColourOnAShortValue) {
    CParamRgba colour(glm::vec4(0.1f, 0.2f, 0.3f, 0.4f));
    EXPECT_TRUE(SetValue(colour, "1 0.5 0 1"));
    EXPECT_EQ(colour.GetValue(0.0f), glm::vec4(1.0f, 0.5f, 0.0f, 1.0f));
    EXPECT_TRUE(SetValue(colour, "-1 2.5 300 0"));
    EXPECT_EQ(colour.GetValue(0.0f), glm::vec4(-1.0f, 2.5f, 300.0f, 0.0f));

    colour = CParamRgba(glm::vec4(0.1f, 0.2f, 0.3f, 0.4f));
    CMemoryTokeniser tokeniser = ScriptLine("1 0.5 0 Next 7");
    EXPECT_FALSE(colour.SetValueFromTokeniser(tokeniser));
    EXPECT_EQ(colour.GetBaseValue(), glm::vec4(0.1f, 0.2f, 0.3f, 0.4f));
    // The tokens up to the failure are consumed, and reading goes on after them.
    EXPECT_EQ(tokeniser.NextToken(), TokenType::Number);
    EXPECT_DOUBLE_EQ(tokeniser.GetNumber(), 7.0);
}

TEST(CParamVector, ReadComponentsAsSeparateNumbers) {
    CParamVector2 position(glm::vec2(5.0f, 6.0f));
    EXPECT_TRUE(SetValue(position, "-0.5 960"));
    EXPECT_EQ(position.GetValue(0.0f), glm::vec2(-0.5f, 960.0f));
    EXPECT_FALSE(SetValue(position, "1,2 3"));
    EXPECT_FALSE(SetValue(position, "1"));
    EXPECT_EQ(position.GetBaseValue(), glm::vec2(-0.5f, 960.0f));

    CParamVector3 direction(glm::vec3(0.0f));
    EXPECT_TRUE(SetValue(direction, "1 2 3"));
    EXPECT_EQ(direction.GetValue(0.0f), glm::vec3(1.0f, 2.0f, 3.0f));
    EXPECT_FALSE(SetValue(direction, "4 5 six"));
    EXPECT_EQ(direction.GetBaseValue(), glm::vec3(1.0f, 2.0f, 3.0f));
}

TEST(CParamString, TakesAWordOrTheTextBetweenQuotes) {
    CParamString name("");
    EXPECT_TRUE(SetValue(name, "LogoTexture"));
    EXPECT_EQ(name.GetValue(0.0f), "LogoTexture");
    EXPECT_TRUE(SetValue(name, "\"images/the logo.png\""));
    EXPECT_EQ(name.GetValue(0.0f), "images/the logo.png");
    EXPECT_FALSE(SetValue(name, "42"));
    EXPECT_EQ(name.GetBaseValue(), "images/the logo.png");
}

TEST(CParam, WithoutKeyframesEveryClassGivesItsBaseValueAtAnyTime) {
    CParamBool b(true);
    CParamFloat f(1.5f);
    CParamInt i(-4);
    CParamRgba c(glm::vec4(1, 2, 3, 4));
    CParamString s("base");
    CParamVector2 v2(glm::vec2(1, 2));
    CParamVector3 v3(glm::vec3(1, 2, 3));
    for (float t : {-100.0f, -0.001f, 0.0f, 2.5f, 1e6f}) {
        EXPECT_TRUE(b.GetValue(t));
        EXPECT_EQ(f.GetValue(t), 1.5f);
        EXPECT_EQ(i.GetValue(t), -4);
        EXPECT_EQ(c.GetValue(t), glm::vec4(1, 2, 3, 4));
        EXPECT_EQ(s.GetValue(t), "base");
        EXPECT_EQ(v2.GetValue(t), glm::vec2(1, 2));
        EXPECT_EQ(v3.GetValue(t), glm::vec3(1, 2, 3));
    }
}
