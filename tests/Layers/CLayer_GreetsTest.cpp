#include "Layers/CLayer_Greets.h"
#include "Layers/Layers2DTestSupport.h"

#include "Params/CParamString.h"
#include "Testing/CRecordingDevice.h"

#include <cmath>
#include <cstring>

namespace {

using Panels = QuadVertex[GreetsPanelCount * 4];

class CLayer_GreetsTest : public LayerDrawingTest {
protected:
    void SetUp() override {
        LayerDrawingTest::SetUp();
        atlas = WriteTestImage("atlas", 64, 128);
    }

    std::string atlas;
    CLayer_Greets layer;
};

} // namespace

TEST(CLayer_Greets, RegistersItsParametersInOrder) {
    CLayer_Greets layer;
    std::vector<std::string> names;
    for (const ParamEntry& entry : layer.params.GetEntries())
        names.push_back(entry.name);
    EXPECT_EQ(names, (std::vector<std::string>{"Active", "RenderTarget", "Shader", "Texture", "Position", "Scale"}));
    EXPECT_EQ(layer.shader->GetValue(0.0f), "DefaultTextured");
}

TEST(CLayer_Greets, PanelsComeFromTheFixedSeed) {
    Panels v;
    CLayer_Greets::BuildPanels(v);
    EXPECT_NEAR(v[0].x, 115.513f, 1e-3f);
    EXPECT_NEAR(v[0].y, -138.046f, 1e-3f);
    EXPECT_NEAR(v[0].z, -44.714f, 1e-3f);
    EXPECT_NEAR(v[2].z, -144.714f, 1e-3f);
    // Panel 0 shows the atlas's top-left cell: u along the axis, v around the cylinder.
    EXPECT_EQ(v[0].u, 0.0f);
    EXPECT_EQ(v[0].v, 0.25f);
    EXPECT_EQ(v[1].v, 0.0f);
    EXPECT_EQ(v[2].u, 0.5f);
    // Panel 7 shows column 1, row 3.
    EXPECT_EQ(v[28].u, 0.5f);
    EXPECT_EQ(v[28].v, 1.0f);
    EXPECT_EQ(v[29].v, 0.75f);
    EXPECT_EQ(v[30].u, 1.0f);

    Panels again;
    CLayer_Greets::BuildPanels(again);
    EXPECT_EQ(std::memcmp(v, again, sizeof(v)), 0);
}

TEST(CLayer_Greets, EveryPanelLiesOnTheCylinderOnThePositiveXSide) {
    Panels v;
    CLayer_Greets::BuildPanels(v);
    for (int k = 0; k < GreetsPanelCount; ++k) {
        const QuadVertex* p = &v[4 * k];
        for (int i = 0; i < 4; ++i) {
            EXPECT_NEAR(std::hypot(p[i].x, p[i].y), 180.0f, 1e-3f) << "panel " << k;
            EXPECT_GT(p[i].x, 0.0f) << "panel " << k;
        }
        EXPECT_FLOAT_EQ(p[0].z - p[3].z, 100.0f);
        EXPECT_GE(p[0].z, -450.0f);
        EXPECT_LE(p[0].z, 550.0f);
        // Each panel is 0.4 radians wide.
        const float a0 = std::atan2(p[1].x, p[1].y), a1 = std::atan2(p[0].x, p[0].y);
        EXPECT_NEAR(a1 - a0, 0.4f, 1e-4f) << "panel " << k;
    }
}

TEST_F(CLayer_GreetsTest, DrawsEightFansWithTheAtlasInThreeDimensions) {
    ASSERT_TRUE(LoadResources("Texture Greet001 \"" + atlas + "\""));
    ASSERT_TRUE(Create(layer));
    const auto* buffer = static_cast<const CRecordingVertexBuffer*>(device.LastCall("CreateVertexBuffer")->object);
    ASSERT_EQ(buffer->data.size(), 640u);
    Panels expected;
    CLayer_Greets::BuildPanels(expected);
    EXPECT_EQ(std::memcmp(buffer->data.data(), expected, sizeof(expected)), 0);

    device.ClearCalls();
    ASSERT_TRUE(SetParam(layer, "Texture = Anything"));
    Render(layer, 0.0f, 0.0f);
    const std::vector<DrawRecord> draws = Draws(device);
    ASSERT_EQ(draws.size(), 8u);
    for (int k = 0; k < 8; ++k) {
        EXPECT_EQ(draws[k].startVertex, 4 * k);
        EXPECT_EQ(draws[k].primitives, 2);
        EXPECT_EQ(draws[k].type, static_cast<int>(PrimitiveType::TriangleFan));
        EXPECT_EQ(draws[k].colour, glm::vec4(1.0f));
        EXPECT_EQ(draws[k].world, glm::mat4(1.0f));
    }
    ASSERT_EQ(device.CountCalls("SetTexture"), 1);
    EXPECT_EQ(device.LastCall("SetTexture")->ints[0], 0);
    EXPECT_EQ(device.textures[0]->Width(), 64);
    EXPECT_EQ(state.mode, RenderMode::Mode3D);
    EXPECT_EQ(state.currentEffect, nullptr);
    EXPECT_EQ(device.CountCalls("End"), 1);
}

TEST_F(CLayer_GreetsTest, PositionSlidesAlongZAndScaleWidensTheCylinder) {
    ASSERT_TRUE(LoadResources(""));
    ASSERT_TRUE(Create(layer));
    ASSERT_TRUE(SetParam(layer, "Position = 100"));
    ASSERT_TRUE(SetParam(layer, "Scale = 2 2 1"));
    Render(layer, 0.0f, 0.0f);
    Panels v;
    CLayer_Greets::BuildPanels(v);
    const glm::vec4 moved = device.LastMatrix("g_mWorld") * glm::vec4(v[0].x, v[0].y, v[0].z, 1.0f);
    EXPECT_NEAR(std::hypot(moved.x, moved.y), 360.0f, 1e-2f);
    EXPECT_NEAR(moved.z, v[0].z + 100.0f, 1e-3f);
    // Without a Greet001 texture the panels keep whatever stage 0 holds.
    EXPECT_EQ(device.CountCalls("SetTexture"), 0);
    EXPECT_EQ(device.CountCalls("DrawPrimitive"), 8);
}

TEST_F(CLayer_GreetsTest, AMissingShaderDrawsNothing) {
    ASSERT_TRUE(LoadResources(""));
    ASSERT_TRUE(Create(layer));
    ASSERT_TRUE(SetParam(layer, "Shader = Nothing"));
    Render(layer, 0.0f, 0.0f);
    EXPECT_EQ(device.CountCalls("Begin"), 0);
    EXPECT_EQ(device.CountCalls("DrawPrimitive"), 0);
    EXPECT_EQ(state.currentEffect, nullptr);
}
