// The free camera against the orbit camera layer it stands in for: the same view where it starts,
// and a keyframe line that, pasted into a script, gives the orbit layer the free camera's view.
#include "App/authoring/CFreeCamera.h"
#include "Layers/CLayer_3DCameraOrbit.h"
#include "Layers/Layers3DSupport.h"
#include "Scenes/CSceneManager.h"

#include <glm/ext/matrix_clip_space.hpp>
#include <glm/geometric.hpp>

#include <cmath>

namespace {

void ExpectNear(const glm::mat4& a, const glm::mat4& b, float tolerance = 1e-4f) {
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r)
            EXPECT_NEAR(a[c][r], b[c][r], tolerance) << "column " << c << " row " << r;
}

void ExpectNear(const glm::vec3& a, const glm::vec3& b, float tolerance = 1e-4f) {
    EXPECT_NEAR(a.x, b.x, tolerance);
    EXPECT_NEAR(a.y, b.y, tolerance);
    EXPECT_NEAR(a.z, b.z, tolerance);
}

class FreeCameraTest : public Layers3DTest {
protected:
    const glm::mat4& LayerView() { return state.Matrices(RenderMode::Mode3D).view; }
    const glm::mat4& LayerProjection() { return state.Matrices(RenderMode::Mode3D).projection; }
};

} // namespace

TEST_F(FreeCameraTest, StartsWithTheOrbitLayersViewAndProjectionWithAndWithoutRotation) {
    state.screen.width = 1920;
    state.screen.height = 1200;
    for (const char* rotation : {"0", "37.5", "-120"}) {
        CLayer_3DCameraOrbit orbit;
        SetParam(orbit, "From", "40 120 -300");
        SetParam(orbit, "To", "10 20 30");
        SetParam(orbit, "Up", "0.2 1 0");
        SetParam(orbit, "Rotation", rotation);
        SetParam(orbit, "Fov", "60");
        SetParam(orbit, "MaxZ", "9000");
        RunLayer(orbit, 0.0f);

        CFreeCamera camera;
        camera.StartFromOrbit(glm::vec3(40, 120, -300), glm::vec3(10, 20, 30), glm::vec3(0.2f, 1, 0),
                              std::stof(rotation));
        SCOPED_TRACE(rotation);
        ExpectNear(camera.View(), LayerView());
        ExpectNear(camera.Projection(60.0f, 1920.0f / 1200.0f, 9000.0f), LayerProjection());
        // And the way back gives the layer's own values.
        glm::vec3 from, to;
        camera.ToOrbit(std::stof(rotation), from, to);
        ExpectNear(from, glm::vec3(40, 120, -300), 1e-3f);
        ExpectNear(to, glm::vec3(10, 20, 30), 1e-3f);
    }
}

TEST(FreeCamera, FliesAlongItsOwnAxesAndLooksWithTheMouseWithoutTurningOver) {
    CFreeCamera camera;
    camera.Start(glm::vec3(0, 0, 0), glm::vec3(0, 0, 100), glm::vec3(0, 1, 0));
    EXPECT_FLOAT_EQ(camera.Speed(), 50.0f) << "half the distance to the target per second";
    CFreeCamera::Input input;
    input.forward = true;
    camera.Update(input, 1.0f);
    ExpectNear(camera.Eye(), glm::vec3(0, 0, 50));
    input = {};
    input.right = true; // left-handed: +x is to the right when looking along +z
    input.fast = true;
    camera.Update(input, 0.5f);
    ExpectNear(camera.Eye(), glm::vec3(125, 0, 50));
    input = {};
    input.up = true;
    input.left = true;
    camera.Update(input, 1.0f);
    const float side = 50.0f / std::sqrt(2.0f);
    ExpectNear(camera.Eye(), glm::vec3(125 - side, side, 50));

    // Mouse right turns right, mouse down looks down; the target keeps its distance.
    CFreeCamera look;
    look.Start(glm::vec3(0, 0, 0), glm::vec3(0, 0, 10), glm::vec3(0, 1, 0));
    CFreeCamera::Input turn;
    turn.lookX = 3.1415927f / 2.0f / CFreeCamera::RadiansPerPixel;
    look.Update(turn, 0.0f);
    ExpectNear(look.Target(), glm::vec3(10, 0, 0));
    turn = {};
    turn.lookY = 100000.0f; // far past straight down
    look.Update(turn, 0.0f);
    const glm::vec3 sight = glm::normalize(look.Target() - look.Eye());
    EXPECT_LT(sight.y, -0.999f);
    EXPECT_GT(sight.y, -1.0f) << "stops short of straight down, where left and right are lost";
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r)
            EXPECT_TRUE(std::isfinite(look.View()[c][r]));
}

TEST(FreeCamera, KeyframeLineHasThreeDecimalsAndQuotesNamesThatAreNotWords) {
    EXPECT_EQ(CFreeCamera::OrbitKeyframeLine("Cam", BarBeatTick{2, 1, 48}, glm::vec3(1.23456f, -0.0001f, -300),
                                             glm::vec3(0, 1e5f, 0.5f)),
              "2:1:48 { Cam From linear 1.235 0.000 -300.000 Cam To linear 0.000 100000.000 0.500 }");
    EXPECT_EQ(CFreeCamera::OrbitKeyframeLine("Main camera", BarBeatTick{}, glm::vec3(NAN), glm::vec3(0)),
              "0:0:0 { \"Main camera\" From linear 0.000 0.000 0.000 \"Main camera\" To linear 0.000 0.000 "
              "0.000 }");
    EXPECT_EQ(CFreeCamera::OrbitKeyframeLine("2nd", BarBeatTick{}, glm::vec3(0), glm::vec3(0)).substr(0, 13),
              "0:0:0 { \"2nd\"");
}

TEST_F(FreeCameraTest, APastedKeyframeLineGivesTheOrbitLayerTheFreeCamerasViewAtItsTime) {
    // A scene that starts at bar 4 at 128 bpm, with a turned orbit camera and a tilted up.
    const CMusicalTime tempo(128.0f, 4, 96);
    const double sceneStart = tempo.BarStart(4);

    CFreeCamera camera;
    camera.StartFromOrbit(glm::vec3(0, 50, -300), glm::vec3(0, 0, 0), glm::vec3(0.1f, 1, 0), 25.0f);
    CFreeCamera::Input input;
    input.forward = input.left = input.up = true;
    input.lookX = 140.0f;
    input.lookY = -60.0f;
    camera.Update(input, 0.8f);

    // Pressed 2:1:48 into the scene, a little after the tick.
    const double now = sceneStart + tempo.SecondsOf(BarBeatTick{2, 1, 48}) + 0.001;
    const std::string line = camera.OrbitKeyframeLine("Cam", 25.0f, now - sceneStart, tempo);
    ASSERT_EQ(line.substr(0, 8), "2:1:48 {");

    // Pasted twice (two keyframes, so that the value takes effect) into the scene's keyframes.
    ASSERT_TRUE(LoadScript("system { Bpm = 128 }\n"
                           "scene Shot 4:0:0 40:0:0 { layers { Cam 3DCameraOrbit { From = 0 50 -300 To = 0 0 0 "
                           "Up = 0.1 1 0 Rotation = 25 } }\n keyframes { " +
                           line + "\n" + line + " } }\nend\n"))
        << line;
    Scene* scene = Model().scenes.FindScene("Shot");
    ASSERT_TRUE(scene);
    CLayer* orbit = scene->layers.FindLayer("Cam");
    ASSERT_TRUE(orbit);
    RunLayer(*orbit, static_cast<float>(tempo.SecondsOf(BarBeatTick{2, 1, 48})));
    // Three decimals at some 300 units from the origin: a thousandth of a unit in the translation.
    ExpectNear(LayerView(), camera.View(), 2e-3f);
}
