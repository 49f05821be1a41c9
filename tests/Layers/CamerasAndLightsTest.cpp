#include "Layers/CLayer_3DCameraOrbit.h"
#include "Layers/CLayer_3DDebugCamera.h"
#include "Layers/CLayer_3DGlobalAmbient.h"
#include "Layers/CLayer_3DModel.h"
#include "Layers/CLayer_3DSimpleLightRig.h"
#include "Layers/CLayer_Tunnel.h"
#include "Layers/CLayer_Wire.h"
#include "Layers/Layers3DSupport.h"

#include <cmath>
#include <memory>
#include <vector>

namespace {

using Names = std::vector<std::string>;

Names ParamNames(const CLayer &layer) {
    Names names;
    for (const ParamEntry &e : layer.params.GetEntries())
        names.push_back(e.name);
    return names;
}

// The left-handed perspective of the classic helper, row-major: x and y scale from the vertical
// field of view, depth 0 at the near plane and 1 at the far plane, w = z.
void Perspective(float fovY, float aspect, float zn, float zf, float (&m)[16]) {
    const float yScale = 1.0f / std::tan(fovY / 2.0f);
    const float q = zf / (zf - zn);
    const float values[16] = {yScale / aspect, 0, 0, 0, 0, yScale, 0, 0, 0, 0, q, 1, 0, 0, -zn * q, 0};
    std::copy(values, values + 16, m);
}

class CameraTest : public Layers3DTest {
protected:
    const glm::mat4 &View() { return state.Matrices(RenderMode::Mode3D).view; }
    const glm::mat4 &Projection() { return state.Matrices(RenderMode::Mode3D).projection; }
    CLayer_3DCameraOrbit camera;
};

} // namespace

TEST(Layers3DParams, EveryTypeListsItsParametersAfterTheCommonOnesInScriptOrder) {
    const Names common = {"Active", "RenderTarget"};
    auto with = [&](Names own) {
        Names all = common;
        all.insert(all.end(), own.begin(), own.end());
        return all;
    };
    EXPECT_EQ(ParamNames(CLayer_3DCameraOrbit()), with({"MaxZ", "From", "To", "Up", "Rotation", "Fov"}));
    EXPECT_EQ(ParamNames(CLayer_3DDebugCamera()), with({"Fov", "Model"}));
    EXPECT_EQ(ParamNames(CLayer_3DGlobalAmbient()), with({"Colour"}));
    EXPECT_EQ(ParamNames(CLayer_3DSimpleLightRig()), with({"Position", "Ambient", "Diffuse", "Specular", "Range"}));
    EXPECT_EQ(ParamNames(CLayer_3DModel()), with({"Shader", "Model", "Position", "Scale", "Rotation", "EnableCameras",
                                                  "EnableLights", "EnableGeometry", "CameraID"}));
    EXPECT_EQ(ParamNames(CLayer_Tunnel()),
              with({"Brightness", "Shader", "Model1", "Position", "Rotation", "Spacing", "Scale"}));
    EXPECT_EQ(ParamNames(CLayer_Wire()), with({"Shader", "Texture", "Distance", "Rotation", "Spin", "Thickness1",
                                               "Thickness2", "Position", "Scale"}));
}

TEST_F(CameraTest, DefaultsLookAlongPositiveZWithAFortyFiveDegreeLensAndFarPlaneAt50000) {
    RunLayer(camera, 0.0f);
    EXPECT_EQ(state.mode, RenderMode::Mode3D);
    const float identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    ExpectMatrixNear(View(), identity);
    float projection[16];
    Perspective(3.1415927f / 4.0f, 1024.0f / 768.0f, 0.1f, 50000.0f, projection);
    ExpectMatrixNear(Projection(), projection);
    // A point on the far plane straight ahead lands at depth 1, one on the near plane at depth 0.
    EXPECT_NEAR(Transform(Projection(), glm::vec3(0, 0, 50000)).z, 1.0f, 1e-5f);
    EXPECT_NEAR(Transform(Projection(), glm::vec3(0, 0, 0.1f)).z, 0.0f, 1e-5f);
}

TEST_F(CameraTest, AspectComesFromTheScreenResolutionAndFovAndMaxZFromTheParameters) {
    state.screen.width = 1280;
    state.screen.height = 1024;
    SetParam(camera, "Fov", "60");
    SetParam(camera, "MaxZ", "1000");
    RunLayer(camera, 0.0f);
    float projection[16];
    Perspective(60.0f * 3.1415927f / 180.0f, 1.25f, 0.1f, 1000.0f, projection);
    ExpectMatrixNear(Projection(), projection);
    EXPECT_NEAR(Projection()[1][1] / Projection()[0][0], 1.25f, 1e-6f);
}

TEST_F(CameraTest, RotationTurnsTheSceneAboutYBeforeTheLookAt) {
    // Rotation 90 with the default eye: what lay on the eye's left is now straight ahead.
    SetParam(camera, "Rotation", "90");
    RunLayer(camera, 0.0f);
    const float turned[16] = {0, 0, -1, 0, 0, 1, 0, 0, 1, 0, 0, 0, 0, 0, 0, 1};
    ExpectMatrixNear(View(), turned);
    const glm::vec3 left = Transform(View(), glm::vec3(-100, 0, 0));
    EXPECT_NEAR(left.x, 0.0f, 1e-4f);
    EXPECT_NEAR(left.z, 100.0f, 1e-4f);

    // Eye on +x looking at the origin, an up that is not unit length: turn first, then look.
    SetParam(camera, "From", "10 0 0");
    SetParam(camera, "To", "0 0 0");
    SetParam(camera, "Up", "0 2 0");
    RunLayer(camera, 0.0f);
    const float orbit[16] = {-1, 0, 0, 0, 0, 1, 0, 0, 0, 0, -1, 0, 0, 0, 10, 1};
    ExpectMatrixNear(View(), orbit);
}

TEST_F(CameraTest, DegenerateFramesKeepTheLastUsableMatricesInsteadOfNaN) {
    // A zero-length up on the very first frame falls back to +y.
    SetParam(camera, "Up", "0 0 0");
    RunLayer(camera, 0.0f);
    ASSERT_TRUE(AllFinite(View()));
    const float identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    ExpectMatrixNear(View(), identity);

    // A usable frame, then a zero up: the view stays what it was.
    SetParam(camera, "Up", "1 0 0");
    SetParam(camera, "From", "0 0 -50");
    RunLayer(camera, 0.0f);
    const glm::mat4 good = View();
    SetParam(camera, "Up", "0 0 0");
    RunLayer(camera, 0.0f);
    EXPECT_EQ(View(), good);

    // The eye on its target, and an up along the line of sight, have no view either.
    SetParam(camera, "From", "0 0 100");
    RunLayer(camera, 0.0f);
    EXPECT_EQ(View(), good);
    SetParam(camera, "From", "0 0 -50");
    SetParam(camera, "Up", "0 0 3");
    RunLayer(camera, 0.0f);
    EXPECT_EQ(View(), good);

    // A zero field of view or a far plane on the near plane keep the last projection.
    const glm::mat4 lens = Projection();
    SetParam(camera, "Fov", "0");
    RunLayer(camera, 0.0f);
    EXPECT_EQ(Projection(), lens);
    SetParam(camera, "Fov", "45");
    SetParam(camera, "MaxZ", "0.1");
    RunLayer(camera, 0.0f);
    EXPECT_EQ(Projection(), lens);
}

TEST_F(CameraTest, DebugCameraChangesNothing) {
    CLayer_3DDebugCamera debug;
    SetParam(debug, "Model", "Anything");
    state.BeginFrame();
    const ModeMatrixTriple before = state.Matrices(RenderMode::Mode3D);
    device.ClearCalls();
    debug.Render(1.0f, 0.0f);
    EXPECT_TRUE(device.calls.empty());
    EXPECT_EQ(state.Matrices(RenderMode::Mode3D).view, before.view);
    EXPECT_EQ(state.Matrices(RenderMode::Mode3D).projection, before.projection);
}

TEST_F(Layers3DTest, GlobalAmbientPacksItsColourWithWrappingAndLeavesTheModeAlone) {
    CLayer_3DGlobalAmbient ambient;
    SetParam(ambient, "Colour", "0.5 0.25 1 1");
    RunLayer(ambient, 0.0f);
    ASSERT_EQ(Count("SetAmbient"), 1);
    EXPECT_EQ(device.LastCall("SetAmbient")->colour, 0xFF7F3FFFu);
    EXPECT_EQ(state.mode, RenderMode::None);

    // 1.5 x 255 = 382.5, truncated 382, low 8 bits 126.
    SetParam(ambient, "Colour", "1.5 0.25 1 1");
    RunLayer(ambient, 0.0f);
    EXPECT_EQ(device.LastCall("SetAmbient")->colour, 0xFF7E3FFFu);
}

TEST_F(Layers3DTest, LightRigSetsAndEnablesAPointLightFromItsParameters) {
    CLayer_3DSimpleLightRig rig;
    SetParam(rig, "Position", "1 2 3");
    SetParam(rig, "Ambient", "0.1 0.2 0.3 0.4");
    SetParam(rig, "Diffuse", "0.5 0.6 0.7 0.8");
    SetParam(rig, "Range", "250");
    RunLayer(rig, 0.0f);
    ASSERT_EQ(Count("SetLight0"), 1);
    const RecordedCall *light = device.LastCall("SetLight0");
    EXPECT_EQ(light->ints, std::vector<int>{1});
    // Position, diffuse, specular (default white), ambient, range.
    const std::vector<float> expected = {1, 2, 3, 0.5f, 0.6f, 0.7f, 0.8f, 1, 1, 1, 1, 0.1f, 0.2f, 0.3f, 0.4f, 250};
    EXPECT_EQ(light->floats, expected);
    EXPECT_EQ(state.mode, RenderMode::None);
}
