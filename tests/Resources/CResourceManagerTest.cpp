#include "Resources/CResourceManager.h"
#include "Resources/CResourceModel.h"
#include "Resources/CResourceShader.h"
#include "Resources/CResourceTexture.h"
#include "Support/CallLines.h"
#include "Support/EngineTest.h"
#include "Support/LogCapture.h"
#include "Testing/TempFolder.h"

#include <gtest/gtest.h>
#include <stb_image_write.h>

namespace {

using Lines = std::vector<std::string>;

class ResourceManagerTest : public EngineTest {
protected:
    // Logged messages other than the "Adding ..." lines every declaration writes.
    Lines Failures() const {
        Lines failures;
        for (const std::string& m : log.Messages())
            if (m.rfind("Adding ", 0) != 0)
                failures.push_back(m);
        return failures;
    }

    LogCapture log;
};

// Writes a w x h BMP whose pixels come from `pixel(x, y)` as RGB.
template <class F> std::string Bitmap(int w, int h, F pixel) {
    std::vector<uint8_t> rgb(static_cast<size_t>(w) * h * 3);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint32_t c = pixel(x, y);
            uint8_t* p = &rgb[(static_cast<size_t>(y) * w + x) * 3];
            p[0] = c >> 16;
            p[1] = c >> 8;
            p[2] = c;
        }
    std::string out;
    stbi_write_bmp_to_func(
        [](void* context, void* data, int size) {
            static_cast<std::string*>(context)->append(static_cast<const char*>(data), size);
        },
        &out, w, h, 3, rgb.data());
    return out;
}

} // namespace

TEST_F(ResourceManagerTest, DeclaresEveryKindInOrderAndFindsThemInAnyLetterCase) {
    ASSERT_TRUE(LoadScript("resources {\n Shader Box \"fx/box.fx\" Shiny { Float 1 = Glow TextureUnit 2 = Detail }\n"
                           " texture Sky \"img/sky.png\"\n RENDERTARGET Glow Quarter\n model Box \"box.txt\"\n}\n"
                           "resources { } resources { Texture Sea sea.png } end"));
    CResourceShader* shader = FindShader("BOX");
    ASSERT_TRUE(shader);
    EXPECT_EQ(shader->program, "fx/box.fx");
    EXPECT_EQ(shader->technique, "Shiny");
    ASSERT_EQ(shader->paramNames.size(), 2u);
    EXPECT_EQ(shader->paramNames[0].key, "float_1");
    EXPECT_EQ(shader->paramNames[0].name, "Glow");
    EXPECT_EQ(shader->paramNames[1].kind, ShaderParamKind::TextureUnit);
    EXPECT_EQ(shader->paramNames[1].key, "");
    EXPECT_EQ(shader->paramNames[1].index, 2);

    auto* sky = dynamic_cast<CResourceTextureImage*>(FindTexture("sky"));
    ASSERT_TRUE(sky);
    EXPECT_EQ(sky->fileName, "img/sky.png");
    CResourceTextureRenderTarget* glow = FindRenderTarget("GLOW");
    ASSERT_TRUE(glow);
    EXPECT_EQ(FindTexture("glow"), glow);
    EXPECT_EQ(glow->size, RenderTargetSize::Quarter);
    EXPECT_EQ(FindRenderTarget("Sky"), nullptr);
    EXPECT_EQ(FindModel("box")->fileName, "box.txt");
    EXPECT_TRUE(FindTexture("Sea"));
    EXPECT_EQ(FindModel("Sky"), nullptr);
    EXPECT_EQ(Model().resources.CountResources(), 5);
    EXPECT_EQ(log.Messages(), (Lines{"Adding shader resource 'Box'", "Adding texture resource 'Sky'",
                                     "Adding render target resource 'Glow'", "Adding model resource 'Box'",
                                     "Adding texture resource 'Sea'"}));
}

TEST_F(ResourceManagerTest, MalformedBlocksFailWithoutAMessage) {
    for (const char* script : {"resources Texture Sky sky.png } end", "resources { Sound Bang bang.wav } end",
                               "resources { Texture Sky sky.png", "resources { 5 } end"}) {
        ResetScriptModel();
        EXPECT_FALSE(LoadScript(script)) << script;
    }
    EXPECT_EQ(Failures(), Lines{});
}

TEST_F(ResourceManagerTest, NamesAreUniquePerListButListsMayShareThem) {
    EXPECT_TRUE(LoadScript("resources { Shader Box \":INTERNAL\" DefaultTextured { } Model Box box.txt "
                           "Texture Box box.png } end"));
    ResetScriptModel();
    EXPECT_FALSE(LoadScript("resources { Texture Sky sky.png RenderTarget sky full } end"));
    EXPECT_EQ(Failures(), Lines{"Resource name already in use!"});
    EXPECT_EQ(FindRenderTarget("sky"), nullptr);
    for (const char* script :
         {"resources { Shader A a.fx T { } Shader a b.fx T { } } end", "resources { Model M m.txt Model m n.txt } end",
          "resources { RenderTarget R full Texture r r.png } end"}) {
        ResetScriptModel();
        EXPECT_FALSE(LoadScript(script)) << script;
    }
    EXPECT_EQ(Failures(), Lines(4, "Resource name already in use!"));
}

TEST_F(ResourceManagerTest, MissingOperandsNameTheLine) {
    const std::pair<const char*, const char*> cases[] = {
        {"resources {\n Shader 5 }", "Expecting shader resource name but didn't find one on line 2"},
        {"resources {\n\n Texture { }", "Expecting texture resource name but didn't find one on line 3"},
        {"resources { RenderTarget\n 7 }", "Expecting render target resource name but didn't find one on line 2"},
        {"resources { Model\n}", "Expecting model resource name but didn't find one on line 2"},
        {"resources { RenderTarget R\n 2 }", "Expecting render target size but didn't find one on line 2"},
        {"resources { Texture Sky\n }", "Expecting image filename but didn't find one on line 2"},
        {"resources { Model Box }", "Failed to create model resource 'Box'!"},
    };
    for (const auto& [script, message] : cases) {
        ResetScriptModel();
        log.Restart();
        EXPECT_FALSE(LoadScript(script)) << script;
        Lines failures = Failures();
        ASSERT_FALSE(failures.empty()) << script;
        EXPECT_EQ(failures[0], message);
    }
}

TEST_F(ResourceManagerTest, BadRenderTargetSizeIsReportedEvenForADuplicateName) {
    EXPECT_FALSE(LoadScript("resources { Texture Sky sky.png\n RenderTarget Sky double } end"));
    EXPECT_EQ(Failures(), Lines{"Unknown render target size 'double' line 2"});
    ResetScriptModel();
    EXPECT_TRUE(LoadScript("resources { RenderTarget A FULL RenderTarget B half RenderTarget C qUaRtEr } end"));
    EXPECT_EQ(FindRenderTarget("b")->size, RenderTargetSize::Half);
}

TEST_F(ResourceManagerTest, ShaderParameterBlockRules) {
    EXPECT_TRUE(LoadScript("resources { Shader S s.fx T { float 2.9 = A FLOAT 2 = B } } end"));
    ASSERT_EQ(FindShader("S")->paramNames.size(), 2u);
    EXPECT_EQ(FindShader("S")->paramNames[0].index, 2);
    EXPECT_EQ(FindShader("S")->paramNames[1].key, "float_2");

    // Bad kinds and indices fail the declaration with only the resource manager's line.
    for (const char* script :
         {"resources { Shader S s.fx T { Float 0 = A } } end", "resources { Shader S s.fx T { Float 6 = A } } end",
          "resources { Shader S s.fx T { Vector 1 = A } } end", "resources { Shader S s.fx T { Float A } } end",
          "resources { Shader S s.fx { } } end", "resources { Shader S s.fx T Float } end"}) {
        ResetScriptModel();
        log.Restart();
        EXPECT_FALSE(LoadScript(script)) << script;
        EXPECT_EQ(Failures(), Lines{"Failed to create shader resource 'S'!"}) << script;
        EXPECT_EQ(FindShader("S"), nullptr);
    }
    for (const char* script :
         {"resources { Shader S s.fx T {\n Float 1 Glow } } end", "resources { Shader S s.fx T {\n Float 1 = 5 } } end",
          "resources { Shader S s.fx T { Float 1 = A\n 5 } } end"}) {
        ResetScriptModel();
        log.Restart();
        EXPECT_FALSE(LoadScript(script)) << script;
        EXPECT_EQ(Failures(),
                  (Lines{"Error loading parameter names at line 2", "Failed to create shader resource 'S'!"}))
            << script;
    }
}

// The stages of a well-formed effect, for the techniques the tests add.
const char* const OnePass = "@vertex VS\nvoid main() {}\n@fragment PS\nvoid main() {}\n";

class CreateResourcesTest : public ResourceManagerTest {
protected:
    void SetUp() override {
        data.Write("fx/box.fx", std::string(OnePass) + "@technique Shiny\n@pass vertex=VS fragment=PS\n");
        data.Write("img/sky.bmp", Bitmap(4, 4, [](int, int) { return 0x336699u; }));
        data.Write("box.txt", "0\n0\n0\n1 1 1 1\n0\n");
    }
};

TEST_F(CreateResourcesTest, CountsBuiltInShadersAndCreatesInTheFixedOrder) {
    ASSERT_TRUE(
        LoadScript("resources { Model Box box.txt Texture Sky \"img/sky.bmp\" RenderTarget Glow half "
                   "Shader Box \"fx/box.fx\" Shiny { } Shader Plain \":INTERNAL\" DefaultNonTextured { } } end"));
    ASSERT_TRUE(CreateAllResources());
    EXPECT_EQ(Failures(), (Lines{"Creating DefaultTextured shader..", "Creating DefaultNonTextured shader..",
                                 "Creating 7 resources..", "Loading model from 'box.txt'", "Found 0 material(s)",
                                 "Found 0 object(s)", "Found 0 light(s)", "Found 0 camera(s)",
                                 "Model loaded successfully", "Created resources successfully!"}));
    EXPECT_EQ(CallLinesStartingWith(TestDevice(), "Create"),
              (Lines{"CreateEffect fx/box.fx", "CreateEffect :INTERNAL", "CreateTexture 4x4 levels 2",
                     "CreateRenderTarget 512"}));
    EXPECT_TRUE(FindShader("DefaultTextured")->IsCreated());
    EXPECT_EQ(FindShader("defaulttextured")->technique, "DefaultTextured");
    EXPECT_EQ(FindShader("DefaultNonTextured")->program, ":INTERNAL");
}

TEST_F(CreateResourcesTest, AScriptShaderReplacesTheBuiltInOne) {
    ASSERT_TRUE(LoadScript("resources { Shader defaulttextured \"fx/box.fx\" Shiny { } } end"));
    ASSERT_TRUE(CreateAllResources());
    EXPECT_FALSE(log.Contains("Creating DefaultTextured shader.."));
    EXPECT_TRUE(log.Contains("Creating DefaultNonTextured shader.."));
    EXPECT_TRUE(log.Contains("Creating 2 resources.."));
    EXPECT_EQ(FindShader("DefaultTextured")->program, "fx/box.fx");
}

TEST_F(CreateResourcesTest, MissingImageStopsCreationUnlessErrorsAreIgnored) {
    const char* script = "resources { Texture Gone gone.png Texture Sky \"img/sky.bmp\" Model Box box.txt } end";
    ASSERT_TRUE(LoadScript(script));
    EXPECT_FALSE(CreateAllResources());
    Lines failures = Failures();
    EXPECT_EQ(Lines(failures.end() - 2, failures.end()),
              (Lines{"Failed to load texture 'gone.png'", "Failed to create all texture resources!"}));
    EXPECT_FALSE(FindTexture("Sky")->GetTexture()); // not reached

    ResetScriptModel();
    Resources().SetIgnoreErrors(true);
    ASSERT_TRUE(LoadScript(script));
    EXPECT_TRUE(CreateAllResources());
    EXPECT_TRUE(log.Contains("Created resources successfully!"));
    EXPECT_FALSE(FindTexture("Gone")->GetTexture());
    EXPECT_TRUE(FindTexture("Sky")->GetTexture());
}

TEST_F(CreateResourcesTest, ShaderFailuresReportTheProgramAndTheCompilersWords) {
    data.Write("bad.fx",
               std::string("@common\n#error nothing here\n") + OnePass + "@technique T\n@pass vertex=VS fragment=PS\n");
    ASSERT_TRUE(LoadScript("resources { Shader Lower \":internal\" T { } } end"));
    EXPECT_FALSE(CreateAllResources());
    EXPECT_TRUE(log.Contains("Failed to find shader program ':internal'"));
    EXPECT_TRUE(log.Contains("Failed to create all shader resources!"));

    ResetScriptModel();
    ASSERT_TRUE(LoadScript("resources { Shader Bad bad.fx T { } Shader Odd \"fx/box.fx\" Missing { } } end"));
    Resources().SetIgnoreErrors(true);
    EXPECT_TRUE(CreateAllResources());
    EXPECT_TRUE(log.Contains("Failed to create shader"));
    EXPECT_TRUE(log.Contains("bad.fx: 0(1) : error C0000: syntax error"));
    EXPECT_TRUE(log.Contains("Failed to find technique 'Missing' in shader program 'fx/box.fx'"));
    EXPECT_FALSE(FindShader("Bad")->IsCreated());
    EXPECT_EQ(FindShader("Bad")->Begin(TestState()), 0);
}

TEST_F(CreateResourcesTest, ShaderBeginSelectsTheTechniqueAndBecomesTheCurrentEffect) {
    ASSERT_TRUE(LoadScript("resources { Shader Box \"fx/box.fx\" Shiny { } } end"));
    ASSERT_TRUE(CreateAllResources());
    TestState().currentPass = 3;
    TestDevice().ClearCalls();
    EXPECT_EQ(FindShader("Box")->Begin(TestState()), 1);
    EXPECT_EQ(TestState().currentPass, -1);
    EXPECT_EQ(TestState().currentEffect, FindShader("Box")->GetEffect());
    EndCurrentEffect(TestState());
    EXPECT_EQ(TestState().currentEffect, nullptr);
    EXPECT_EQ(CallLines(TestDevice()), (Lines{"SetTechnique Shiny", "Begin", "End"}));
}

TEST_F(CreateResourcesTest, ImagesAreKeyedScaledToPowersOfTwoAndKeepTheirOwnSize) {
    data.Write("keyed.bmp", Bitmap(300, 200, [](int x, int) { return x < 150 ? 0xFF00FFu : 0x10A0F0u; }));
    CResourceTextureImage image("keyed.bmp");
    ASSERT_TRUE(image.Create(TestDevice()));
    EXPECT_EQ(image.width, 300.0f);
    EXPECT_EQ(image.height, 200.0f);
    CRecordingTexture* texture = MadeTextures(TestDevice()).at(0);
    ASSERT_EQ(texture->width, 512);
    ASSERT_EQ(texture->height, 256);
    EXPECT_EQ(texture->levels, 2);
    const uint8_t* left = &texture->pixels[(100 * 512 + 10) * 4];
    const uint8_t* right = &texture->pixels[(100 * 512 + 500) * 4];
    EXPECT_EQ(std::vector<int>(left, left + 4), (std::vector<int>{0, 0, 0, 0}));
    EXPECT_EQ(std::vector<int>(right, right + 4), (std::vector<int>{0x10, 0xA0, 0xF0, 0xFF}));

    data.Write("junk.png", "not an image at all");
    CResourceTextureImage junk("junk.png");
    EXPECT_FALSE(junk.Create(TestDevice()));
    EXPECT_TRUE(log.Contains("Error creating texture 'junk.png'"));
    EXPECT_FALSE(junk.GetTexture());
}

TEST_F(CreateResourcesTest, RenderTargetsFollowTheSettingsEdgeAndReportTheCanvas) {
    state.screen.renderTargetSize = 1024;
    ASSERT_TRUE(LoadScript("resources { RenderTarget A full RenderTarget B half RenderTarget C quarter } end"));
    ASSERT_TRUE(CreateAllResources());
    EXPECT_EQ(CallLinesStartingWith(TestDevice(), "CreateRenderTarget"),
              (Lines{"CreateRenderTarget 1024", "CreateRenderTarget 512", "CreateRenderTarget 256"}));
    EXPECT_EQ(FindTexture("C")->width, 1920.0f);
    EXPECT_EQ(FindTexture("C")->height, 1200.0f);
    EXPECT_EQ(FindTexture("C")->GetTexture()->Width(), 256);
}

TEST_F(CreateResourcesTest, AnUncreatedRenderTargetIsNeverBound) {
    ASSERT_TRUE(LoadScript("resources { RenderTarget A full } end"));
    TestDevice().ClearCalls();
    CResourceTextureRenderTarget::BindToFrameBuffer(TestState(), FindRenderTarget("A"));
    EXPECT_TRUE(CallLinesStartingWith(TestDevice(), "SetColourTarget").empty());
    EXPECT_FALSE(TestState().renderTargetBound);
    EXPECT_TRUE(log.Contains("Failed to bind render target"));
}
