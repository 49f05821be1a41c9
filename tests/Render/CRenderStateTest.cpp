#include "Render/CRenderState.h"
#include "App/run/LetterboxBars.h"
#include "Testing/CRecordingDevice.h"

#include <glm/ext/matrix_clip_space.hpp>
#include <glm/ext/matrix_transform.hpp>
#include <glm/gtc/constants.hpp>

#include <gtest/gtest.h>

#include <memory>

namespace {

class RenderStateTest : public ::testing::Test {
protected:
    void SetUp() override {
        effect = device.CreateEffect(EffectDescription(), "test", errors);
        state = std::make_unique<CRenderState>(device);
    }

    // Commits in `mode` with the given aspect and returns the uploaded world-view-projection.
    glm::mat4 CommitWith(RenderMode mode, float aspect) {
        state->screen.aspect = aspect;
        CRenderState& rs = (*state);
        rs.BeginFrame();
        rs.currentEffect = effect.get();
        rs.SetMode(mode);
        rs.CommitMatrices();
        return device.LastMatrix("g_mWorldViewProjection");
    }

    // The scale the aspect correction applied on top of the mode's own matrices.
    glm::vec2 ScaleOf(RenderMode mode, float aspect) {
        glm::mat4 wvp = CommitWith(mode, aspect);
        const ModeMatrixTriple& m = (*state).Matrices(mode);
        glm::mat4 plain = m.projection * m.view * m.world;
        return glm::vec2(wvp[0][0] / plain[0][0], wvp[1][1] / plain[1][1]);
    }

    CRecordingDevice device;
    std::string errors;
    std::unique_ptr<CEffect> effect;
    std::unique_ptr<CRenderState> state;
};

void ExpectMatrixNear(const glm::mat4& a, const glm::mat4& b) {
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r)
            EXPECT_NEAR(a[c][r], b[c][r], 1e-6f) << "column " << c << " row " << r;
}

} // namespace

TEST_F(RenderStateTest, CreationSetsBlendingAndPointClampSamplingOnce) {
    EXPECT_EQ(device.CountCalls("SetAlphaBlending"), 1);
    ASSERT_EQ(device.CountCalls("SetSamplerState"), 1);
    const RecordedCall* s = device.LastCall("SetSamplerState");
    EXPECT_EQ(s->ints, (std::vector<int>{0, int(TextureAddress::Clamp), int(TextureFilter::Point)}));
    state->BeginFrame();
    EXPECT_EQ(device.CountCalls("SetAlphaBlending"), 1);
}

TEST_F(RenderStateTest, TwoDimensionalCanvasMapsCornersToClipCorners) {
    glm::mat4 wvp = CommitWith(RenderMode::Mode2D, 1.6f);
    glm::vec4 bottomLeft = wvp * glm::vec4(0, 0, 5, 1);
    glm::vec4 topRight = wvp * glm::vec4(1920, 1200, 5, 1);
    EXPECT_NEAR(bottomLeft.x, -1, 1e-5);
    EXPECT_NEAR(bottomLeft.y, -1, 1e-5);
    EXPECT_NEAR(topRight.x, 1, 1e-5);
    EXPECT_NEAR(topRight.y, 1, 1e-5);
    // Depth runs 0..1 between the near plane 1 and the far plane 10.
    EXPECT_NEAR((wvp * glm::vec4(0, 0, 1, 1)).z, 0, 1e-6);
    EXPECT_NEAR((wvp * glm::vec4(0, 0, 10, 1)).z, 1, 1e-6);
}

TEST_F(RenderStateTest, PerspectiveHasTheClassicLeftHandedNumbers) {
    (*state).BeginFrame();
    const glm::mat4& p = (*state).Matrices(RenderMode::Mode3D).projection;
    const float yScale = 1.0f / std::tan(glm::pi<float>() / 8);
    EXPECT_NEAR(p[1][1], yScale, 1e-5);
    EXPECT_NEAR(p[0][0], yScale / 1.6f, 1e-5);
    EXPECT_NEAR(p[2][2], 1000.0f / (1000.0f - 0.1f), 1e-6);
    EXPECT_NEAR(p[2][3], 1.0f, 0);
    EXPECT_NEAR(p[3][2], -0.1f * 1000.0f / (1000.0f - 0.1f), 1e-6);
    EXPECT_EQ(p[3][3], 0.0f);
}

TEST_F(RenderStateTest, AspectCorrectionPerModeAndAspect) {
    struct Case {
        float aspect;
        RenderMode mode;
        float sx, sy;
    } cases[] = {
        {1.6f, RenderMode::Mode2D, 1, 1},
        {1.6f, RenderMode::Mode3D, 1, 1},
        {4.0f / 3, RenderMode::Mode2D, 1, 0.8333333f},
        {4.0f / 3, RenderMode::Mode3D, 0.8333333f, 0.8333333f},
        {16.0f / 9, RenderMode::Mode2D, 0.9f, 1},
        {16.0f / 9, RenderMode::Mode3D, 1, 1},
    };
    for (const Case& c : cases) {
        glm::vec2 s = ScaleOf(c.mode, c.aspect);
        EXPECT_NEAR(s.x, c.sx, 1e-5) << "aspect " << c.aspect << " mode " << int(c.mode);
        EXPECT_NEAR(s.y, c.sy, 1e-5) << "aspect " << c.aspect << " mode " << int(c.mode);
    }
}

TEST_F(RenderStateTest, NoAspectCorrectionWhileARenderTargetIsBound) {
    state->renderTargetBound = true;
    for (RenderMode mode : {RenderMode::Mode2D, RenderMode::Mode3D}) {
        for (float aspect : {4.0f / 3, 16.0f / 9}) {
            glm::vec2 s = ScaleOf(mode, aspect);
            EXPECT_NEAR(s.x, 1, 1e-6);
            EXPECT_NEAR(s.y, 1, 1e-6);
        }
    }
    state->renderTargetBound = false;
}

TEST_F(RenderStateTest, WorldViewProjectionAppliesWorldFirst) {
    state->screen.aspect = 1.6f;
    CRenderState& rs = (*state);
    rs.BeginFrame();
    rs.currentEffect = effect.get();
    rs.SetMode(RenderMode::Mode3D);
    ModeMatrixTriple& m = rs.Matrices(RenderMode::Mode3D);
    m.world = glm::translate(glm::mat4(1.0f), glm::vec3(0, 0, 10));
    m.view = glm::rotate(glm::mat4(1.0f), 0.3f, glm::vec3(0, 1, 0));
    rs.CommitMatrices();
    ExpectMatrixNear(device.LastMatrix("g_mWorldViewProjection"), m.projection * m.view * m.world);
    ExpectMatrixNear(device.LastMatrix("g_mWorld"), m.world);
    EXPECT_EQ(device.LastCall("CommitChanges")->effect, effect.get());
}

TEST_F(RenderStateTest, SetModeAppliesStatesOncePerChangeAndAgainAfterBeginFrame) {
    CRenderState& rs = (*state);
    rs.BeginFrame();
    device.ClearCalls();
    rs.SetMode(RenderMode::Mode3D);
    rs.SetMode(RenderMode::Mode3D);
    EXPECT_EQ(device.CountCalls("SetLighting"), 1);
    EXPECT_EQ(device.LastCall("SetCullMode")->ints[0], int(CullMode::CounterClockwise));
    EXPECT_EQ(device.LastCall("SetDepthTest")->ints[0], 1);
    EXPECT_EQ(device.CountCalls("SetDepthWrite"), 1);

    rs.SetMode(RenderMode::Mode2D);
    EXPECT_EQ(device.LastCall("SetLighting")->ints[0], 0);
    EXPECT_EQ(device.LastCall("SetCullMode")->ints[0], int(CullMode::None));
    EXPECT_EQ(device.LastCall("SetDepthTest")->ints[0], 0);
    EXPECT_EQ(device.CountCalls("SetDepthWrite"), 1) << "2D mode leaves depth writing as it was";

    // The next frame starts in no mode, so the same mode applies its states again.
    rs.BeginFrame();
    EXPECT_EQ(rs.mode, RenderMode::None);
    rs.SetMode(RenderMode::Mode2D);
    EXPECT_EQ(device.CountCalls("SetLighting"), 3);
}

TEST_F(RenderStateTest, BeginFrameStartsTheSceneResetsAmbientAndForgetsTheEffect) {
    CRenderState& rs = (*state);
    rs.currentEffect = effect.get();
    glm::vec4 colour(1, 0, 0, 1);
    rs.currentColour = &colour;
    device.ClearCalls();
    rs.BeginFrame();
    EXPECT_EQ(device.CountCalls("BeginScene"), 1);
    ASSERT_EQ(device.CountCalls("SetAmbient"), 1);
    EXPECT_EQ(device.LastCall("SetAmbient")->colour, 0u);
    EXPECT_EQ(rs.currentEffect, nullptr);
    EXPECT_EQ(rs.currentColour, &colour) << "the layer manager, not the frame, clears the colour";
    rs.CommitMatrices();
    EXPECT_EQ(device.CountCalls("SetMatrix"), 0);
    EXPECT_EQ(device.CountCalls("CommitChanges"), 0);
}

TEST_F(RenderStateTest, ColourUploadsAsEightBitValues) {
    CRenderState& rs = (*state);
    rs.BeginFrame();
    rs.currentEffect = effect.get();
    rs.SetMode(RenderMode::Mode2D);
    rs.CommitMatrices();
    EXPECT_FALSE(device.WasSet("g_MaterialDiffuseColor")) << "no colour, no upload";

    glm::vec4 colour(1.0f, 0.5f, 0.0f, 1.0f);
    rs.currentColour = &colour;
    rs.CommitMatrices();
    glm::vec4 diffuse = device.LastVec4("g_MaterialDiffuseColor");
    EXPECT_EQ(diffuse.r, 1.0f);
    EXPECT_EQ(diffuse.g, 127.0f / 255.0f);
    EXPECT_EQ(diffuse.b, 0.0f);
    EXPECT_EQ(diffuse.a, 1.0f);
    EXPECT_EQ(device.LastVec4("g_MaterialAmbientColor"), diffuse);
    EXPECT_EQ(device.LastCall("SetValue")->ints[0], 16);
}

TEST(PackColour, TruncatesAndWrapsEachChannel) {
    EXPECT_EQ(PackColour(1, 1, 1, 1), 0xFFFFFFFFu);
    EXPECT_EQ(PackColour(0.5f, 0.25f, 0.0f, 1.0f), 0xFF7F3F00u);
    EXPECT_EQ(PackColour(1.5f, 0, 0, 1), 0xFF7E0000u) << "382 mod 256 = 126";
    EXPECT_EQ(PackColour(0, 0, 0, 2), 0xFE000000u);
    // The product is taken in double: in float, 257/255 * 255 rounds up to 257 and packs as 1.
    EXPECT_EQ(PackColour(257.0f / 255.0f, 0, 0, 1), 0xFF000000u);
    EXPECT_EQ(UnpackColour(0xFF7F3F00u), glm::vec4(127.0f / 255, 63.0f / 255, 0, 1));
}

TEST(PackColour, OutOfRangeComponentsGiveDefinedBytes) {
    EXPECT_EQ(PackColour(-1.0f / 255, 0, 0, 0), 0x00FF0000u);
    EXPECT_EQ(PackColour(1e30f, 0, 0, 1), 0xFF000000u) << "a huge multiple of 256 wraps to 0";
    EXPECT_EQ(PackColour(std::nanf(""), 0, 0, 1), 0xFF000000u);
    EXPECT_EQ(PackColour(INFINITY, 0, 0, 1), 0xFF000000u);
}

TEST(LetterboxBars, FourByThreeHasBarsAboveAndBelowOfOneTwelfth) {
    LetterboxVertex v[LetterboxVertexCount];
    BuildLetterboxBars(4.0f / 3, 1024, 768, v);
    const float edge = 1.0f - 1.0f / 6;
    const float expectX[] = {-2, -2, 2, 2, -2, 2, -2, -2, 2, 2, -2, 2};
    const float expectY[] = {2, edge, 2, edge, edge, 2, -2, -edge, -2, -edge, -edge, -2};
    for (int i = 0; i < LetterboxVertexCount; ++i) {
        EXPECT_EQ(v[i].x, expectX[i]) << i;
        EXPECT_NEAR(v[i].y, expectY[i], 1e-6) << i;
        EXPECT_EQ(v[i].z, 0.0f);
        EXPECT_EQ(v[i].colour, 0xFF000000u);
    }
}

TEST(LetterboxBars, SixteenByNineHasBarsLeftAndRightOfFivePercent) {
    LetterboxVertex v[LetterboxVertexCount];
    BuildLetterboxBars(16.0f / 9, 1920, 1080, v);
    const float expectX[] = {2, 0.9f, 2, 0.9f, 0.9f, 2, -2, -0.9f, -2, -0.9f, -0.9f, -2};
    const float expectY[] = {-2, -2, 2, 2, -2, 2, -2, -2, 2, 2, -2, 2};
    for (int i = 0; i < LetterboxVertexCount; ++i) {
        EXPECT_NEAR(v[i].x, expectX[i], 1e-6) << i;
        EXPECT_EQ(v[i].y, expectY[i]) << i;
    }
}

TEST(LetterboxBars, OrientationFollowsTheAspectAndSizeStaysPositive) {
    LetterboxVertex v[LetterboxVertexCount];
    BuildLetterboxBars(1.6f, 1920, 1200, v);
    EXPECT_NEAR(v[1].y, 1.0f, 1e-6) << "no bar at 1.6";
    // A 4:3 choice on a wide screen still puts the bars above and below, |1 - 1920 / (1.6 * 1080)|.
    BuildLetterboxBars(4.0f / 3, 1920, 1080, v);
    EXPECT_EQ(v[0].x, -2.0f);
    EXPECT_NEAR(v[1].y, 1.0f - (1920.0 / (1.6 * 1080) - 1.0), 1e-5);
    BuildLetterboxBars(16.0f / 9, 0, 0, v);
    EXPECT_TRUE(std::isfinite(v[1].x));
}

TEST(LetterboxBars, DrawIsAFourTriangleListInTwoDimensionalModeWithoutCulling) {
    CRecordingDevice device;
    CRenderState state(device);
    auto bars = CreateLetterboxBars(device, 4.0f / 3, 1024, 768);
    ASSERT_TRUE(bars);
    auto* recorded = static_cast<CRecordingVertexBuffer*>(bars.get());
    EXPECT_EQ(recorded->data.size(), 192u);
    EXPECT_EQ(recorded->unlockCount, 1);
    state.BeginFrame();
    device.ClearCalls();
    DrawLetterboxBars(state, bars.get());
    EXPECT_EQ(device.LastCall("SetVertexFormat")->ints[0], int(VertexPosition | VertexDiffuse));
    EXPECT_EQ(device.LastCall("SetStreamSource")->ints, (std::vector<int>{0, 16}));
    EXPECT_EQ(device.LastCall("SetCullMode")->ints[0], int(CullMode::None));
    EXPECT_EQ(device.LastCall("DrawPrimitive")->ints, (std::vector<int>{int(PrimitiveType::TriangleList), 0, 4}));
    EXPECT_EQ(device.CallNames().back(), "DrawPrimitive");
    EXPECT_EQ(state.mode, RenderMode::Mode2D);
}

TEST(CRecordingDevice, EffectsReportConfiguredPassesAndCreationCanFail) {
    CRecordingDevice device;
    device.techniquePasses["Two"] = 2;
    device.missingTechniques = {"Gone"};
    std::string errors;
    EffectDescription text;
    text.common.push_back(EffectSection{"", "shared\n", 1});
    text.fragmentShaders.push_back(EffectSection{"FS", "fragment\n", 3});
    auto effect = device.CreateEffect(text, "a.fx", errors);
    ASSERT_TRUE(effect);
    EXPECT_EQ(device.effectSources.back(), "shared\nfragment\n");
    EXPECT_TRUE(effect->SetTechnique("One"));
    EXPECT_EQ(effect->Begin(), 1);
    EXPECT_TRUE(effect->SetTechnique("Two"));
    EXPECT_EQ(effect->Begin(), 2);
    EXPECT_FALSE(effect->SetTechnique("Gone"));
    EXPECT_EQ(effect->Begin(), 0);
    const float v = 0.25f;
    effect->SetValue("g_ShaderValue", &v, sizeof(v));
    EXPECT_EQ(device.LastFloat("g_ShaderValue"), 0.25f);
    EXPECT_EQ(device.LastCall("SetValue")->effect, effect.get());

    device.failCreateEffect = true;
    EXPECT_FALSE(device.CreateEffect(text, "b.fx", errors));
    EXPECT_EQ(errors, device.createEffectErrors);
    EXPECT_EQ(device.CountCalls("CreateEffect"), 2);
}
