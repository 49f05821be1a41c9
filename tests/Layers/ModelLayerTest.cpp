#include "Layers/CLayer_3DModel.h"
#include "Layers/Layers3DSupport.h"
#include "Resources/CResourceShader.h"

#include <vector>

namespace {

using Names = std::vector<std::string>;

class ModelLayerTest : public Layers3DTest {
protected:
    void SetUp() override {
        Layers3DTest::SetUp();
        TriangleResources();
        SetParam(layer, "Model", "Tri");
    }

    // The calls of the effect and the draws, in order, without the uploads.
    Names DrawSequence() const {
        Names names;
        for (const std::string &n : device.CallNames())
            if (n == "Begin" || n == "BeginPass" || n == "EndPass" || n == "End" || n == "DrawPrimitive")
                names.push_back(n);
        return names;
    }

    CLayer_3DModel layer;
};

} // namespace

TEST_F(ModelLayerTest, DrawsTheModelInOnePassOfItsShaderAndEndsTheEffect) {
    RunLayer(layer, 0.0f);
    EXPECT_EQ(DrawSequence(), (Names{"Begin", "BeginPass", "DrawPrimitive", "End"}));
    EXPECT_EQ(device.LastCall("Begin")->text, "DefaultTextured");
    EXPECT_EQ(device.LastCall("DrawPrimitive")->ints, (std::vector<int>{0, 0, 1}));
    EXPECT_EQ(state.currentEffect, nullptr);
    EXPECT_EQ(state.mode, RenderMode::Mode3D);
    EXPECT_EQ(device.LastCall("SetCullMode")->ints, std::vector<int>{static_cast<int>(CullMode::CounterClockwise)});
}

TEST_F(ModelLayerTest, EveryPassDrawsAndOnlyTheEarlierPassesAreEndedByTheLoop) {
    device.techniquePasses["DefaultNonTextured"] = 3;
    SetParam(layer, "Shader", "defaultnontextured");
    RunLayer(layer, 0.0f);
    EXPECT_EQ(DrawSequence(), (Names{"Begin", "BeginPass", "DrawPrimitive", "EndPass", "BeginPass", "DrawPrimitive",
                                     "EndPass", "BeginPass", "DrawPrimitive", "End"}));
    EXPECT_EQ(state.currentPass, 2);
}

TEST_F(ModelLayerTest, AModelThatIsNotThereDrawsNothingAndLeavesTheModeAlone) {
    for (const char *name : {"\"\"", "Missing"}) {
        SetParam(layer, "Model", name);
        RunLayer(layer, 0.0f);
        EXPECT_EQ(state.mode, RenderMode::None) << name;
        EXPECT_EQ(Count("SetCullMode"), 0) << name;
        EXPECT_EQ(Count("Begin"), 0) << name;
        EXPECT_EQ(Count("DrawPrimitive"), 0) << name;
    }
}

TEST_F(ModelLayerTest, WithoutGeometryTheModeIsSetButNoShaderIsBegun) {
    SetParam(layer, "EnableGeometry", "false");
    RunLayer(layer, 0.0f);
    EXPECT_EQ(state.mode, RenderMode::Mode3D);
    EXPECT_EQ(Count("SetDepthTest"), 1);
    EXPECT_EQ(Count("SetTechnique"), 0);
    EXPECT_EQ(Count("DrawPrimitive"), 0);
}

TEST_F(ModelLayerTest, AShaderThatIsNotThereOrCannotBeginDrawsNothing) {
    SetParam(layer, "Shader", "Nope");
    RunLayer(layer, 0.0f);
    EXPECT_EQ(Count("Begin"), 0);
    EXPECT_EQ(Count("DrawPrimitive"), 0);

    // A technique with no passes still ends the effect it began.
    device.techniquePasses["DefaultTextured"] = 0;
    SetParam(layer, "Shader", "DefaultTextured");
    RunLayer(layer, 0.0f);
    EXPECT_EQ(DrawSequence(), (Names{"Begin", "End"}));
    EXPECT_EQ(state.currentEffect, nullptr);
}

TEST_F(ModelLayerTest, WorldIsScaleThenRollPitchYawThenTranslation) {
    // Pitch alone (the second component) turns +y onto +z: a quarter turn about x, not y.
    SetParam(layer, "Rotation", "0 1.5707964 0");
    RunLayer(layer, 0.0f);
    glm::vec3 p = Transform(device.LastMatrix("g_mWorld"), glm::vec3(0, 1, 0));
    EXPECT_NEAR(p.x, 0.0f, 1e-6f);
    EXPECT_NEAR(p.y, 0.0f, 1e-6f);
    EXPECT_NEAR(p.z, 1.0f, 1e-6f);

    // Roll (z) acts first, then pitch (x), then yaw (y): +x rolls onto +y, pitches onto +z and yaws
    // onto +x. Scale comes before the turn and the translation after it.
    SetParam(layer, "Rotation", "1.5707964 1.5707964 1.5707964");
    SetParam(layer, "Scale", "2 3 4");
    SetParam(layer, "Position", "10 20 30");
    RunLayer(layer, 0.0f);
    const glm::mat4 world = device.LastMatrix("g_mWorld");
    p = Transform(world, glm::vec3(1, 0, 0));
    EXPECT_NEAR(p.x, 12.0f, 1e-5f);
    EXPECT_NEAR(p.y, 20.0f, 1e-5f);
    EXPECT_NEAR(p.z, 30.0f, 1e-5f);
    // +z (scaled by 4) rolls onto itself, pitches onto -y and stays there under yaw.
    p = Transform(world, glm::vec3(0, 0, 1));
    EXPECT_NEAR(p.x, 10.0f, 1e-5f);
    EXPECT_NEAR(p.y, 16.0f, 1e-5f);
    EXPECT_NEAR(p.z, 30.0f, 1e-5f);
    EXPECT_EQ(world, CLayer_3DModel::WorldMatrix(glm::vec3(10, 20, 30), glm::vec3(2, 3, 4), glm::vec3(1.5707964f)));
}

TEST_F(ModelLayerTest, ParametersThatDoNotDrawAcceptKeyframesAndChangeNothing) {
    RunLayer(layer, 1.0f);
    const std::vector<RecordedCall> plain = device.calls;
    CLayer_3DModel keyed;
    SetParam(keyed, "Model", "Tri");
    AddKey(keyed, 0.0f, "CameraID hold 3");
    AddKey(keyed, 0.0f, "EnableCameras hold true");
    AddKey(keyed, 0.5f, "EnableLights hold false");
    RunLayer(keyed, 1.0f);
    ASSERT_EQ(device.calls.size(), plain.size());
    for (size_t i = 0; i < plain.size(); ++i) {
        EXPECT_EQ(device.calls[i].name, plain[i].name);
        EXPECT_EQ(device.calls[i].floats, plain[i].floats) << plain[i].name;
    }
}
