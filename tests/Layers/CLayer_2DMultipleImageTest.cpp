#include "Layers/CLayer_2DMultipleImage.h"
#include "Layers/Layers2DTestSupport.h"

#include "Params/CParamInt.h"
#include "Params/ParamTestSupport.h"
#include "Resources/CResourceShader.h"

namespace {

class CLayer_2DMultipleImageTest : public LayerDrawingTest {
protected:
    void SetUp() override {
        LayerDrawingTest::SetUp();
        const std::string square = WriteTestImage("square", 100, 100);
        ASSERT_TRUE(LoadResources("Texture Square \"" + square + "\""));
        ASSERT_TRUE(Create(layer));
        ASSERT_TRUE(SetParam(layer, "Texture1 = Square"));
        device.ClearCalls();
    }

    CLayer_2DMultipleImage layer;
};

glm::vec2 Centre(const DrawRecord& draw) { return Place(draw.world, 0.5f, -0.5f); }

} // namespace

TEST(CLayer_2DMultipleImage, RegistersItsParametersInOrderWithTenRepeats) {
    CLayer_2DMultipleImage layer;
    std::vector<std::string> names;
    for (const ParamEntry& entry : layer.params.GetEntries())
        names.push_back(entry.name);
    EXPECT_EQ(names, (std::vector<std::string>{"Active", "RenderTarget", "Shader", "Texture1", "Texture2",
                                               "StartPosition", "StartScale", "StartRotation", "StartColour",
                                               "StepPosition", "StepScale", "StepRotation", "StepColour", "Repeats"}));
    EXPECT_EQ(layer.repeats->GetValue(0.0f), 10);
    EXPECT_EQ(layer.params.FindParam("ShaderValue"), nullptr);
}

TEST_F(CLayer_2DMultipleImageTest, CopiesStepAlongFromTheStartPosition) {
    ASSERT_TRUE(SetParam(layer, "Repeats = 3"));
    ASSERT_TRUE(SetParam(layer, "StartPosition = 100 100"));
    ASSERT_TRUE(SetParam(layer, "StepPosition = 50 0"));
    Render(layer, 0.0f, 0.0f);
    const std::vector<DrawRecord> draws = Draws(device);
    ASSERT_EQ(draws.size(), 3u);
    for (int k = 0; k < 3; ++k) {
        EXPECT_NEAR(Centre(draws[k]).x, 100.0f + 50.0f * k, 1e-3f);
        EXPECT_NEAR(Centre(draws[k]).y, 1100.0f, 1e-3f);
    }
    EXPECT_FALSE(device.WasSet("g_ShaderValue"));
}

TEST_F(CLayer_2DMultipleImageTest, ScaleRotationAndColourStepFromCopyToCopy) {
    ASSERT_TRUE(SetParam(layer, "Repeats = 4"));
    ASSERT_TRUE(SetParam(layer, "StartPosition = 500 500"));
    ASSERT_TRUE(SetParam(layer, "StartColour = 1 1 1 1"));
    ASSERT_TRUE(SetParam(layer, "StepColour = 0 0 0 -0.25"));
    ASSERT_TRUE(SetParam(layer, "StepScale = 1 0"));
    ASSERT_TRUE(SetParam(layer, "StepRotation = 90"));
    Render(layer, 0.0f, 0.0f);
    const std::vector<DrawRecord> draws = Draws(device);
    ASSERT_EQ(draws.size(), 4u);
    const float alphas[4] = {255, 191, 127, 63}; // 1, 0.75, 0.5, 0.25 packed to bytes
    for (int k = 0; k < 4; ++k)
        EXPECT_NEAR(draws[k].colour.a, alphas[k] / 255.0f, 1e-6f) << "copy " << k;
    // Copy 1: twice as wide and turned a quarter clockwise, so it stands 200 high and 100 wide.
    const glm::vec2 topLeft = Place(draws[1].world, 0, 0);
    EXPECT_NEAR(topLeft.x, 550.0f, 1e-3f);
    EXPECT_NEAR(topLeft.y, 800.0f, 1e-3f);
}

TEST_F(CLayer_2DMultipleImageTest, NoRepeatsDrawNothingButTheEffectIsBegunAndEnded) {
    for (const char* setting : {"Repeats = 0", "Repeats = -3"}) {
        device.ClearCalls();
        ASSERT_TRUE(SetParam(layer, setting));
        Render(layer, 0.0f, 0.0f);
        EXPECT_EQ(device.CountCalls("DrawPrimitive"), 0) << setting;
        EXPECT_EQ(device.CountCalls("Begin"), 1) << setting;
        EXPECT_EQ(device.CountCalls("End"), 1) << setting;
        EXPECT_EQ(state.currentEffect, nullptr) << setting;
    }
}

TEST_F(CLayer_2DMultipleImageTest, EachPassDrawsTheSameRow) {
    device.techniquePasses["DefaultTextured"] = 2;
    ASSERT_TRUE(SetParam(layer, "Repeats = 3"));
    ASSERT_TRUE(SetParam(layer, "StartPosition = 100 100"));
    ASSERT_TRUE(SetParam(layer, "StepPosition = 50 0"));
    ASSERT_TRUE(SetParam(layer, "StepColour = 0 0 0 -0.25"));
    Render(layer, 0.0f, 0.0f);
    const std::vector<DrawRecord> draws = Draws(device);
    ASSERT_EQ(draws.size(), 6u);
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(draws[k].world, draws[k + 3].world) << "copy " << k;
        EXPECT_EQ(draws[k].colour, draws[k + 3].colour) << "copy " << k;
    }
    EXPECT_EQ(device.CountCalls("EndPass"), 1);
    EXPECT_EQ(device.CountCalls("End"), 1);
}

TEST_F(CLayer_2DMultipleImageTest, MissingShaderOrTextureDrawsNothing) {
    ASSERT_TRUE(SetParam(layer, "Shader = Nothing"));
    Render(layer, 0.0f, 0.0f);
    EXPECT_EQ(device.CountCalls("Begin"), 0);
    EXPECT_EQ(device.CountCalls("DrawPrimitive"), 0);

    ASSERT_TRUE(SetParam(layer, "Shader = DefaultTextured"));
    ASSERT_TRUE(SetParam(layer, "Texture1 = Nothing"));
    Render(layer, 0.0f, 0.0f);
    EXPECT_EQ(device.CountCalls("DrawPrimitive"), 0);
    EXPECT_EQ(device.CountCalls("End"), 1);
    EXPECT_EQ(state.currentEffect, nullptr);
}

TEST_F(CLayer_2DMultipleImageTest, ARowAcrossAWideCanvasDrawsEveryCopy) {
    // One copy a unit apart across a 1920-unit canvas: nothing may cut the row short.
    ASSERT_TRUE(SetParam(layer, "Repeats = 1920"));
    ASSERT_TRUE(SetParam(layer, "StepPosition = 1 0"));
    Render(layer, 0.0f, 0.0f);
    const std::vector<DrawRecord> draws = Draws(device);
    ASSERT_EQ(draws.size(), 1920u);
    EXPECT_NEAR(Centre(draws.back()).x - Centre(draws.front()).x, 1919.0f, 1e-2f);
}

TEST_F(CLayer_2DMultipleImageTest, MostDrawsCountTheLargestRepeatsOfAnyKeyframeTimesThePasses) {
    device.techniquePasses["DefaultTextured"] = 3;
    ASSERT_TRUE(SetParam(layer, "Repeats = 10"));
    ASSERT_TRUE(Create(layer));
    EXPECT_EQ(layer.MostDrawsPerFrame(), 30);
    // A linear ramp peaks at its keyframe; a spectrum keyframe adds up to its scale.
    ASSERT_TRUE(AddKey(*layer.repeats, 1.0f, "linear 500"));
    ASSERT_TRUE(AddKey(*layer.repeats, 2.0f, "spectrum 100 4 900"));
    ASSERT_TRUE(AddKey(*layer.repeats, 3.0f, "hold -7"));
    EXPECT_EQ(layer.MostDrawsPerFrame(), 3 * 1000);
    // Counting leaves no effect begun.
    EXPECT_EQ(state.currentEffect, nullptr);
    CLayer_2DMultipleImage none;
    ASSERT_TRUE(SetParam(none, "Repeats = -5"));
    ASSERT_TRUE(Create(none));
    EXPECT_EQ(none.MostDrawsPerFrame(), 0);
}
