// The graphics device on OpenGL 3.3 core. The back buffer is a framebuffer of the device's own with
// the chosen size and multisampling, resolved and shown by Present and read back for capture. Render
// targets are drawn into upside down, so that they read back upright as textures; fixed-function
// state GL lacks (ambient colour, light 0) is kept here and fed to effects as uniforms.
#pragma once

#include "Platform/CGraphicsDevice.h"
#include "Platform/gl/CGLEffect.h"

#include <epoxy/gl.h>

#include <functional>
#include <memory>
#include <vector>

struct SDL_Window;
class CGLVertexBuffer;
class CGLIndexBuffer;
class CGLTexture;

// What the device's objects need of it, also after it is gone: whether its context still exists,
// and a way to make that context current before they touch GL, since several devices (each with a
// context of its own) can live in one process.
struct GLContextLink {
    bool alive = true;
    SDL_Window* window = nullptr;
    void* context = nullptr;
    // False once the device is gone; otherwise makes its context current where it is not.
    bool Use() const;
};

class CGLDevice : public CGraphicsDevice {
public:
    // Makes the context on the window and the device's framebuffers; null with a log line on failure.
    static std::unique_ptr<CGLDevice> Create(SDL_Window* window, int width, int height, int samples, int depthSize,
                                             bool vsync);
    ~CGLDevice() override;

    int BackBufferWidth() const override { return width; }
    int BackBufferHeight() const override { return height; }

    void BeginScene() override { link->Use(); }
    void EndScene() override {}
    void Clear(uint32_t flags, uint32_t argb, float depth) override;

    void SetAlphaBlending(bool enabled) override;
    void SetLighting(bool enabled) override { lighting = enabled; }
    void SetCullMode(CullMode mode) override;
    void SetDepthTest(bool enabled) override;
    void SetDepthWrite(bool enabled) override;
    void SetAmbient(uint32_t argb) override { ambient = argb; }
    void SetLight0(const LightState& light) override { light0 = light; }
    void SetSamplerState(int stage, TextureAddress address, TextureFilter filter) override;

    std::unique_ptr<CVertexBuffer> CreateVertexBuffer(size_t bytes) override;
    std::unique_ptr<CIndexBuffer> CreateIndexBuffer(size_t count) override;
    std::unique_ptr<CTexture> CreateTexture(int w, int h, const uint8_t* rgba, int levels) override;
    std::unique_ptr<CTexture> CreateRenderTarget(int size) override;
    bool SetColourTarget(CTexture* target) override;

    std::unique_ptr<CEffect> CreateEffect(const EffectDescription& effect, const std::string& name,
                                          std::string& errors) override;

    void SetVertexFormat(uint32_t formatBits) override { format = formatBits; }
    void SetStreamSource(CVertexBuffer* buffer, size_t offset, size_t stride) override;
    void SetIndices(CIndexBuffer* indices) override;
    void SetTexture(int stage, CTexture* texture) override;
    void DrawPrimitive(PrimitiveType type, int startVertex, int primitiveCount) override;
    void DrawIndexedPrimitive(PrimitiveType type, int baseVertex, int vertexCount, int startIndex,
                              int primitiveCount) override;

    void Present() override;
    // Alpha comes back as 255: the picture on screen has none.
    bool ReadBackBuffer(std::vector<uint8_t>& rgba, int& w, int& h) override;
    // Through pixel buffer objects: the copy runs on the GPU while the next frame is drawn.
    bool BeginReadBack() override;
    bool FinishReadBack(std::vector<uint8_t>& rgba, int& w, int& h) override;

    // For effects: the pass program that draws until it ends, or null for the plain program.
    void SetOpenProgram(const GLProgram* program) { openProgram = program; }
    const GLProgram* OpenProgram() const { return openProgram; }
    const std::shared_ptr<GLContextLink>& Link() const { return link; }

    // Draws onto the window after Present has put the finished frame there and before it is shown
    // (the authoring overlay), with the window's framebuffer bound for drawing. The back buffer that
    // ReadBackBuffer and capture read is never touched by it.
    void SetWindowOverlay(std::function<void(int drawableWidth, int drawableHeight)> draw) {
        windowOverlay = std::move(draw);
    }
    bool RemapsDepth() const { return !clipControl; }

private:
    CGLDevice() = default;
    bool Init(SDL_Window* window, int w, int h, int samples, int depthSize, bool vsync);
    void ApplyCull();
    // Repeats a depth clear on the depth buffer of the other side (screen or render targets).
    void ClearOtherDepth();
    void ResolveBackBuffer();
    // Sets up program, uniforms, attributes and samplers for a draw of `vertices` vertices from the
    // stream; false (nothing drawn) when the stream cannot supply them.
    bool PrepareDraw(size_t vertices);
    void LogBadDraw(const char* function, const char* what);
    GLuint SamplerFor(TextureFilter filter, TextureAddress address) const;

    SDL_Window* window = nullptr;
    void* context = nullptr;
    std::shared_ptr<GLContextLink> link = std::make_shared<GLContextLink>();
    int width = 0, height = 0, samples = 0, depthSize = 0;
    bool clipControl = false;

    GLuint backFbo = 0, backColour = 0, backDepth = 0;
    GLuint resolveFbo = 0, resolveColour = 0; // only with multisampling
    GLuint targetDepth = 0;                   // depth for render targets (backDepth without multisampling)
    GLuint targetDepthFbo = 0;                // targetDepth alone, for clearing it (only with multisampling)
    GLuint vao = 0;
    GLuint samplerObjects[4] = {}; // filter x address
    GLuint readBuffers[2] = {};    // pixel buffer objects of read-backs under way
    int readFirst = 0, readCount = 0;

    std::unique_ptr<CGLEffect> plainEffect;
    const GLProgram* plainProgram = nullptr;
    const GLProgram* openProgram = nullptr;

    uint32_t format = 0;
    CGLVertexBuffer* stream = nullptr;
    size_t streamOffset = 0, streamStride = 0;
    CGLIndexBuffer* indices = nullptr;
    CGLTexture* target = nullptr;
    CullMode cull = CullMode::None;
    bool lighting = false;
    uint32_t ambient = 0;
    LightState light0;
    TextureFilter stageFilter[2] = {TextureFilter::Point, TextureFilter::Point};
    TextureAddress stageAddress[2] = {TextureAddress::Wrap, TextureAddress::Wrap};
    bool loggedBadDraw = false;
    std::function<void(int, int)> windowOverlay;
};
