// Pictures of the 2D layers on the OpenGL device, headless: small scenes of real layers over real
// resources, each layer run the way a scene runs it, and pixels of the back buffer checked.
#include "App/capture/CFrameWriter.h"
#include "Layers/CLayer_2DImage.h"
#include "Layers/CLayer_2DMultipleImage.h"
#include "Layers/CLayer_ClearRenderTarget.h"
#include "Layers/Layers2DTestSupport.h"

#include "Base/CTokeniser.h"
#include "Params/CParamString.h"
#include "Platform/Platform.h"
#include "Resources/CResourceManager.h"
#include "Resources/CResourceTexture.h"
#include "Testing/TempFolder.h"

#include <memory>

namespace {

constexpr uint32_t Red = 0xFF0000FFu; // RGBA
constexpr uint32_t Green = 0x00FF00FFu;
constexpr uint32_t Blue = 0x0000FFFFu;
constexpr uint32_t Magenta = 0xFF00FFFFu;

// The canvas maps onto the 320 x 200 back buffer whole (aspect 1.6), six canvas units a pixel.
constexpr int FrameWidth = 320;
constexpr int FrameHeight = 200;

class Layers2DPixelTest : public ::testing::Test {
protected:
    void SetUp() override {
        window = CreateMainWindow("quorin-vanto tests", FrameWidth, FrameHeight, false, true);
        if (!window)
            GTEST_SKIP() << "no window can be made here";
        device = CreateGraphicsDevice(*window, GraphicsDeviceOptions{FrameWidth, FrameHeight, 0, 512, false});
        if (!device)
            GTEST_SKIP() << "no OpenGL 3.3 context can be made here";
        state = std::make_unique<CRenderState>(*device, ScreenSetup{1024.0f, 768.0f, 1.6f, 512});
        resources = std::make_unique<CResourceManager>();
        resources->SetRenderTargetSize(512);
    }

    void TearDown() override {
        layers.clear();
        resources.reset();
        state.reset();
        device.reset();
        window.reset();
    }

    bool Resources(const std::string& declarations) {
        const std::string text = "{ " + declarations + " }";
        CMemoryTokeniser tokeniser(text.data(), text.size());
        return resources->LoadFromTokeniser(tokeniser) && resources->CreateAllResources(*device);
    }

    template <class T> T& Add(std::initializer_list<const char*> settings) {
        layers.push_back(std::make_unique<T>());
        for (const char* setting : settings)
            EXPECT_TRUE(SetParam(*layers.back(), setting)) << setting;
        EXPECT_TRUE(layers.back()->Create(*state, *resources));
        return static_cast<T&>(*layers.back());
    }

    // One frame: each layer into its render target (if it names one) from a reset render state.
    void RenderFrame() {
        CRenderState& rs = *state;
        rs.BeginFrame();
        for (const std::unique_ptr<CLayer>& layer : layers) {
            CResourceTextureRenderTarget* target = layer->RenderTargetAt(0.0f);
            if (target)
                CResourceTextureRenderTarget::BindToFrameBuffer(rs, target);
            rs.SetMode(RenderMode::Mode3D);
            rs.Matrices(RenderMode::Mode3D).world = glm::mat4(1.0f);
            rs.mode = RenderMode::None;
            rs.currentColour = nullptr;
            layer->Render(0.0f, 0.0f);
            if (target)
                CResourceTextureRenderTarget::UnbindFromFrameBuffer(rs);
        }
        ASSERT_TRUE(device->ReadBackBuffer(pixels, width, height));
        ASSERT_EQ(width, FrameWidth);
        ASSERT_EQ(height, FrameHeight);
        CFrameWriter::SavePng(std::string(QV_BINARY_DIR) + "/layers2d-" +
                                  ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".png",
                              pixels, width, height);
    }

    ::testing::AssertionResult PixelIs(int x, int y, uint32_t colour) const {
        const uint8_t* p = &pixels[(static_cast<size_t>(y) * width + x) * 4];
        const uint32_t got = (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | 0xFFu;
        if (got == colour)
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure()
               << "pixel (" << x << ", " << y << ") is " << std::hex << got << ", expected " << colour;
    }

    std::unique_ptr<CWindow> window;
    std::unique_ptr<CGraphicsDevice> device;
    std::unique_ptr<CRenderState> state;
    std::unique_ptr<CResourceManager> resources;
    std::vector<std::unique_ptr<CLayer>> layers;
    std::vector<uint8_t> pixels;
    int width = 0;
    int height = 0;
};

} // namespace

TEST_F(Layers2DPixelTest, ImageSitsAtTheCanvasCentre) {
    const std::string red = WriteTestImage("pixel-red", 480, 300, Red); // a quarter of the canvas each way
    ASSERT_TRUE(Resources("Texture Red \"" + red + "\""));
    Add<CLayer_ClearRenderTarget>({"ClearColourValue = 0 0 1 1"});
    Add<CLayer_2DImage>({"Texture1 = Red", "Position = 960 600"});
    RenderFrame();
    // 480 x 300 canvas units are 80 x 50 pixels, from (120, 75) to (200, 125).
    EXPECT_TRUE(PixelIs(160, 100, Red));
    EXPECT_TRUE(PixelIs(122, 77, Red));
    EXPECT_TRUE(PixelIs(197, 122, Red));
    EXPECT_TRUE(PixelIs(117, 100, Blue));
    EXPECT_TRUE(PixelIs(203, 100, Blue));
    EXPECT_TRUE(PixelIs(160, 72, Blue));
    EXPECT_TRUE(PixelIs(160, 128, Blue));
}

TEST_F(Layers2DPixelTest, RotationStandsAWideImageUpright) {
    const std::string bar = WriteSplitImage("pixel-bar", 960, 120, Red, Green);
    ASSERT_TRUE(Resources("Texture Bar \"" + bar + "\""));
    Add<CLayer_ClearRenderTarget>({"ClearColourValue = 0 0 1 1"});
    Add<CLayer_2DImage>({"Texture1 = Bar", "Position = 960 600", "Rotation = 90"});
    RenderFrame();
    // Turned clockwise, the left (red) half is on top; the bar is 20 pixels wide and 160 high.
    EXPECT_TRUE(PixelIs(160, 40, Red));
    EXPECT_TRUE(PixelIs(160, 160, Green));
    EXPECT_TRUE(PixelIs(140, 40, Blue));
    EXPECT_TRUE(PixelIs(180, 160, Blue));
    EXPECT_TRUE(PixelIs(160, 15, Blue));
}

TEST_F(Layers2DPixelTest, ARenderTargetDrawnBackKeepsItsPictureUpright) {
    const std::string red = WriteTestImage("pixel-red", 480, 300, Red);
    ASSERT_TRUE(Resources("Texture Red \"" + red + "\" RenderTarget Buffer Full"));
    Add<CLayer_ClearRenderTarget>({"RenderTarget = Buffer", "ClearColourValue = 0 1 0 1"});
    Add<CLayer_2DImage>({"RenderTarget = Buffer", "Texture1 = Red", "Position = 240 150"});
    Add<CLayer_ClearRenderTarget>({"ClearColourValue = 0 0 1 1"});
    Add<CLayer_2DImage>({"Texture1 = Buffer", "Position = 960 600"});
    RenderFrame();
    // The red image went into the top-left quarter of the render target.
    EXPECT_TRUE(PixelIs(40, 25, Red));
    EXPECT_TRUE(PixelIs(75, 45, Red));
    EXPECT_TRUE(PixelIs(120, 25, Green));
    EXPECT_TRUE(PixelIs(40, 75, Green));
    EXPECT_TRUE(PixelIs(280, 175, Green));
}

TEST_F(Layers2DPixelTest, MagentaTexelsAreTransparent) {
    const std::string keyed = WriteSplitImage("pixel-keyed", 480, 300, Magenta, Red);
    ASSERT_TRUE(Resources("Texture Keyed \"" + keyed + "\""));
    Add<CLayer_ClearRenderTarget>({"ClearColourValue = 0 0 1 1"});
    Add<CLayer_2DImage>({"Texture1 = Keyed", "Position = 960 600"});
    RenderFrame();
    EXPECT_TRUE(PixelIs(140, 100, Blue));
    EXPECT_TRUE(PixelIs(180, 100, Red));
}

TEST_F(Layers2DPixelTest, ClearingARenderTargetLeavesTheBackBufferAlone) {
    ASSERT_TRUE(Resources("RenderTarget Buffer Full"));
    Add<CLayer_ClearRenderTarget>({"ClearColourValue = 0 0 1 1"});
    Add<CLayer_ClearRenderTarget>({"RenderTarget = Buffer", "ClearColourValue = 1 0 0 1"});
    Add<CLayer_2DImage>({"Texture1 = Buffer", "Position = 480 300", "Scale = 0.5 0.5"});
    RenderFrame();
    EXPECT_TRUE(PixelIs(240, 150, Blue));
    EXPECT_TRUE(PixelIs(310, 190, Blue));
    // The render target itself did get the red, as its picture in the top-left quarter shows.
    EXPECT_TRUE(PixelIs(40, 25, Red));
}

// Declarations of one effect file share its compiled programs but not the values layers set: the
// multiple-image layers, which never set g_ShaderValue, draw with the effect's own 0.25 after the
// image layer drew with 1 through another declaration of the same file (and of a copy of it).
TEST_F(Layers2DPixelTest, EachDeclarationOfAnEffectFileDrawsWithItsOwnValues) {
    const std::string effect = "@common\nuniform mat4 g_mWorldViewProjection;\nuniform float g_ShaderValue = 0.25;\n"
                               "@vertex VS\nlayout(location = 0) in vec3 inPosition;\n"
                               "void main() { gl_Position = g_mWorldViewProjection * vec4(inPosition, 1.0); }\n"
                               "@fragment Red\nout vec4 c;\nvoid main() { c = vec4(g_ShaderValue, 0, 0, 1); }\n"
                               "@fragment Green\nout vec4 c;\nvoid main() { c = vec4(0, g_ShaderValue, 0, 1); }\n"
                               "@technique R\n@pass vertex=VS fragment=Red\n"
                               "@technique G\n@pass vertex=VS fragment=Green\n";
    TempFolder data{TempFolder::Mounted};
    data.Write("fx/value.fx", effect);
    data.Write("fx/copy.fx", effect);
    const std::string white = WriteTestImage("pixel-white", 480, 300, 0xFFFFFFFFu);
    ASSERT_TRUE(Resources("Texture White \"" + white +
                          "\" Shader A fx/value.fx R { } Shader B fx/value.fx G { } Shader C fx/copy.fx R { }"));
    Add<CLayer_ClearRenderTarget>({"ClearColourValue = 0 0 1 1"});
    Add<CLayer_2DImage>({"Texture1 = White", "Position = 300 600", "Shader = A", "ShaderValue = 1"});
    Add<CLayer_2DMultipleImage>({"Texture1 = White", "StartPosition = 960 600", "Repeats = 1", "Shader = B"});
    Add<CLayer_2DMultipleImage>({"Texture1 = White", "StartPosition = 1620 600", "Repeats = 1", "Shader = C"});
    RenderFrame();
    EXPECT_TRUE(PixelIs(50, 100, 0xFF0000FFu));
    EXPECT_TRUE(PixelIs(160, 100, 0x004000FFu));
    EXPECT_TRUE(PixelIs(270, 100, 0x400000FFu));
}
