#include "ParamTestSupport.h"

#include "Base/Log.h"
#include "Params/CParamBool.h"
#include "Params/CParamFloat.h"
#include "Params/CParamManager.h"
#include "Params/CParamRgba.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// A layer's table as a layer constructor builds it.
class ParamManager : public ::testing::Test {
protected:
    void SetUp() override {
        active = params.AddParam(new CParamBool(true), "Active");
        colour = params.AddParam(new CParamRgba(glm::vec4(1)), "Colour");
        rotation = params.AddParam(new CParamFloat(0.0f), "Rotation");
    }

    // Runs `action` with the log on and returns what it printed.
    template <class Action> std::string Logged(Action action) {
        EnableLog();
        ::testing::internal::CaptureStderr();
        action();
        std::string printed = ::testing::internal::GetCapturedStderr();
        ResetLogForTests();
        return printed;
    }

    bool Set(const std::string &name, const std::string &rest) {
        CMemoryTokeniser tokeniser = ScriptLine(rest);
        return params.SetValueFromTokeniser(tokeniser, name);
    }

    bool Key(float time, const std::string &line) {
        CMemoryTokeniser tokeniser = ScriptLine(line);
        return params.AddKeyframeFromTokeniser(time, tokeniser);
    }

    CParamManager params;
    CParamBool *active = nullptr;
    CParamRgba *colour = nullptr;
    CParamFloat *rotation = nullptr;
};

} // namespace

TEST_F(ParamManager, FindsNamesIgnoringLetterCaseAndTheFirstRegistrationWins) {
    EXPECT_EQ(params.FindParam("active"), active);
    EXPECT_EQ(params.FindParam("COLOUR"), colour);
    EXPECT_EQ(params.FindParam("Colou"), nullptr);
    EXPECT_EQ(params.FindParam(""), nullptr);

    CParamFloat *shadow = params.AddParam(new CParamFloat(5.0f), "rotation");
    EXPECT_EQ(params.FindParam("Rotation"), rotation);
    EXPECT_TRUE(Set("ROTATION", "= 45"));
    EXPECT_EQ(rotation->GetBaseValue(), 45.0f);
    EXPECT_EQ(shadow->GetBaseValue(), 5.0f);
    EXPECT_EQ(params.GetEntries().size(), 4u);
}

TEST_F(ParamManager, SetsABaseValueFromANameEqualsValueLine) {
    EXPECT_TRUE(Set("active", "= false"));
    EXPECT_FALSE(active->GetValue(0.0f));
    EXPECT_TRUE(Set("Colour", "= 1 0.5 0 1"));
    EXPECT_EQ(colour->GetValue(0.0f), glm::vec4(1, 0.5f, 0, 1));
}

TEST_F(ParamManager, SettingFailuresLogTheirLinesAndAMissingEqualsLogsNothing) {
    std::string printed = Logged([&] { EXPECT_FALSE(Set("Colour", "1 1 1 1")); });
    EXPECT_EQ(printed, "");
    EXPECT_EQ(colour->GetBaseValue(), glm::vec4(1));

    printed = Logged([&] { EXPECT_FALSE(Set("Colr", "\n\n= 1 1 1 1")); });
    EXPECT_NE(printed.find("CParamManager::SetValueFromTokeniser] Failed to find variable 'Colr' on line 3\n"),
              std::string::npos)
        << printed;
    EXPECT_NE(printed.find("CParamManager.cpp@"), std::string::npos) << printed;

    printed = Logged([&] { EXPECT_FALSE(Set("Colour", "=\nred")); });
    EXPECT_NE(printed.find("] Failed to set value from tokeniser for 'Colour' on line 2\n"), std::string::npos)
        << printed;
    EXPECT_EQ(colour->GetBaseValue(), glm::vec4(1));
}

TEST_F(ParamManager, RoutesAKeyframeLineToTheNamedParameter) {
    EXPECT_TRUE(Key(0.0f, "rotation linear 0"));
    EXPECT_TRUE(Key(2.0f, "Rotation hold 90"));
    EXPECT_EQ(rotation->GetValue(1.0f), 45.0f);
    EXPECT_TRUE(Key(1.0f, "colour hold 1 1 1 0.5"));
    EXPECT_EQ(colour->GetKeyframes().size(), 1u);
}

TEST_F(ParamManager, KeyframeFailuresLogOnlyForABadPayload) {
    std::string printed = Logged([&] {
        EXPECT_FALSE(Key(0.0f, "Size linear 1"));
        EXPECT_FALSE(Key(0.0f, "12 linear 1"));
        EXPECT_FALSE(Key(0.0f, "{"));
    });
    EXPECT_EQ(printed, "");

    // The name is the one written in the line, not the last token the payload reader saw.
    printed = Logged([&] { EXPECT_FALSE(Key(0.0f, "colour\nhold 1 1 oops")); });
    EXPECT_NE(printed.find("CParamManager::AddKeyframeFromTokeniser] Failed to add a keyframe from tokeniser for "
                           "'colour' on line 2\n"),
              std::string::npos)
        << printed;
    printed = Logged([&] { EXPECT_FALSE(Key(0.0f, "Active spectrum 1 2 3")); });
    EXPECT_NE(printed.find("for 'Active' on line 1"), std::string::npos) << printed;
    EXPECT_TRUE(colour->GetKeyframes().empty());
    EXPECT_TRUE(active->GetKeyframes().empty());
}

TEST_F(ParamManager, ANullParameterRegistersNothing) {
    EXPECT_EQ(params.AddParam(static_cast<CParamFloat *>(nullptr), "Ghost"), nullptr);
    EXPECT_EQ(params.FindParam("Ghost"), nullptr);
    EXPECT_EQ(params.GetEntries().size(), 3u);
}
