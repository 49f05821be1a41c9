// A presentation is one object: two parsed from different scripts live side by side, each drawing on
// its own device with its own resources, and destroying one releases every device object it made.
#include "Base/CTokeniser.h"
#include "Platform/Platform.h"
#include "Render/CRenderState.h"
#include "Support/BackBufferColours.h"
#include "Support/SolidImage.h"
#include "System/CSystem.h"
#include "Testing/CRecordingDevice.h"
#include "Testing/TempFolder.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

// A screen of the canvas' own aspect, so that nothing is letterboxed.
const ScreenSetup Flat{1024.0f, 768.0f, 1.6f, 1024};

std::unique_ptr<CSystem> Parse(const std::string& text) {
    auto system = std::make_unique<CSystem>();
    CMemoryTokeniser tokeniser(text.data(), text.size());
    EXPECT_TRUE(system->LoadFromTokeniser(tokeniser)) << text;
    return system;
}

// A clear in one colour and, in the middle of the canvas, an image read from `image`.
std::string Script(const char* clear, const std::string& image) {
    return std::string("resources { Texture Pic \"") + image +
           "\" }\n"
           "scene S 0:0:0 10:0:0 { layers {\n"
           "  Back ClearRenderTarget { ClearColourValue = " +
           clear +
           " }\n"
           "  Pic 2DImage { Texture1 = Pic Position = 960 600 Scale = 20 20 }\n"
           "} }\nend\n";
}

struct Screen {
    std::unique_ptr<CWindow> window;
    std::unique_ptr<CGraphicsDevice> device;

    // The colour at the centre and at a corner of a frame at time 1.
    std::pair<uint32_t, uint32_t> Draw(CSystem& system) {
        system.GetRenderState()->BeginFrame();
        system.RenderScenes(1.0f, 0.0f);
        return CentreAndCorner(*device);
    }
};

} // namespace

TEST(PresentationObject, TwoPresentationsLiveSideBySideEachOnItsOwnDevice) {
    TempFolder data(TempFolder::Mounted);
    WriteSolidPng(data / "green.png", 0, 255, 0, 16);
    WriteSolidPng(data / "white.png", 255, 255, 255, 16);
    std::unique_ptr<CSystem> red = Parse(Script("1 0 0 1", "green.png"));
    std::unique_ptr<CSystem> blue = Parse(Script("0 0 1 1", "white.png"));

    Screen screens[2];
    for (Screen& screen : screens) {
        screen.window = CreateMainWindow("quorin-vanto tests", 64, 40, false, true);
        if (!screen.window)
            GTEST_SKIP() << "no window can be made here";
        screen.device = CreateGraphicsDevice(*screen.window, GraphicsDeviceOptions{64, 40, 0, 256, false});
        if (!screen.device)
            GTEST_SKIP() << "no OpenGL 3.3 context can be made here";
    }
    ASSERT_TRUE(red->CreateAllResources(*screens[0].device, Flat) && red->CreateAllScenes());
    ASSERT_TRUE(blue->CreateAllResources(*screens[1].device, Flat) && blue->CreateAllScenes());

    for (int round = 0; round < 2; ++round) {
        EXPECT_EQ(screens[0].Draw(*red), std::make_pair(0x00FF00u, 0xFF0000u)) << "round " << round;
        EXPECT_EQ(screens[1].Draw(*blue), std::make_pair(0xFFFFFFu, 0x0000FFu)) << "round " << round;
    }
    // One goes; the other draws on as before.
    red.reset();
    EXPECT_EQ(screens[1].Draw(*blue), std::make_pair(0xFFFFFFu, 0x0000FFu));
    blue.reset();
}

TEST(PresentationObject, DestroyingItReleasesEveryDeviceObjectItMade) {
    TempFolder data(TempFolder::Mounted);
    WriteSolidPng(data / "sky.png", 10, 20, 30);
    WriteSolidPng(data / "Wood.bmp", 1, 2, 3); // a PNG under a .bmp name still decodes
    data.Write("glow.fx", "@vertex VS\nvoid main() {}\n@fragment PS\nvoid main() {}\n"
                          "@technique Glow\n@pass vertex=VS fragment=PS\n@pass vertex=VS fragment=PS\n");
    data.Write("tri.txt", "1\nStandardMaterial\n0 0 0\n1 0 0\n0 0 0\n0\nWood\n0\n0\n1\n0\n3\n0 0 0 0 0 -1\n"
                          "1 0 0 0 0 -1\n0 1 0 0 0 -1\n1\n0 0\n1\n0 2 1 0 0 0\n0\n1 1 1 1\n0\n");
    const std::string script =
        "resources { Shader Glow glow.fx Glow { } Texture Sky sky.png RenderTarget Target half Model Tri tri.txt }\n"
        "scene S 0:0:0 10:0:0 { layers {\n"
        "  I 2DImage { Texture1 = Sky }  R 2DMultipleImage { Texture1 = Sky RenderTarget = Target }\n"
        "  M 3DModel { Model = Tri Shader = Glow }  T Tunnel { Model1 = Tri }  W Wire { }  G Greets { }\n"
        "} }\nend\n";

    CRecordingDevice device;
    {
        std::unique_ptr<CSystem> system = Parse(script);
        ASSERT_TRUE(system->CreateAllResources(device, Flat));
        ASSERT_TRUE(system->CreateAllScenes());
        // Two effects (the built-in ones share theirs), two images, the model's texture, a render
        // target, the model's buffer, and the layers' own buffers.
        EXPECT_GE(device.LiveObjects(), 11);
        system->GetRenderState()->BeginFrame();
        system->RenderScenes(1.0f, 0.0f);
        EXPECT_GT(device.CountCalls("DrawPrimitive") + device.CountCalls("DrawIndexedPrimitive"), 0);
    }
    EXPECT_EQ(device.LiveObjects(), 0);
}
