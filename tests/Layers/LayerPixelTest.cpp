#include "Layers/CLayer_3DCameraOrbit.h"
#include "Layers/CLayer_3DGlobalAmbient.h"
#include "Layers/CLayer_3DModel.h"
#include "Layers/CLayer_3DSimpleLightRig.h"
#include "Layers/CLayer_Wire.h"
#include "Layers/Layers3DSupport.h"
#include "Platform/CGraphicsDevice.h"
#include "Platform/Platform.h"

#include <cstdlib>
#include <memory>

namespace {

struct Rgb {
    int r, g, b;
};
std::ostream &operator<<(std::ostream &out, const Rgb &c) {
    return out << "(" << c.r << ", " << c.g << ", " << c.b << ")";
}

void ExpectNear(const Rgb &actual, const Rgb &expected, int tolerance = 2) {
    EXPECT_LE(std::abs(actual.r - expected.r), tolerance) << actual << " vs " << expected;
    EXPECT_LE(std::abs(actual.g - expected.g), tolerance) << actual << " vs " << expected;
    EXPECT_LE(std::abs(actual.b - expected.b), tolerance) << actual << " vs " << expected;
}

constexpr int Size = 64;

// Frames drawn by the 3D layers on the headless OpenGL device and read back.
class LayerPixelTest : public ::testing::Test {
protected:
    void SetUp() override {
        window = CreateMainWindow("quorin-vanto tests", Size, Size, false, true);
        if (!window)
            GTEST_SKIP() << "no window can be made here";
        device = CreateGraphicsDevice(*window, GraphicsDeviceOptions{Size, Size, 0, 256, false});
        if (!device)
            GTEST_SKIP() << "no OpenGL 3.3 context can be made here";
        // No letterbox scaling, so the camera's own aspect shows.
        state = std::make_unique<CRenderState>(*device, ScreenSetup{Size, Size, 1.6f, 1024});
        resources = std::make_unique<CResourceManager>();
        data.Write("tri.txt", TriangleModel());
        data.Write("back.txt", TriangleModel(true));
        data.Write("lit.fx", TempFolder::Read(std::string(QV_SOURCE_DIR) + "/docs/effects-lit-example.fx"));
        const std::string text =
            "{ Model Tri \"tri.txt\" Model Back \"back.txt\" Shader Lit \"lit.fx\" LitNonTextured {} }\n";
        CMemoryTokeniser tokeniser(text.data(), text.size());
        ASSERT_TRUE(resources->LoadFromTokeniser(tokeniser));
        ASSERT_TRUE(resources->CreateAllResources(*device));
    }
    void TearDown() override {
        resources.reset();
        state.reset();
        device.reset();
        window.reset();
    }

    void BeginFrame() {
        state->BeginFrame();
        device->Clear(ClearTarget | ClearDepth, 0xFF000000u, 1.0f);
    }
    void Run(CLayer &layer) {
        if (!layer.IsCreated()) {
            EXPECT_TRUE(layer.Create(*state, *resources));
        }
        layer.ResolveResourceNames(*resources);
        CRenderState &rs = *state;
        rs.SetMode(RenderMode::Mode3D);
        rs.Matrices(RenderMode::Mode3D).world = glm::mat4(1.0f);
        rs.mode = RenderMode::None;
        rs.currentColour = nullptr;
        layer.Render(0.0f, 0.0f);
    }
    void Read() { ASSERT_TRUE(device->ReadBackBuffer(pixels, width, height)); }
    Rgb At(int x, int y) const {
        const uint8_t *p = &pixels[(static_cast<size_t>(y) * width + x) * 4];
        return Rgb{p[0], p[1], p[2]};
    }
    static void Configure(CLayer_3DModel &layer, const std::string &model, const std::string &shader) {
        SetParam(layer, "Model", model);
        SetParam(layer, "Shader", shader);
    }

    std::unique_ptr<CWindow> window;
    std::unique_ptr<CGraphicsDevice> device;
    std::unique_ptr<CRenderState> state;
    std::unique_ptr<CResourceManager> resources;
    TempFolder data{TempFolder::Mounted};
    std::vector<uint8_t> pixels;
    int width = 0, height = 0;
};

} // namespace

TEST_F(LayerPixelTest, ModelInFrontOfTheOrbitCameraShowsItsDiffuseColourAndIsCulledWhenReversed) {
    CLayer_3DCameraOrbit camera;
    BeginFrame();
    Run(camera);
    CLayer_3DModel front;
    Configure(front, "Tri", "DefaultNonTextured");
    Run(front);
    Read();
    ExpectNear(At(Size / 2, Size / 2), Rgb{204, 51, 51});
    // It covers the whole view, corners included.
    ExpectNear(At(0, 0), Rgb{204, 51, 51});
    ExpectNear(At(Size - 1, Size - 1), Rgb{204, 51, 51});

    BeginFrame();
    Run(camera);
    CLayer_3DModel back;
    Configure(back, "Back", "DefaultNonTextured");
    Run(back);
    Read();
    ExpectNear(At(Size / 2, Size / 2), Rgb{0, 0, 0});
}

TEST_F(LayerPixelTest, OrbitRotationTurnsTheModelOutOfView) {
    CLayer_3DCameraOrbit camera;
    SetParam(camera, "Rotation", "180");
    BeginFrame();
    Run(camera);
    CLayer_3DModel front;
    Configure(front, "Tri", "DefaultNonTextured");
    Run(front);
    Read();
    ExpectNear(At(Size / 2, Size / 2), Rgb{0, 0, 0});
}

TEST_F(LayerPixelTest, TheLitExampleEffectUsesTheAmbientColourAndLightZero) {
    CLayer_3DCameraOrbit camera;
    CLayer_3DGlobalAmbient ambient;
    SetParam(ambient, "Colour", "0.5 0.5 0.5 1");
    CLayer_3DModel lit;
    Configure(lit, "Tri", "Lit");

    // Ambient only: the material colour at half strength.
    BeginFrame();
    Run(camera);
    Run(ambient);
    Run(lit);
    Read();
    ExpectNear(At(Size / 2, Size / 2), Rgb{102, 25, 25});

    // A white light at the eye faces the triangle head on: ambient plus full diffuse, clamped.
    CLayer_3DSimpleLightRig light;
    SetParam(light, "Position", "0 0 0");
    SetParam(light, "Ambient", "0 0 0 0");
    BeginFrame();
    Run(camera);
    Run(ambient);
    Run(light);
    Run(lit);
    Read();
    ExpectNear(At(Size / 2, Size / 2), Rgb{255, 76, 76});

    // Out of the light's range only the ambient part is left; the next frame has no ambient at all.
    SetParam(light, "Range", "5");
    BeginFrame();
    Run(camera);
    Run(ambient);
    Run(light);
    Run(lit);
    Read();
    ExpectNear(At(Size / 2, Size / 2), Rgb{102, 25, 25});
    BeginFrame();
    Run(camera);
    Run(light);
    Run(lit);
    Read();
    ExpectNear(At(Size / 2, Size / 2), Rgb{0, 0, 0});
}

TEST_F(LayerPixelTest, WireAlongPositiveXShowsOnTheRightOnly) {
    // The wire sets no colour: the built-in effect keeps the one the model gave it.
    CLayer_3DCameraOrbit camera;
    BeginFrame();
    Run(camera);
    CLayer_3DModel colour;
    Configure(colour, "Tri", "DefaultNonTextured");
    Run(colour);

    CLayer_Wire wire;
    ASSERT_TRUE(wire.Create(*state, *resources));
    SetParam(wire, "Position", "28000");
    BeginFrame();
    Run(camera);
    Run(wire);
    Read();
    int right = 0, left = 0;
    for (int y = 0; y < Size; ++y)
        for (int x = 0; x < Size; ++x) {
            const Rgb c = At(x, y);
            if (c.r + c.g + c.b > 0)
                ++(x < Size / 2 ? left : right);
        }
    EXPECT_GT(right, 20);
    EXPECT_EQ(left, 0);
    ExpectNear(At(Size - 1, Size / 2), Rgb{204, 51, 51});
}
