#include "App/capture/CFrameWriter.h"
#include "App/run/LetterboxBars.h"
#include "Platform/CEffect.h"
#include "Platform/CGraphicsDevice.h"
#include "Platform/Platform.h"
#include "Platform/gl/CGLEffect.h"
#include "Render/CRenderState.h"
#include "Resources/CResourceShader.h"
#include "Support/ParsedEffect.h"

#include <glm/ext/matrix_transform.hpp>

#include <gtest/gtest.h>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wsign-compare"
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>
#pragma GCC diagnostic pop

#include <cstdio>
#include <cstring>

namespace {

struct Rgba {
    int r, g, b, a;
    bool operator==(const Rgba& o) const { return r == o.r && g == o.g && b == o.b && a == o.a; }
};
std::ostream& operator<<(std::ostream& out, const Rgba& c) {
    return out << "(" << c.r << ", " << c.g << ", " << c.b << ", " << c.a << ")";
}

const Rgba Black{0, 0, 0, 255}, White{255, 255, 255, 255}, Red{255, 0, 0, 255}, Green{0, 255, 0, 255},
    Blue{0, 0, 255, 255};

struct QuadVertex {
    float x, y, z, u, v;
};

class GLDeviceTest : public ::testing::Test {
protected:
    void Open(int w, int h, int samples = 0, int depth = 256) {
        window = CreateMainWindow("quorin-vanto tests", w, h, false, true);
        if (!window)
            GTEST_SKIP() << "no window can be made here";
        device = CreateGraphicsDevice(*window, GraphicsDeviceOptions{w, h, samples, depth, false});
        if (!device)
            GTEST_SKIP() << "no OpenGL 3.3 context can be made here";
        state = std::make_unique<CRenderState>(*device, ScreenSetup{1024.0f, 768.0f, 1.6f, 1024});
        std::string errors;
        effect = device->CreateEffect(ParsedEffect(BuiltInEffectText), ":INTERNAL", errors);
        ASSERT_TRUE(effect) << errors;
        quad = device->CreateVertexBuffer(sizeof(QuadVertex) * 4);
    }
    void TearDown() override {
        state.reset();
        quad.reset();
        triangleBuffer.reset();
        effect.reset();
        device.reset();
        window.reset();
    }

    void Read() { ASSERT_TRUE(device->ReadBackBuffer(pixels, readWidth, readHeight)); }
    Rgba At(int x, int y) const {
        const uint8_t* p = &pixels[(static_cast<size_t>(y) * readWidth + x) * 4];
        return Rgba{p[0], p[1], p[2], p[3]};
    }

    // A canvas-space rectangle (y up, 0..1920 x 0..1200) drawn through the built-in effect, texture
    // coordinate (0, 0) at its top-left.
    void DrawCanvasRect(float x0, float y0, float x1, float y1, CTexture* texture, glm::vec4 colour) {
        QuadVertex* v = static_cast<QuadVertex*>(quad->Lock());
        v[0] = {x0, y0, 5, 0, 1};
        v[1] = {x0, y1, 5, 0, 0};
        v[2] = {x1, y1, 5, 1, 0};
        v[3] = {x1, y0, 5, 1, 1};
        quad->Unlock();
        CRenderState& rs = (*state);
        ASSERT_TRUE(effect->SetTechnique(texture ? "DefaultTextured" : "DefaultNonTextured"));
        int passes = effect->Begin();
        ASSERT_EQ(passes, 1);
        rs.currentEffect = effect.get();
        rs.currentColour = &colour;
        effect->BeginPass(0);
        rs.SetMode(RenderMode::Mode2D);
        device->SetVertexFormat(VertexPosition | VertexTex1);
        device->SetStreamSource(quad.get(), 0, sizeof(QuadVertex));
        device->SetTexture(0, texture);
        rs.CommitMatrices();
        device->DrawPrimitive(PrimitiveType::TriangleFan, 0, 2);
        effect->End();
        rs.currentEffect = nullptr;
        rs.currentColour = nullptr;
    }

    // Clip-space triangle in the plain program, black.
    void DrawClipTriangle(const float (&xy)[6]) {
        struct V {
            float x, y, z;
            uint32_t colour;
        };
        triangleBuffer = device->CreateVertexBuffer(sizeof(V) * 3);
        CVertexBuffer* buffer = triangleBuffer.get();
        V* v = static_cast<V*>(buffer->Lock());
        for (int i = 0; i < 3; ++i)
            v[i] = {xy[2 * i], xy[2 * i + 1], 0.5f, 0xFF000000u};
        buffer->Unlock();
        device->SetVertexFormat(VertexPosition | VertexDiffuse);
        device->SetStreamSource(buffer, 0, sizeof(V));
        device->DrawPrimitive(PrimitiveType::TriangleList, 0, 1);
    }

    std::unique_ptr<CWindow> window;
    std::unique_ptr<CGraphicsDevice> device;
    std::unique_ptr<CRenderState> state;
    std::unique_ptr<CEffect> effect;
    std::unique_ptr<CVertexBuffer> quad;
    std::unique_ptr<CVertexBuffer> triangleBuffer;
    std::vector<uint8_t> pixels;
    int readWidth = 0, readHeight = 0;
};

} // namespace

TEST_F(GLDeviceTest, ClearColourReadsBackAndSavesAsPng) {
    Open(64, 48);
    device->Clear(ClearTarget | ClearDepth, 0xFF336699u, 1.0f);
    Read();
    EXPECT_EQ(readWidth, 64);
    EXPECT_EQ(readHeight, 48);
    EXPECT_EQ(At(0, 0), (Rgba{0x33, 0x66, 0x99, 255}));
    EXPECT_EQ(At(63, 47), (Rgba{0x33, 0x66, 0x99, 255}));

    const std::string path = std::string(QV_BINARY_DIR) + "/gl_clear_test.png";
    ASSERT_TRUE(CFrameWriter::SavePng(path, pixels, readWidth, readHeight));
    int w = 0, h = 0, n = 0;
    stbi_uc* loaded = stbi_load(path.c_str(), &w, &h, &n, 4);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(w, 64);
    EXPECT_EQ(h, 48);
    EXPECT_EQ(std::memcmp(loaded, pixels.data(), pixels.size()), 0);
    stbi_image_free(loaded);
    std::remove(path.c_str());
    device->Present();
}

TEST_F(GLDeviceTest, ReadBackInTwoHalvesGivesEachFrameAsReadBackBufferDoes) {
    for (int samples : {0, 4}) {
        if (samples)
            TearDown();
        Open(48, 30, samples);
        // A frame with a white top half, so that rows read upside down would show.
        auto drawFrame = [&](uint32_t argb) {
            state->BeginFrame();
            device->Clear(ClearTarget | ClearDepth, argb, 1.0f);
            DrawCanvasRect(0, 600, 1920, 1200, nullptr, glm::vec4(1, 1, 1, 1));
        };
        drawFrame(0xFFFF0000u);
        std::vector<uint8_t> direct;
        int w = 0, h = 0;
        ASSERT_TRUE(device->ReadBackBuffer(direct, w, h));
        ASSERT_TRUE(device->BeginReadBack());
        drawFrame(0xFF0000FFu); // the next frame is drawn before the first is fetched
        ASSERT_TRUE(device->BeginReadBack());
        EXPECT_FALSE(device->BeginReadBack()) << "two at a time";

        ASSERT_TRUE(device->FinishReadBack(pixels, readWidth, readHeight));
        EXPECT_EQ(readWidth, 48);
        EXPECT_EQ(readHeight, 30);
        EXPECT_EQ(pixels, direct) << samples;
        EXPECT_EQ(At(10, 2), White);
        EXPECT_EQ(At(10, 27), Red);
        ASSERT_TRUE(device->FinishReadBack(pixels, readWidth, readHeight));
        EXPECT_EQ(At(10, 2), White);
        EXPECT_EQ(At(10, 27), Blue);
        EXPECT_FALSE(device->FinishReadBack(pixels, readWidth, readHeight)) << "none left";
    }
}

TEST_F(GLDeviceTest, MultisampledBackBufferResolvesForReading) {
    Open(32, 32, 4);
    device->Clear(ClearTarget | ClearDepth, 0xFF00FF00u, 1.0f);
    Read();
    EXPECT_EQ(At(16, 16), Green);
}

TEST_F(GLDeviceTest, LetterboxBarsAtFourByThreeCoverOneTwelfthAboveAndBelow) {
    Open(1024, 768);
    state->screen.aspect = 4.0f / 3;
    auto bars = CreateLetterboxBars(*device, state->screen.aspect, 1024, 768);
    ASSERT_TRUE(bars);
    (*state).BeginFrame();
    device->Clear(ClearTarget | ClearDepth, 0xFFFFFFFFu, 1.0f);
    DrawLetterboxBars(*state, bars.get());
    Read();
    EXPECT_EQ(At(512, 0), Black);
    EXPECT_EQ(At(0, 63), Black);
    EXPECT_EQ(At(1023, 64), White);
    EXPECT_EQ(At(512, 703), White);
    EXPECT_EQ(At(512, 704), Black);
    EXPECT_EQ(At(512, 767), Black);
}

TEST_F(GLDeviceTest, LetterboxBarsAtSixteenByNineCoverFivePercentLeftAndRight) {
    Open(1920, 1080);
    state->screen.aspect = 16.0f / 9;
    auto bars = CreateLetterboxBars(*device, state->screen.aspect, 1920, 1080);
    (*state).BeginFrame();
    device->Clear(ClearTarget, 0xFFFFFFFFu, 1.0f);
    DrawLetterboxBars(*state, bars.get());
    Read();
    EXPECT_EQ(At(95, 540), Black);
    EXPECT_EQ(At(96, 540), White);
    EXPECT_EQ(At(1823, 0), White);
    EXPECT_EQ(At(1824, 1079), Black);
}

TEST_F(GLDeviceTest, TexturedQuadIsUprightAndTransparentTexelsShowTheBackground) {
    Open(64, 40);
    // 8 x 8 in quadrants: red top-left, transparent black top-right, green bottom-left, blue bottom-right.
    std::vector<uint8_t> rgba(8 * 8 * 4);
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            uint8_t* p = &rgba[(y * 8 + x) * 4];
            const bool right = x >= 4, bottom = y >= 4;
            const Rgba c = !bottom ? (right ? Rgba{0, 0, 0, 0} : Red) : (right ? Blue : Green);
            p[0] = uint8_t(c.r), p[1] = uint8_t(c.g), p[2] = uint8_t(c.b), p[3] = uint8_t(c.a);
        }
    }
    auto texture = device->CreateTexture(8, 8, rgba.data(), 2);
    ASSERT_TRUE(texture);
    (*state).BeginFrame();
    device->Clear(ClearTarget | ClearDepth, 0xFFFFFFFFu, 1.0f);
    DrawCanvasRect(0, 0, 1920, 1200, texture.get(), glm::vec4(1, 1, 1, 1));
    Read();
    EXPECT_EQ(At(8, 5), Red);
    EXPECT_EQ(At(56, 5), White) << "a transparent texel blends to the background";
    EXPECT_EQ(At(8, 35), Green);
    EXPECT_EQ(At(56, 35), Blue);
}

TEST_F(GLDeviceTest, PowerOfTwoTextureOfAScaledImageFillsTheQuad) {
    Open(64, 40);
    // A 300 x 200 image scaled up to 512 x 256: left half red, right half blue.
    std::vector<uint8_t> rgba(512 * 256 * 4);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 512; ++x) {
            uint8_t* p = &rgba[(static_cast<size_t>(y) * 512 + x) * 4];
            p[0] = x < 256 ? 255 : 0, p[1] = 0, p[2] = x < 256 ? 0 : 255, p[3] = 255;
        }
    auto texture = device->CreateTexture(512, 256, rgba.data(), 2);
    ASSERT_TRUE(texture);
    EXPECT_EQ(texture->Width(), 512);
    EXPECT_EQ(texture->Height(), 256);
    (*state).BeginFrame();
    device->Clear(ClearTarget | ClearDepth, 0xFF000000u, 1.0f);
    // The image's own size on the canvas, at its centre: 300 x 200 units.
    DrawCanvasRect(810, 500, 1110, 700, texture.get(), glm::vec4(1, 1, 1, 1));
    Read();
    EXPECT_EQ(At(28, 20), Red);
    EXPECT_EQ(At(36, 20), Blue);
    EXPECT_EQ(At(20, 20), Black) << "outside the image's 300 units";
    EXPECT_EQ(At(44, 20), Black);
}

TEST_F(GLDeviceTest, MaterialColourReachesTheUntexturedTechnique) {
    Open(16, 16);
    (*state).BeginFrame();
    device->Clear(ClearTarget | ClearDepth, 0xFF000000u, 1.0f);
    DrawCanvasRect(0, 0, 1920, 1200, nullptr, glm::vec4(0.5f, 1.0f, 0.0f, 1.0f));
    Read();
    EXPECT_EQ(At(8, 8), (Rgba{127, 255, 0, 255}));
}

TEST_F(GLDeviceTest, RenderTargetRoundTripStaysUpright) {
    Open(64, 40);
    auto target = device->CreateRenderTarget(64);
    ASSERT_TRUE(target);
    EXPECT_TRUE(target->IsRenderTarget());
    (*state).BeginFrame();
    device->Clear(ClearTarget | ClearDepth, 0xFFFFFFFFu, 1.0f);

    ASSERT_TRUE(device->SetColourTarget(target.get()));
    state->renderTargetBound = true;
    device->Clear(ClearTarget | ClearDepth, 0xFF0000FFu, 1.0f);
    // Red over the top half of the canvas (y up), in the left half.
    DrawCanvasRect(0, 600, 960, 1200, nullptr, glm::vec4(1, 0, 0, 1));
    ASSERT_TRUE(device->SetColourTarget(nullptr));
    state->renderTargetBound = false;

    DrawCanvasRect(0, 0, 1920, 1200, target.get(), glm::vec4(1, 1, 1, 1));
    Read();
    EXPECT_EQ(At(10, 5), Red);
    EXPECT_EQ(At(54, 5), Blue);
    EXPECT_EQ(At(10, 35), Blue);
    EXPECT_EQ(At(54, 35), Blue);
}

TEST_F(GLDeviceTest, CounterClockwiseTrianglesAreCulledOnScreenAndInRenderTargets) {
    Open(32, 32);
    const float clockwise[6] = {-1, -1, -1, 1, 1, 1}; // as seen on screen, y up
    const float counterClockwise[6] = {-1, -1, 1, 1, -1, 1};
    (*state).BeginFrame();
    for (bool intoTarget : {false, true}) {
        auto target = device->CreateRenderTarget(32);
        device->SetColourTarget(intoTarget ? target.get() : nullptr);
        for (const auto* triangle : {&clockwise, &counterClockwise}) {
            device->Clear(ClearTarget | ClearDepth, 0xFFFFFFFFu, 1.0f);
            device->SetDepthTest(false);
            device->SetCullMode(CullMode::CounterClockwise);
            DrawClipTriangle(*triangle);
            device->SetCullMode(CullMode::None);
            if (intoTarget) {
                device->SetColourTarget(nullptr);
                device->Clear(ClearTarget, 0xFFFFFFFFu, 1.0f);
                DrawCanvasRect(0, 0, 1920, 1200, target.get(), glm::vec4(1, 1, 1, 1));
                device->SetColourTarget(target.get());
            }
            Read();
            // The upper-left corner lies inside both triangles.
            const Rgba expected = triangle == &clockwise ? Black : White;
            EXPECT_EQ(At(2, 2), expected) << (intoTarget ? "render target, " : "screen, ")
                                          << (triangle == &clockwise ? "clockwise" : "counter-clockwise");
        }
        device->SetColourTarget(nullptr);
    }
}

TEST_F(GLDeviceTest, DrawsOutsideTheBuffersAreSkipped) {
    Open(16, 16);
    device->Clear(ClearTarget, 0xFFFFFFFFu, 1.0f);
    const float triangle[6] = {-1, -1, -1, 1, 1, 1};
    DrawClipTriangle(triangle); // leaves a 3-vertex stream bound
    device->Clear(ClearTarget, 0xFFFFFFFFu, 1.0f);
    device->DrawPrimitive(PrimitiveType::TriangleList, 1, 1);
    auto indices = device->CreateIndexBuffer(3);
    uint32_t* i = indices->Lock();
    i[0] = 0, i[1] = 1, i[2] = 7;
    indices->Unlock();
    device->SetIndices(indices.get());
    device->DrawIndexedPrimitive(PrimitiveType::TriangleList, 0, 3, 0, 1);
    device->DrawIndexedPrimitive(PrimitiveType::TriangleList, 0, 3, 1, 1);
    Read();
    EXPECT_EQ(At(2, 2), White);
}

TEST_F(GLDeviceTest, EffectErrorsCarryTheCompilerMessageAndUnknownNamesAreIgnored) {
    Open(16, 16);
    std::string errors;
    const std::string broken =
        "@vertex VS\nvoid main() { gl_Position = vec4(0.0); }\n@fragment FS\n"
        "out vec4 c;\nvoid main() { c = undeclared; }\n@technique T\n@pass vertex=VS fragment=FS\n";
    EXPECT_FALSE(device->CreateEffect(ParsedEffect(broken), "broken.fx", errors));
    EXPECT_NE(errors.find("broken.fx"), std::string::npos) << errors;
    EXPECT_NE(errors.find("5"), std::string::npos) << "the line of the error: " << errors;
    EXPECT_NE(errors.find("undeclared"), std::string::npos) << errors;

    EXPECT_FALSE(effect->SetTechnique("NoSuchTechnique"));
    EXPECT_EQ(effect->Begin(), 0);
    const float value[4] = {1, 2, 3, 4};
    effect->SetValue("g_NotThere", value, sizeof(value));
    effect->SetMatrix("g_NotThere", value);
    effect->CommitChanges();
}

// One depth buffer serves the screen and the render targets: a depth clear on either side reaches
// the other, with and without multisampling.
TEST_F(GLDeviceTest, DepthClearsReachScreenAndRenderTargetsAtEveryAntiAliasLevel) {
    const float cover[6] = {-1, -1, -1, 3, 3, -1};
    for (int samples : {0, 4}) {
        SCOPED_TRACE(samples);
        Open(64, 48, samples);
        (*state).BeginFrame();
        auto target = device->CreateRenderTarget(64);
        ASSERT_TRUE(target);

        // Depth 0 in the render target, then 1 cleared on the screen only: a triangle at depth 0.5
        // drawn into the render target afterwards passes the depth test.
        ASSERT_TRUE(device->SetColourTarget(target.get()));
        device->Clear(ClearTarget | ClearDepth, 0xFFFFFFFFu, 0.0f);
        ASSERT_TRUE(device->SetColourTarget(nullptr));
        device->Clear(ClearDepth, 0, 1.0f);
        ASSERT_TRUE(device->SetColourTarget(target.get()));
        device->SetDepthTest(true);
        DrawClipTriangle(cover);
        ASSERT_TRUE(device->SetColourTarget(nullptr));
        device->Clear(ClearTarget, 0xFFFFFFFFu, 1.0f);
        DrawCanvasRect(0, 0, 1920, 1200, target.get(), glm::vec4(1.0f));
        Read();
        EXPECT_EQ(At(32, 24), Black) << "the screen's depth clear did not reach the render target";

        // The other way round: depth 0 on the screen, 1 cleared in the render target.
        device->Clear(ClearTarget | ClearDepth, 0xFFFFFFFFu, 0.0f);
        ASSERT_TRUE(device->SetColourTarget(target.get()));
        device->Clear(ClearDepth, 0, 1.0f);
        ASSERT_TRUE(device->SetColourTarget(nullptr));
        device->SetDepthTest(true);
        DrawClipTriangle(cover);
        Read();
        EXPECT_EQ(At(32, 24), Black) << "the render target's depth clear did not reach the screen";

        target.reset();
        TearDown();
    }
}

namespace {

const char* const ValueEffect = "@common\nuniform mat4 g_mWorldViewProjection;\nuniform float g_ShaderValue = 0.25;\n"
                                "@vertex VS\nlayout(location = 0) in vec3 inPosition;\n"
                                "void main() { gl_Position = g_mWorldViewProjection * vec4(inPosition, 1.0); }\n"
                                "@fragment Red\nout vec4 c;\nvoid main() { c = vec4(g_ShaderValue, 0, 0, 1); }\n"
                                "@fragment Green\nout vec4 c;\nvoid main() { c = vec4(0, g_ShaderValue, 0, 1); }\n"
                                "@technique R\n@pass vertex=VS fragment=Red\n"
                                "@technique G\n@pass vertex=VS fragment=Green\n"
                                "@technique Twice\n@pass vertex=VS fragment=Red\n@pass vertex=VS fragment=Red\n";

} // namespace

// Effects made from one compile share its programs; each keeps the values set on it, and one that
// set nothing draws with the effect's own initial values, whatever another drew with before.
TEST_F(GLDeviceTest, EffectsOfOneCompileDrawWithTheirOwnValues) {
    Open(16, 16);
    std::string errors;
    std::unique_ptr<CEffect> compiled = device->CreateEffect(ParsedEffect(ValueEffect), "value.fx", errors);
    ASSERT_TRUE(compiled) << errors;
    std::unique_ptr<CEffect> a = compiled->Instance(), b = compiled->Instance();
    const float one = 1.0f;
    a->SetValue("g_ShaderValue", &one, sizeof one);
    auto draw = [&](CEffect& e, const char* technique) {
        std::swap(effect, compiled);
        QuadVertex* v = static_cast<QuadVertex*>(quad->Lock());
        v[0] = {0, 0, 5, 0, 1};
        v[1] = {0, 1200, 5, 0, 0};
        v[2] = {1920, 1200, 5, 1, 0};
        v[3] = {1920, 0, 5, 1, 1};
        quad->Unlock();
        std::swap(effect, compiled);
        EXPECT_TRUE(e.SetTechnique(technique));
        e.Begin();
        state->currentEffect = &e;
        e.BeginPass(0);
        state->SetMode(RenderMode::Mode2D);
        device->SetVertexFormat(VertexPosition | VertexTex1);
        device->SetStreamSource(quad.get(), 0, sizeof(QuadVertex));
        state->CommitMatrices();
        device->DrawPrimitive(PrimitiveType::TriangleFan, 0, 2);
        e.End();
        state->currentEffect = nullptr;
        Read();
        return At(8, 8);
    };
    state->BeginFrame();
    const Rgba quarterRed{64, 0, 0, 255}, quarterGreen{0, 64, 0, 255};
    auto near = [](Rgba x, Rgba y) {
        return std::abs(x.r - y.r) <= 1 && std::abs(x.g - y.g) <= 1 && x.b == y.b && x.a == y.a;
    };
    EXPECT_EQ(draw(*a, "R"), Red);
    Rgba drawn = draw(*b, "R");
    EXPECT_TRUE(near(drawn, quarterRed)) << drawn;
    EXPECT_EQ(draw(*a, "R"), Red);
    drawn = draw(*b, "G");
    EXPECT_TRUE(near(drawn, quarterGreen)) << drawn;
    EXPECT_EQ(draw(*a, "G"), Green);
    drawn = draw(*compiled, "R");
    EXPECT_TRUE(near(drawn, quarterRed)) << drawn;

    // Passes that pair the same sections draw with one program, compiled and linked once.
    auto* gl = dynamic_cast<CGLEffect*>(a.get());
    ASSERT_TRUE(gl);
    ASSERT_TRUE(gl->SetTechnique("Twice"));
    ASSERT_EQ(gl->Begin(), 2);
    gl->BeginPass(0);
    const GLProgram* first = gl->OpenProgram();
    gl->EndPass();
    gl->BeginPass(1);
    EXPECT_EQ(gl->OpenProgram(), first);
    gl->End();
}

TEST_F(GLDeviceTest, CompilerMessagesNameTheLinesOfTheEffectFile) {
    Open(16, 16);
    std::string errors;
    const std::string broken = "@common\nuniform float g_A;\n\n@vertex VS\nvoid main() { gl_Position = vec4(0.0); }\n"
                               "@fragment FS\nout vec4 c;\nvoid main() {\n  float x = 1.0;\n  c = vec4(nothing);\n}\n"
                               "@technique T\n@pass vertex=VS fragment=FS\n";
    EXPECT_FALSE(device->CreateEffect(ParsedEffect(broken), "broken.fx", errors));
    EXPECT_EQ(errors.rfind("broken.fx, @fragment FS: line 10:\n", 0), 0u) << errors;
}
