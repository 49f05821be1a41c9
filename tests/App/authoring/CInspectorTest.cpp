#include "App/authoring/CInspector.h"

#include "Base/CTokeniser.h"
#include "Base/SpectrumBuffer.h"
#include "Layers/CLayer.h"
#include "Params/CParamFloat.h"
#include "Params/CParamVector2.h"
#include "Platform/OverlayData.h"
#include "System/CSystem.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace {

// 120 beats a minute, four beats a bar: a bar is two seconds. Intro runs from 0 s to 4 s, Outro from 2 s.
const std::string Script = "scene Intro 0:0:0 2:0:0 {\n"
                           "    layers {\n"
                           "        Logo 2DImage { Texture1 = Pic  Position = 10 20 }\n"
                           "        Back 2DImage { }\n"
                           "    }\n"
                           "    keyframes {\n"
                           "        0:0:0 { Logo Rotation linear 0\n"
                           "                Logo ShaderValue spectrum 1 3 2\n"
                           "                Back Rotation linear 5 }\n"
                           "        1:0:0 { Logo Rotation smooth 10 }\n"
                           "    }\n"
                           "}\n"
                           "scene Outro 1:0:0 3:0:0 { layers { Text 2DImage { } } }\n"
                           "end\n";

std::unique_ptr<CSystem> Load(const std::string& text) {
    auto system = std::make_unique<CSystem>();
    CMemoryTokeniser tokeniser(text.data(), text.size());
    EXPECT_TRUE(system->LoadFromTokeniser(tokeniser));
    return system;
}

CParamFloat& Float(CSystem& system, const char* scene, const char* layer, const char* name) {
    return *dynamic_cast<CParamFloat*>(system.scenes.FindScene(scene)->layers.FindLayer(layer)->params.FindParam(name));
}

const OverlayParameter& Row(const OverlayInspector& panel, const std::string& name) {
    const auto row = std::find_if(panel.parameters.begin(), panel.parameters.end(),
                                  [&](const OverlayParameter& p) { return p.name == name; });
    EXPECT_NE(row, panel.parameters.end()) << name;
    return *row;
}

class InspectorTest : public ::testing::Test {
protected:
    InspectorTest() { std::fill(std::begin(SpectrumBuffer), std::end(SpectrumBuffer), 0.0f); }
    std::unique_ptr<CSystem> system = Load(Script);
    CInspector inspector;
};

} // namespace

TEST_F(InspectorTest, CurvesAreWhatTheEvaluatorPlaysSpectrumIncluded) {
    SpectrumBuffer[3] = 0.25f;
    inspector.Open(*system, 0, "logo");
    ASSERT_TRUE(inspector.IsOpen());
    OverlayInspector panel;
    inspector.Fill(*system, 1.0f, panel);
    ASSERT_TRUE(panel.open);
    EXPECT_EQ(panel.layer, "Logo");
    EXPECT_TRUE(panel.running);

    const OverlayParameter& rotation = Row(panel, "Rotation");
    const CParamFloat& param = Float(*system, "Intro", "Logo", "Rotation");
    EXPECT_EQ(rotation.kind, "linear");
    EXPECT_EQ(rotation.keyframes, 2);
    EXPECT_FLOAT_EQ(rotation.value[0], param.GetValue(1.0f));
    ASSERT_EQ(rotation.samples, CInspector::CurveSamples);
    for (int s = 0; s < rotation.samples; s += 7)
        EXPECT_FLOAT_EQ(rotation.curve[static_cast<size_t>(s)],
                        param.GetValue(4.0f * static_cast<float>(s) / static_cast<float>(rotation.samples - 1)));
    ASSERT_EQ(rotation.keyAt.size(), 2u);
    EXPECT_FLOAT_EQ(rotation.keyAt[1], 0.5f);
    EXPECT_FLOAT_EQ(rotation.keyValue[1], 10.0f);
    EXPECT_FLOAT_EQ(rotation.playheadAt, 0.25f);
    EXPECT_LE(rotation.low, 0.0f);
    EXPECT_GE(rotation.high, 10.0f);
    // Past the second keyframe its kind is in force.
    OverlayInspector later;
    inspector.Fill(*system, 2.5f, later);
    EXPECT_EQ(Row(later, "Rotation").kind, "smooth");

    // A lone spectrum keyframe has no effect, and says so; its curve is the base value, as played.
    const OverlayParameter& shader = Row(panel, "ShaderValue");
    EXPECT_EQ(shader.loneLine, 8);
    EXPECT_FLOAT_EQ(shader.curve[10], Float(*system, "Intro", "Logo", "ShaderValue").GetValue(0.5f));

    EXPECT_EQ(Row(panel, "Position").samples, 0); // no keyframes, no curve
    EXPECT_FLOAT_EQ(Row(panel, "Position").value[1], 20.0f);
    EXPECT_EQ(Row(panel, "Texture1").word, "Pic");
    EXPECT_EQ(Row(panel, "Texture1").components, 0);
}

TEST_F(InspectorTest, ATweakStandsInUntilDiscardedAndOutlivesAReloadUntilWritten) {
    inspector.Open(*system, 0, "Logo");
    const float seven[] = {7.0f};
    EXPECT_TRUE(inspector.Tweak(*system, "Rotation", seven));
    EXPECT_FALSE(inspector.Tweak(*system, "Texture1", seven)); // a word is not tweaked
    EXPECT_FLOAT_EQ(Float(*system, "Intro", "Logo", "Rotation").GetValue(3.0f), 7.0f);
    OverlayInspector panel;
    inspector.Fill(*system, 1.0f, panel);
    EXPECT_TRUE(panel.hasEdits);
    EXPECT_TRUE(Row(panel, "Rotation").edited);
    EXPECT_FLOAT_EQ(Row(panel, "Rotation").value[0], 7.0f);
    // The curve still shows the keyframes, which the write would change.
    EXPECT_FLOAT_EQ(Row(panel, "Rotation").curve[0], 0.0f);

    // A reload of another file: the tweak goes on the new parameters.
    system = Load(Script);
    inspector.PresentationChanged(*system);
    EXPECT_FLOAT_EQ(Float(*system, "Intro", "Logo", "Rotation").GetValue(3.0f), 7.0f);

    inspector.Discard(system.get());
    EXPECT_FALSE(inspector.HasEdits());
    EXPECT_FLOAT_EQ(Float(*system, "Intro", "Logo", "Rotation").GetValue(0.0f), 0.0f);

    // Written, the tweak stays until the reload brings the script's new value, then goes.
    inspector.Tweak(*system, "Rotation", seven);
    inspector.MarkWritten();
    system = Load(Script);
    inspector.PresentationChanged(*system);
    EXPECT_FALSE(inspector.HasEdits());
    EXPECT_FLOAT_EQ(Float(*system, "Intro", "Logo", "Rotation").GetValue(0.0f), 0.0f);

    // A layer the new script lacks closes the inspector.
    system = Load("scene Intro 0:0:0 2:0:0 { layers { Other 2DImage { } } }\nend\n");
    inspector.PresentationChanged(*system);
    EXPECT_FALSE(inspector.IsOpen());
}

TEST_F(InspectorTest, WrittenEditsPlayTheirValuesAtThePlayheadAfterTheReload) {
    inspector.Open(*system, 0, "Logo");
    const float rotation[] = {7.5f}, position[] = {-3.0f, 0.125f};
    inspector.Tweak(*system, "Rotation", rotation);
    inspector.Tweak(*system, "Position", position);
    std::string written, error;
    ASSERT_TRUE(inspector.WriteEdits(*system, Script, 1.0f, false, written, error)) << error;
    // A keyframe for the keyframed value, the base value for the other: two changed lines.
    EXPECT_NE(written.find("Position = -3 0.125"), std::string::npos) << written;
    EXPECT_NE(written.find("0:2:0 { Logo Rotation linear 7.5 }"), std::string::npos) << written;

    auto reloaded = Load(written);
    EXPECT_FLOAT_EQ(Float(*reloaded, "Intro", "Logo", "Rotation").GetValue(1.0f), 7.5f);
    const auto* moved = dynamic_cast<CParamVector2*>(
        reloaded->scenes.FindScene("Intro")->layers.FindLayer("Logo")->params.FindParam("Position"));
    EXPECT_FLOAT_EQ(moved->GetValue(1.0f).x, -3.0f);

    // Asked for as keyframes, a value without any gets two: the one asked for and one holding the
    // value at the scene's start, so that it acts.
    inspector.Discard(system.get());
    inspector.Tweak(*system, "Position", position);
    ASSERT_TRUE(inspector.WriteEdits(*system, Script, 1.0f, true, written, error)) << error;
    reloaded = Load(written);
    moved = dynamic_cast<CParamVector2*>(
        reloaded->scenes.FindScene("Intro")->layers.FindLayer("Logo")->params.FindParam("Position"));
    EXPECT_FLOAT_EQ(moved->GetValue(1.0f).y, 0.125f);
    EXPECT_FLOAT_EQ(moved->GetValue(0.0f).y, 20.0f);

    // Outside its scene the layer cannot be written; the text is left alone.
    std::string untouched = "untouched";
    EXPECT_FALSE(inspector.WriteEdits(*system, Script, 5.0f, false, untouched, error));
    EXPECT_EQ(untouched, "untouched");
}

TEST_F(InspectorTest, TheArrowsWalkTheLayersOfTheScenesRunningNow) {
    // At 3 s both scenes run: Logo, Back, then Outro's Text.
    inspector.MoveHighlight(*system, 3.0f, 1);
    EXPECT_TRUE(inspector.IsHighlighted(0, "Logo"));
    inspector.MoveHighlight(*system, 3.0f, 2);
    EXPECT_TRUE(inspector.IsHighlighted(1, "Text"));
    inspector.MoveHighlight(*system, 3.0f, 1); // stays at the end
    EXPECT_TRUE(inspector.IsHighlighted(1, "Text"));
    inspector.MoveHighlight(*system, 3.0f, -1);
    ASSERT_TRUE(inspector.OpenHighlighted(*system));
    EXPECT_EQ(inspector.SceneIndex(), 0);
    EXPECT_EQ(inspector.Layer(), "Back");
    // From nowhere, up starts at the last row.
    CInspector fresh;
    fresh.MoveHighlight(*system, 1.0f, -1);
    EXPECT_TRUE(fresh.IsHighlighted(0, "Back"));
}
