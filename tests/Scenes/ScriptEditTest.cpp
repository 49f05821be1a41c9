#include "Scenes/ScriptEdit.h"

#include "Base/CTokeniser.h"
#include "Layers/CLayer.h"
#include "Params/CParamFloat.h"
#include "Params/CParamVector2.h"
#include "System/CSystem.h"

#include <gtest/gtest.h>

#include <glm/vec2.hpp>

#include <algorithm>
#include <cmath>

namespace {

struct EditCase {
    const char* name;
    std::string script;
    ScriptEdit edit;
    std::string expected; // the whole text after the edit
    bool loads = true;    // whether the loader takes the script (it refuses two scenes of one name)
};

ScriptEdit Edit(const char* scene, const char* layer, const char* parameter, BarBeatTick playhead,
                std::vector<std::string> value, bool keyframe = false, std::vector<std::string> atStart = {}) {
    ScriptEdit edit;
    edit.scene = scene;
    edit.layer = layer;
    edit.parameter = parameter;
    edit.playhead = playhead;
    edit.value = std::move(value);
    edit.keyframe = keyframe;
    edit.valueAtSceneStart = std::move(atStart);
    return edit;
}

std::string Crlf(std::string text) {
    for (size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 2))
        text.insert(at, "\r");
    return text;
}

// Loads the script with the real loader and gives the edited parameter's value at the playhead, as
// the numbers the edit wrote.
std::vector<float> ValueAtPlayhead(const std::string& script, const ScriptEdit& edit) {
    CSystem system;
    CMemoryTokeniser tokeniser(script.data(), script.size());
    EXPECT_TRUE(system.LoadFromTokeniser(tokeniser)) << script;
    for (const Scene& scene : system.scenes.GetScenes()) {
        const float now = static_cast<float>(CMusicalTime().SecondsOf(edit.playhead));
        if (now < scene.startTime || now >= scene.endTime || !scene.layers.FindLayer(edit.layer))
            continue;
        CParam* param = scene.layers.FindLayer(edit.layer)->params.FindParam(edit.parameter);
        const float local = now - scene.startTime;
        if (auto* f = dynamic_cast<CParamFloat*>(param))
            return {f->GetValue(local)};
        if (auto* v = dynamic_cast<CParamVector2*>(param)) {
            const glm::vec2 value = v->GetValue(local);
            return {value.x, value.y};
        }
    }
    ADD_FAILURE() << "no such parameter at the playhead";
    return {};
}

const std::string Commented = "# The intro\n"
                              "system { Bpm = 120 }\n"
                              "SCENE Intro 1:0:0 9:0:0 {\n"
                              "    layers {\n"
                              "        Logo 2DImage { Texture1 = Pic   Position = 10 20 }  # the logo\n"
                              "        Back 2DImage { }\n"
                              "    }\n"
                              "    KEYFRAMES {\n"
                              "        0:0:0 {  LOGO rotation SMOOTH 0   # start\n"
                              "        }\n"
                              "        4:0:0 {\n"
                              "            LOGO rotation SMOOTH  90\n"
                              "        }\n"
                              "    }\n"
                              "}\n"
                              "end\n";

} // namespace

TEST(ScriptEdit, WritesOnlyWhatTheEditNeedsAndTheLoaderReadsTheValueBack) {
    const std::vector<EditCase> cases = {
        {"a keyframe at the playhead gets its value replaced, spacing and case kept", Commented,
         Edit("intro", "logo", "Rotation", {5, 0, 0}, {"45.5"}),
         "# The intro\nsystem { Bpm = 120 }\nSCENE Intro 1:0:0 9:0:0 {\n    layers {\n"
         "        Logo 2DImage { Texture1 = Pic   Position = 10 20 }  # the logo\n        Back 2DImage { }\n"
         "    }\n    KEYFRAMES {\n        0:0:0 {  LOGO rotation SMOOTH 0   # start\n        }\n        4:0:0 {\n"
         "            LOGO rotation SMOOTH  45.5\n        }\n    }\n}\nend\n"},
        {"a new group goes between the groups around it, shaped like them, with the kind in force", Crlf(Commented),
         Edit("Intro", "Logo", "rotation", {3, 1, 48}, {"0.1"}),
         Crlf("# The intro\nsystem { Bpm = 120 }\nSCENE Intro 1:0:0 9:0:0 {\n    layers {\n"
              "        Logo 2DImage { Texture1 = Pic   Position = 10 20 }  # the logo\n        Back 2DImage { }\n"
              "    }\n    KEYFRAMES {\n        0:0:0 {  LOGO rotation SMOOTH 0   # start\n        }\n"
              "        2:1:48 {\n            LOGO rotation SMOOTH 0.1\n        }\n"
              "        4:0:0 {\n            LOGO rotation SMOOTH  90\n        }\n    }\n}\nend\n")},
        {"a group after the last one ends the keyframes block", Commented,
         Edit("Intro", "Logo", "Rotation", {8, 0, 0}, {"-3"}),
         "# The intro\nsystem { Bpm = 120 }\nSCENE Intro 1:0:0 9:0:0 {\n    layers {\n"
         "        Logo 2DImage { Texture1 = Pic   Position = 10 20 }  # the logo\n        Back 2DImage { }\n"
         "    }\n    KEYFRAMES {\n        0:0:0 {  LOGO rotation SMOOTH 0   # start\n        }\n        4:0:0 {\n"
         "            LOGO rotation SMOOTH  90\n        }\n        7:0:0 {\n            LOGO rotation SMOOTH -3\n"
         "        }\n    }\n}\nend\n"},
        {"a parameter without keyframes gets its base value, in place", Commented,
         Edit("Intro", "Logo", "position", {2, 0, 0}, {"1.25", "-7"}),
         "# The intro\nsystem { Bpm = 120 }\nSCENE Intro 1:0:0 9:0:0 {\n    layers {\n"
         "        Logo 2DImage { Texture1 = Pic   Position = 1.25 -7 }  # the logo\n        Back 2DImage { }\n"
         "    }\n    KEYFRAMES {\n        0:0:0 {  LOGO rotation SMOOTH 0   # start\n        }\n        4:0:0 {\n"
         "            LOGO rotation SMOOTH  90\n        }\n    }\n}\nend\n"},
        {"a base value never set is added to the layer's block", Commented,
         Edit("Intro", "Back", "Position", {2, 0, 0}, {"3", "4"}),
         "# The intro\nsystem { Bpm = 120 }\nSCENE Intro 1:0:0 9:0:0 {\n    layers {\n"
         "        Logo 2DImage { Texture1 = Pic   Position = 10 20 }  # the logo\n"
         "        Back 2DImage { Position = 3 4 }\n    }\n    KEYFRAMES {\n"
         "        0:0:0 {  LOGO rotation SMOOTH 0   # start\n        }\n        4:0:0 {\n"
         "            LOGO rotation SMOOTH  90\n        }\n    }\n}\nend\n"},
        {"a first keyframe asked for comes with the one at the scene's start that makes it act", Commented,
         Edit("Intro", "Back", "Position", {3, 0, 0}, {"3", "4"}, true, {"0", "0"}),
         "# The intro\nsystem { Bpm = 120 }\nSCENE Intro 1:0:0 9:0:0 {\n    layers {\n"
         "        Logo 2DImage { Texture1 = Pic   Position = 10 20 }  # the logo\n        Back 2DImage { }\n"
         "    }\n    KEYFRAMES {\n        0:0:0 {  LOGO rotation SMOOTH 0   # start\n"
         "            Back Position linear 0 0\n        }\n        2:0:0 {\n            Back Position linear 3 4\n"
         "        }\n        4:0:0 {\n            LOGO rotation SMOOTH  90\n        }\n    }\n}\nend\n"},
        {"a scene without keyframes gets a block; of two scenes named alike the one playing is written",
         "scene A 0:0:0 2:0:0 { layers { L 2DImage { } } }\r\nscene a 2:0:0 4:0:0 {\r\n  layers { L 2DImage { } "
         "}\r\n}\r\n"
         "end\r\n",
         Edit("A", "l", "Rotation", {3, 0, 0}, {"30"}, true, {"0"}),
         "scene A 0:0:0 2:0:0 { layers { L 2DImage { } } }\r\nscene a 2:0:0 4:0:0 {\r\n  layers { L 2DImage { } }\r\n"
         "  keyframes {\r\n      0:0:0 { L Rotation linear 0 }\r\n      1:0:0 { L Rotation linear 30 }\r\n  }\r\n}\r\n"
         "end\r\n",
         false},
        {"a new group puts its brace where its neighbours do",
         "scene S 0:0:0 9:0:0\n{\n    layers { L 2DImage { } }\n    keyframes\n    {\n        0:0:0\n        {\n"
         "            L Rotation linear 0\n        }\n        4:0:0\n        {\n            L Rotation linear 8\n"
         "        }\n    }\n}\nend\n",
         Edit("S", "L", "Rotation", {2, 0, 0}, {"2"}),
         "scene S 0:0:0 9:0:0\n{\n    layers { L 2DImage { } }\n    keyframes\n    {\n        0:0:0\n        {\n"
         "            L Rotation linear 0\n        }\n        2:0:0\n        {\n            L Rotation linear 2\n"
         "        }\n        4:0:0\n        {\n            L Rotation linear 8\n        }\n    }\n}\nend\n"},
        {"groups out of order elsewhere: the line goes between the parameter's own keyframes",
         "scene S 0:0:0 9:0:0 { layers { L 2DImage { } M 2DImage { } }\n"
         "  keyframes { 0:0:0 { L Rotation linear 0 } 6:0:0 { M Rotation hold 1 } 1:0:0 { M Rotation hold 0 }"
         " 4:0:0 { L Rotation linear 8 } } }\nend\n",
         Edit("S", "L", "Rotation", {2, 0, 0}, {"2"}),
         "scene S 0:0:0 9:0:0 { layers { L 2DImage { } M 2DImage { } }\n"
         "  keyframes { 0:0:0 { L Rotation linear 0 } 2:0:0 { L Rotation linear 2 } 6:0:0 { M Rotation hold 1 }"
         " 1:0:0 { M Rotation hold 0 } 4:0:0 { L Rotation linear 8 } } }\nend\n"},
    };
    for (const EditCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::string result, error;
        ASSERT_TRUE(EditScript(c.script, c.edit, result, error)) << error;
        EXPECT_EQ(result, c.expected);
        if (!c.loads)
            continue;
        const std::vector<float> read = ValueAtPlayhead(result, c.edit);
        ASSERT_EQ(read.size(), c.edit.value.size());
        for (size_t i = 0; i < read.size(); ++i) {
            const float expected = std::stof(c.edit.value[i]);
            EXPECT_NEAR(read[i], expected, 1e-5f * std::max(1.0f, std::fabs(expected)));
        }
    }
}

TEST(ScriptEdit, SpectrumAndSquareKeepTheirBandsAndPeriods) {
    const std::string script = "scene S 0:0:0 9:0:0 { layers { L 2DImage { } }\n"
                               "  keyframes { 0:0:0 { L ShaderValue square 0 1 0:2:0 } 4:0:0 { L Scale spectrum 1 1 12 "
                               "0.5 0.25  L ShaderValue hold 2 } 6:0:0 { L Scale hold 1 1 } } }\nend\n";
    std::string result, error;
    ASSERT_TRUE(EditScript(script, Edit("S", "L", "Scale", {4, 0, 0}, {"2", "3"}), result, error)) << error;
    ASSERT_TRUE(EditScript(result, Edit("S", "L", "ShaderValue", {2, 0, 0}, {"0.5"}), result, error)) << error;
    EXPECT_EQ(result,
              "scene S 0:0:0 9:0:0 { layers { L 2DImage { } }\n"
              "  keyframes { 0:0:0 { L ShaderValue square 0 1 0:2:0 } 2:0:0 { L ShaderValue square 0.5 1 0:2:0 }"
              " 4:0:0 { L Scale spectrum 2 3 12 0.5 0.25  L ShaderValue hold 2 } 6:0:0 { L Scale hold 1 1 } } }"
              "\nend\n");
}

TEST(ScriptEdit, RefusesWhatItCannotWriteRightAndLeavesTheResultAlone) {
    const std::string outOfOrder =
        "scene S 0:0:0 9:0:0 { layers { L 2DImage { } }\n"
        "  keyframes { 4:0:0 { L Rotation linear 8 } 0:0:0 { L Rotation linear 0 } } }\nend\n";
    const std::pair<std::string, ScriptEdit> refused[] = {
        {outOfOrder, Edit("S", "L", "Rotation", {2, 0, 0}, {"2"})},
        {Commented, Edit("Outro", "Logo", "Rotation", {2, 0, 0}, {"2"})},
        {Commented, Edit("Intro", "Logo", "Rotation", {9, 0, 0}, {"2"})}, // the scene's end is not in it
        {Commented, Edit("Intro", "Nobody", "Rotation", {2, 0, 0}, {"2"})},
        {Commented, Edit("Intro", "Logo", "Position", {2, 0, 0}, {"1"})},            // one component of two
        {Commented, Edit("Intro", "Logo", "Rotation", {2, 0, 0}, {"1 }"})},          // not one token
        {Commented, Edit("Intro", "Logo", "Rotation", {2, 0, 0}, {"true"})},         // a word for a number
        {Commented, Edit("Intro", "Back", "Rotation", {3, 0, 0}, {"1"}, true)},      // no value at the start
        {"scene S 0:0:0 1:0:0 { }\n", Edit("S", "L", "Rotation", {0, 0, 0}, {"2"})}, // no end
        {"scene S 0:0:0 1:0:0 { layers { L 2DImage { } } } \"\nend\n", Edit("S", "L", "Rotation", {0, 0, 0}, {"2"})},
    };
    for (const auto& [script, edit] : refused) {
        std::string result = "untouched", error;
        EXPECT_FALSE(EditScript(script, edit, result, error))
            << edit.layer << " " << CMusicalTime::Format(edit.playhead);
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(result, "untouched");
    }
}

TEST(ScriptEdit, NumbersAreTheShortestTextThatReadsBackAsTheFloat) {
    EXPECT_EQ(FormatScriptNumber(0.1f), "0.1");
    EXPECT_EQ(FormatScriptNumber(90.0f), "90");
    EXPECT_EQ(FormatScriptNumber(-1.5f), "-1.5");
    // No exponent, which the script would read as a word: a large float is written out whole.
    EXPECT_EQ(FormatScriptNumber(1e20f).find_first_of("eE"), std::string::npos);
    EXPECT_EQ(FormatScriptNumber(std::nanf("")), "");
    for (float value : {0.1f, 1.0f / 3.0f, 123456.79f, 1e-7f, -2.5e-3f, 1e20f})
        EXPECT_EQ(std::stof(FormatScriptNumber(value)), value);
    EXPECT_EQ(FormatScriptWord("Logo"), "Logo");
    EXPECT_EQ(FormatScriptWord("my logo"), "\"my logo\"");
    EXPECT_EQ(FormatScriptWord("./a.png"), "\"./a.png\"");
    EXPECT_EQ(FormatScriptWord("say \"hi\""), "");
}
