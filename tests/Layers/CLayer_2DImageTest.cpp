#include "Layers/CLayer_2DImage.h"
#include "Layers/Layers2DTestSupport.h"

#include "Base/CommandLine.h"
#include "Params/CParamString.h"
#include "Resources/CResourceManager.h"
#include "Resources/CResourceShader.h"

#include <cstring>

namespace {

constexpr float Near = 1e-3f;

void ExpectPoint(const glm::vec2& p, float x, float y) {
    EXPECT_NEAR(p.x, x, Near);
    EXPECT_NEAR(p.y, y, Near);
}

class CLayer_2DImageTest : public LayerDrawingTest {
protected:
    void SetUp() override {
        LayerDrawingTest::SetUp();
        const std::string wide = WriteTestImage("wide", 256, 128);
        const std::string square = WriteTestImage("square", 100, 100);
        const std::string small = WriteTestImage("small", 64, 32);
        ASSERT_TRUE(LoadResources("Texture Wide \"" + wide + "\" Texture Square \"" + square + "\" Texture Small \"" +
                                  small + "\""));
        ASSERT_TRUE(Create(layer));
        device.ClearCalls();
    }

    // The one draw of a frame at time 0.
    DrawRecord DrawOnce() {
        Render(layer, 0.0f, 0.0f);
        std::vector<DrawRecord> draws = Draws(device);
        EXPECT_EQ(draws.size(), 1u);
        return draws.empty() ? DrawRecord() : draws[0];
    }

    CLayer_2DImage layer;
};

} // namespace

TEST(CLayer_2DImage, RegistersItsParametersInOrderAfterTheCommonOnes) {
    CLayer_2DImage layer;
    std::vector<std::string> names;
    for (const ParamEntry& entry : layer.params.GetEntries())
        names.push_back(entry.name);
    EXPECT_EQ(names, (std::vector<std::string>{"Active", "RenderTarget", "Shader", "Texture1", "Texture2", "Position",
                                               "Scale", "Rotation", "Colour", "ShaderValue"}));
    EXPECT_EQ(layer.shader->GetValue(0.0f), "DefaultTextured");
    EXPECT_EQ(layer.texture1->GetValue(0.0f), "");
}

TEST_F(CLayer_2DImageTest, CreateFillsTheUnitQuadHangingFromTheOrigin) {
    CLayer_2DImage fresh;
    ASSERT_TRUE(Create(fresh));
    const RecordedCall* create = device.LastCall("CreateVertexBuffer");
    ASSERT_NE(create, nullptr);
    const auto* buffer = static_cast<const CRecordingVertexBuffer*>(create->object);
    ASSERT_EQ(buffer->data.size(), 80u);
    EXPECT_EQ(buffer->unlockCount, 1);
    QuadVertex v[4];
    std::memcpy(v, buffer->data.data(), sizeof(v));
    const float expected[4][5] = {{0, 0, 1, 0, 0}, {1, 0, 1, 1, 0}, {1, -1, 1, 1, 1}, {0, -1, 1, 0, 1}};
    for (int i = 0; i < 4; ++i) {
        const float got[5] = {v[i].x, v[i].y, v[i].z, v[i].u, v[i].v};
        for (int j = 0; j < 5; ++j)
            EXPECT_EQ(got[j], expected[i][j]) << "vertex " << i << " component " << j;
    }
}

TEST_F(CLayer_2DImageTest, DefaultsCentreAnUprightUntintedImageOnTheCanvas) {
    ASSERT_TRUE(SetParam(layer, "Texture1 = Wide"));
    ASSERT_TRUE(SetParam(layer, "Position = 960 600"));
    const DrawRecord draw = DrawOnce();
    // Canvas y points up: the image's top-left corner is at (960 - 128, 600 + 64).
    ExpectPoint(Place(draw.world, 0, 0), 832, 664);
    ExpectPoint(Place(draw.world, 1, -1), 1088, 536);
    EXPECT_EQ(draw.colour, glm::vec4(1.0f));
    EXPECT_EQ(draw.type, static_cast<int>(PrimitiveType::TriangleFan));
    EXPECT_EQ(draw.startVertex, 0);
    EXPECT_EQ(draw.primitives, 2);

    const RecordedCall* technique = device.LastCall("SetTechnique");
    ASSERT_NE(technique, nullptr);
    EXPECT_EQ(technique->text, "DefaultTextured");
    const RecordedCall* format = device.LastCall("SetVertexFormat");
    ASSERT_NE(format, nullptr);
    EXPECT_EQ(format->ints[0], static_cast<int>(VertexPosition | VertexTex1));
    const RecordedCall* stream = device.LastCall("SetStreamSource");
    ASSERT_NE(stream, nullptr);
    EXPECT_EQ(stream->ints, (std::vector<int>{0, 20}));
    EXPECT_EQ(state.mode, RenderMode::Mode2D);
}

TEST_F(CLayer_2DImageTest, PositionsCountFromTheTopLeftWithYDownwards) {
    ASSERT_TRUE(SetParam(layer, "Texture1 = Wide"));
    ASSERT_TRUE(SetParam(layer, "Position = 0 0"));
    ExpectPoint(Place(DrawOnce().world, 0.5f, -0.5f), 0, 1200);
    device.ClearCalls();
    ASSERT_TRUE(SetParam(layer, "Position = 1920 1200"));
    ExpectPoint(Place(DrawOnce().world, 0.5f, -0.5f), 1920, 0);
}

TEST_F(CLayer_2DImageTest, RotationTurnsClockwiseAboutTheCentre) {
    ASSERT_TRUE(SetParam(layer, "Texture1 = Wide"));
    ASSERT_TRUE(SetParam(layer, "Position = 960 600"));
    ASSERT_TRUE(SetParam(layer, "Rotation = 90"));
    const DrawRecord draw = DrawOnce();
    // A quarter turn clockwise takes the top-left corner to the top-right, the long side upright.
    ExpectPoint(Place(draw.world, 0, 0), 960 + 64, 600 + 128);
    ExpectPoint(Place(draw.world, 1, 0), 960 + 64, 600 - 128);
    ExpectPoint(Place(draw.world, 0.5f, -0.5f), 960, 600);
    // The turn keeps the image exactly on the near plane; a hair in front of it would be clipped.
    for (float degrees : {90.0f, 33.0f, -170.0f}) {
        EXPECT_EQ((ImagePlacement(glm::vec2(960, 600), glm::vec2(1, 1), degrees, 256, 128) *
                   glm::vec4(1.0f, -1.0f, 1.0f, 1.0f))
                      .z,
                  1.0f)
            << degrees;
    }
}

TEST_F(CLayer_2DImageTest, ScaleSizesTheRectangleAndANegativeFactorMirrors) {
    ASSERT_TRUE(SetParam(layer, "Texture1 = Wide"));
    ASSERT_TRUE(SetParam(layer, "Position = 960 600"));
    ASSERT_TRUE(SetParam(layer, "Scale = -1 1"));
    DrawRecord draw = DrawOnce();
    ExpectPoint(Place(draw.world, 0, 0), 1088, 664); // the left edge of the texture is now on the right
    ExpectPoint(Place(draw.world, 1, -1), 832, 536);

    device.ClearCalls();
    ASSERT_TRUE(SetParam(layer, "Texture1 = Square"));
    ASSERT_TRUE(SetParam(layer, "Scale = 2 0.5"));
    draw = DrawOnce();
    ExpectPoint(Place(draw.world, 0, 0), 860, 625);
    ExpectPoint(Place(draw.world, 1, -1), 1060, 575);
}

TEST_F(CLayer_2DImageTest, SecondTextureGoesToStageOneFirstAndTheFirstTexturesSizeWins) {
    ASSERT_TRUE(SetParam(layer, "Texture1 = Wide"));
    ASSERT_TRUE(SetParam(layer, "Texture2 = Small"));
    ASSERT_TRUE(SetParam(layer, "Position = 960 600"));
    const DrawRecord draw = DrawOnce();
    const std::vector<const RecordedCall*> binds = device.Calls("SetTexture");
    ASSERT_EQ(binds.size(), 2u);
    EXPECT_EQ(binds[0]->ints[0], 1);
    EXPECT_EQ(binds[1]->ints[0], 0);
    ExpectPoint(Place(draw.world, 0, 0), 832, 664);
    EXPECT_EQ(device.textures[0]->Width(), 256);
    EXPECT_EQ(device.textures[1]->Width(), 64);
}

TEST_F(CLayer_2DImageTest, OnlyTheSecondTextureFoundSizesByItAndLeavesStageZero) {
    ASSERT_TRUE(SetParam(layer, "Texture1 = Nothing"));
    ASSERT_TRUE(SetParam(layer, "Texture2 = Small"));
    ASSERT_TRUE(SetParam(layer, "Position = 960 600"));
    const DrawRecord draw = DrawOnce();
    ASSERT_EQ(device.CountCalls("SetTexture"), 1);
    EXPECT_EQ(device.LastCall("SetTexture")->ints[0], 1);
    ExpectPoint(Place(draw.world, 0, 0), 928, 616);
}

TEST_F(CLayer_2DImageTest, ColourAndShaderValueReachTheEffect) {
    ASSERT_TRUE(SetParam(layer, "Texture1 = Wide"));
    ASSERT_TRUE(SetParam(layer, "Colour = 1 0.5 0 0.25"));
    ASSERT_TRUE(SetParam(layer, "ShaderValue = 0.75"));
    const DrawRecord draw = DrawOnce();
    EXPECT_NEAR(draw.colour.g, 127.0f / 255.0f, 1e-6f);
    EXPECT_NEAR(draw.colour.a, 63.0f / 255.0f, 1e-6f);
    ASSERT_TRUE(device.WasSet("g_ShaderValue"));
    EXPECT_FLOAT_EQ(device.LastFloat("g_ShaderValue"), 0.75f);
    // The shader value is set before the commit that makes it count for the draw.
    const std::vector<std::string> order = Sequence({"SetValue", "CommitChanges", "DrawPrimitive"});
    ASSERT_GE(order.size(), 3u);
    EXPECT_EQ(order[order.size() - 2], "CommitChanges");
}

TEST_F(CLayer_2DImageTest, EveryPassOfTheEffectDrawsAndTheEffectIsEndedOnce) {
    device.techniquePasses["DefaultTextured"] = 2;
    ASSERT_TRUE(SetParam(layer, "Texture1 = Wide"));
    Render(layer, 0.0f, 0.0f);
    EXPECT_EQ(Sequence({"Begin", "BeginPass", "EndPass", "DrawPrimitive", "End"}),
              (std::vector<std::string>{"Begin", "BeginPass", "DrawPrimitive", "EndPass", "BeginPass", "DrawPrimitive",
                                        "End"}));
    EXPECT_EQ(state.currentPass, 1);
    EXPECT_EQ(state.currentEffect, nullptr);
}

TEST_F(CLayer_2DImageTest, AShaderNameThatFindsNothingDrawsNothingAndBeginsNoEffect) {
    ASSERT_TRUE(SetParam(layer, "Texture1 = Wide"));
    ASSERT_TRUE(SetParam(layer, "Shader = NoSuchShader"));
    Render(layer, 0.0f, 0.0f);
    EXPECT_EQ(device.CountCalls("Begin"), 0);
    EXPECT_EQ(device.CountCalls("DrawPrimitive"), 0);
    EXPECT_EQ(state.currentEffect, nullptr);
}

TEST_F(CLayer_2DImageTest, NoTextureDrawsNothingButStillEndsTheEffect) {
    ASSERT_TRUE(SetParam(layer, "Texture1 = Nothing"));
    Render(layer, 0.0f, 0.0f);
    EXPECT_EQ(device.CountCalls("Begin"), 1);
    EXPECT_EQ(device.CountCalls("DrawPrimitive"), 0);
    EXPECT_EQ(device.CountCalls("SetTexture"), 0);
    EXPECT_EQ(device.CountCalls("End"), 1);
    EXPECT_EQ(state.currentEffect, nullptr);
}

TEST_F(CLayer_2DImageTest, ResourcesThatFailedToCreateAreNeverUsed) {
    Resources().SetIgnoreErrors(true);
    ASSERT_TRUE(LoadResources("Shader Broken \"missing.fx\" Main {} Texture Gone \"missing.png\""));
    ASSERT_TRUE(SetParam(layer, "Texture1 = Gone"));
    Render(layer, 0.0f, 0.0f);
    EXPECT_EQ(device.CountCalls("SetTexture"), 0);
    EXPECT_EQ(device.CountCalls("DrawPrimitive"), 0);

    ASSERT_TRUE(SetParam(layer, "Shader = Broken"));
    device.ClearCalls();
    Render(layer, 0.0f, 0.0f);
    EXPECT_EQ(device.CountCalls("BeginPass"), 0);
    EXPECT_EQ(device.CountCalls("DrawPrimitive"), 0);
    EXPECT_EQ(state.currentEffect, nullptr);
}

TEST_F(CLayer_2DImageTest, ALayerWhoseQuadWasNeverMadeDrawsNothing) {
    CLayer_2DImage uncreated;
    ASSERT_TRUE(SetParam(uncreated, "Texture1 = Wide"));
    uncreated.Render(0.0f, 0.0f);
    EXPECT_TRUE(device.calls.empty());
}
