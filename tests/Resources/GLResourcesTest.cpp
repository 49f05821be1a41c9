// Resource creation on the real OpenGL device (headless): the built-in effect's techniques, an
// effect file, an image, a render target and a model with its vertex buffer.
#include "Platform/CGraphicsDevice.h"
#include "Platform/Platform.h"
#include "Render/CRenderState.h"
#include "Resources/CResourceModel.h"
#include "Resources/CResourceShader.h"
#include "Resources/CResourceTexture.h"
#include "Support/EngineTest.h"
#include "Support/LogCapture.h"
#include "Testing/TempFolder.h"

#include <gtest/gtest.h>
#include <stb_image_write.h>

using GLResources = EngineTest;

TEST_F(GLResources, EveryKindIsCreatedOnTheRealDevice) {
    auto window = CreateMainWindow("quorin-vanto tests", 320, 200, false, true);
    if (!window)
        GTEST_SKIP() << "no window can be made here";
    auto device = CreateGraphicsDevice(*window, GraphicsDeviceOptions{320, 200, 0, 256, false});
    if (!device)
        GTEST_SKIP() << "no OpenGL 3.3 context can be made here";
    CRenderState state(*device);
    {
        LogCapture log;
        data.Write("flat.fx", "@common\nuniform mat4 g_mWorldViewProjection;\nuniform vec4 g_MaterialDiffuseColor;\n"
                              "@vertex VS\nlayout(location = 0) in vec3 inPosition;\n"
                              "void main() { gl_Position = g_mWorldViewProjection * vec4(inPosition, 1.0); }\n"
                              "@fragment PS\nout vec4 colour;\nvoid main() { colour = g_MaterialDiffuseColor; }\n"
                              "@technique Flat\n@pass vertex=VS fragment=PS\n");
        const uint8_t rgb[3] = {1, 2, 3};
        stbi_write_bmp((data.path / "Wood.bmp").c_str(), 1, 1, 3, rgb);
        data.Write("tri.txt", "1\nStandardMaterial\n0 0 0\n1 0 0\n0 0 0\n0\nWood\n0\n0\n1\n0\n3\n0 0 0 0 0 -1\n"
                              "1 0 0 0 0 -1\n0 1 0 0 0 -1\n1\n0 0\n1\n0 2 1 0 0 0\n0\n1 1 1 1\n0\n");
        ASSERT_TRUE(LoadScript("resources { Shader Flat flat.fx Flat { } Texture Image Wood.bmp "
                               "RenderTarget Target quarter Model Tri tri.txt } end"));
        Resources().SetRenderTargetSize(256);
        ASSERT_TRUE(Resources().CreateAllResources(*device)) << log.Text();
        EXPECT_TRUE(log.Contains("Creating 6 resources.."));
        for (const char* name : {"DefaultTextured", "DefaultNonTextured", "Flat"}) {
            ASSERT_TRUE(FindShader(name)->IsCreated()) << name;
            EXPECT_GE(FindShader(name)->Begin(state), 1) << name;
            EndCurrentEffect(state);
        }
        EXPECT_EQ(FindTexture("Image")->width, 1.0f);
        EXPECT_EQ(FindTexture("Target")->GetTexture()->Width(), 64);
        EXPECT_TRUE(FindTexture("Wood")->GetTexture());
        EXPECT_TRUE(FindModel("Tri")->objects.at(0).vertexBuffer);
    }
    ResetScriptModel(); // the resources go before the device
}
