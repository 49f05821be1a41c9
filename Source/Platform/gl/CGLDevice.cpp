#include "Platform/gl/CGLDevice.h"

#include "Base/Log.h"

#include <SDL.h>

#include <algorithm>
#include <cstring>

// Buffers keep a CPU copy: Lock hands it out, Unlock sends it to GL, and draws check their ranges
// against it so that nothing is read outside a buffer.
class CGLVertexBuffer : public CVertexBuffer {
public:
    CGLVertexBuffer(std::shared_ptr<GLContextLink> link, size_t bytes) : link(std::move(link)), data(bytes) {
        glGenBuffers(1, &id);
        glBindBuffer(GL_ARRAY_BUFFER, id);
        glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(bytes), nullptr, GL_DYNAMIC_DRAW);
    }
    ~CGLVertexBuffer() override {
        if (link->Use())
            glDeleteBuffers(1, &id);
    }
    void* Lock() override { return data.data(); }
    void Unlock() override {
        if (!link->Use())
            return;
        glBindBuffer(GL_ARRAY_BUFFER, id);
        glBufferSubData(GL_ARRAY_BUFFER, 0, static_cast<GLsizeiptr>(data.size()), data.data());
    }
    size_t Size() const override { return data.size(); }

    std::shared_ptr<GLContextLink> link;
    std::vector<uint8_t> data;
    GLuint id = 0;
};

class CGLIndexBuffer : public CIndexBuffer {
public:
    CGLIndexBuffer(std::shared_ptr<GLContextLink> link, size_t count) : link(std::move(link)), data(count) {
        glGenBuffers(1, &id);
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, id);
        glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(count * 4), nullptr, GL_DYNAMIC_DRAW);
    }
    ~CGLIndexBuffer() override {
        if (link->Use())
            glDeleteBuffers(1, &id);
    }
    uint32_t* Lock() override { return data.data(); }
    void Unlock() override {
        if (!link->Use())
            return;
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, id);
        glBufferSubData(GL_ELEMENT_ARRAY_BUFFER, 0, static_cast<GLsizeiptr>(data.size() * 4), data.data());
    }
    size_t Count() const override { return data.size(); }

    std::shared_ptr<GLContextLink> link;
    std::vector<uint32_t> data;
    GLuint id = 0;
};

class CGLTexture : public CTexture {
public:
    CGLTexture(std::shared_ptr<GLContextLink> link, int w, int h) : link(std::move(link)), width(w), height(h) {}
    ~CGLTexture() override {
        if (!link->Use())
            return;
        if (fbo)
            glDeleteFramebuffers(1, &fbo);
        glDeleteTextures(1, &id);
    }
    int Width() const override { return width; }
    int Height() const override { return height; }
    bool IsRenderTarget() const override { return fbo != 0; }

    std::shared_ptr<GLContextLink> link;
    int width, height;
    GLuint id = 0;
    GLuint fbo = 0;
};

namespace {

// The device's own program for draws outside an effect pass, given as the parser would describe it
// (lines as in an effect file that starts with its @vertex line).
EffectDescription PlainEffect() {
    EffectDescription effect;
    effect.vertexShaders.push_back(EffectSection{"PlainVS", R"(layout(location = 0) in vec3 inPosition;
layout(location = 2) in vec4 inDiffuse;
out vec4 vColour;
void main() {
    gl_Position = vec4(inPosition, 1.0);
    vColour = inDiffuse;
}
)",
                                                 2});
    effect.fragmentShaders.push_back(EffectSection{"PlainPS", R"(in vec4 vColour;
out vec4 outColour;
void main() {
    outColour = vColour;
}
)",
                                                   10});
    effect.techniques.push_back(EffectTechnique{"Plain", {EffectPass{"PlainVS", "PlainPS", 16}}});
    return effect;
}

size_t VertexSize(uint32_t format) {
    size_t size = 0;
    if (format & VertexPosition)
        size += 12;
    if (format & VertexNormal)
        size += 12;
    if (format & VertexDiffuse)
        size += 4;
    if (format & VertexTex1)
        size += 8;
    return size;
}

GLenum Mode(PrimitiveType type) { return type == PrimitiveType::TriangleFan ? GL_TRIANGLE_FAN : GL_TRIANGLES; }

int VertexCountOf(PrimitiveType type, int primitives) {
    return type == PrimitiveType::TriangleFan ? primitives + 2 : primitives * 3;
}

} // namespace

std::unique_ptr<CGLDevice> CGLDevice::Create(SDL_Window* window, int w, int h, int samples, int depthSize, bool vsync) {
    std::unique_ptr<CGLDevice> device(new CGLDevice());
    if (!device->Init(window, w, h, samples, depthSize, vsync))
        return nullptr;
    return device;
}

bool CGLDevice::Init(SDL_Window* win, int w, int h, int wantedSamples, int wantedDepth, bool vsync) {
    window = win;
    width = std::max(w, 1);
    height = std::max(h, 1);
    SDL_GLContext ctx = SDL_GL_CreateContext(window);
    if (!ctx) {
        LOG("InitD3D", "Failed to create an OpenGL 3.3 context: %s", SDL_GetError());
        return false;
    }
    context = ctx;
    link->window = window;
    link->context = ctx;
    if (epoxy_gl_version() < 33) {
        LOG("InitD3D", "OpenGL 3.3 is needed, the driver offers %d.%d", epoxy_gl_version() / 10,
            epoxy_gl_version() % 10);
        return false;
    }
    SDL_GL_SetSwapInterval(vsync ? 1 : 0);

    clipControl = epoxy_gl_version() >= 45 || epoxy_has_gl_extension("GL_ARB_clip_control");
    if (clipControl)
        glClipControl(GL_LOWER_LEFT, GL_ZERO_TO_ONE);

    GLint maxSamples = 0;
    glGetIntegerv(GL_MAX_SAMPLES, &maxSamples);
    samples = wantedSamples > 1 ? std::min(wantedSamples, static_cast<int>(maxSamples)) : 0;
    if (samples < 2)
        samples = 0;
    // A lower level than asked for changes the picture: say so.
    if (wantedSamples > 1 && samples != wantedSamples)
        LOG("InitD3D", "Multisampling %dx is not supported: using %dx", wantedSamples, samples);
    // The depth buffer must cover the back buffer whatever size was asked for.
    depthSize = std::max({wantedDepth, width, height});

    glGenFramebuffers(1, &backFbo);
    glBindFramebuffer(GL_FRAMEBUFFER, backFbo);
    glGenRenderbuffers(1, &backColour);
    glBindRenderbuffer(GL_RENDERBUFFER, backColour);
    glRenderbufferStorageMultisample(GL_RENDERBUFFER, samples, GL_RGBA8, width, height);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, backColour);
    glGenRenderbuffers(1, &backDepth);
    glBindRenderbuffer(GL_RENDERBUFFER, backDepth);
    // Single-sampled, the back buffer's depth also serves the render targets and must be square and
    // as large as the largest; multisampled, it serves the back buffer alone, and a square of the
    // render targets' size would cost many times the memory (and the time to clear it).
    const int backDepthWidth = samples ? width : depthSize, backDepthHeight = samples ? height : depthSize;
    glRenderbufferStorageMultisample(GL_RENDERBUFFER, samples, GL_DEPTH24_STENCIL8, backDepthWidth, backDepthHeight);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, backDepth);
    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
        LOG("InitD3D", "Failed to get a depth buffer");
        return false;
    }

    if (samples) {
        // A multisampled depth buffer cannot serve single-sampled render targets, so they get their own.
        glGenFramebuffers(1, &resolveFbo);
        glBindFramebuffer(GL_FRAMEBUFFER, resolveFbo);
        glGenRenderbuffers(1, &resolveColour);
        glBindRenderbuffer(GL_RENDERBUFFER, resolveColour);
        glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, resolveColour);
        glGenRenderbuffers(1, &targetDepth);
        glBindRenderbuffer(GL_RENDERBUFFER, targetDepth);
        glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, depthSize, depthSize);
        if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
            LOG("InitD3D", "Failed to create the back buffer");
            return false;
        }
        glGenFramebuffers(1, &targetDepthFbo);
        glBindFramebuffer(GL_FRAMEBUFFER, targetDepthFbo);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, targetDepth);
        glDrawBuffer(GL_NONE);
        glReadBuffer(GL_NONE);
        if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
            LOG("InitD3D", "Failed to get a depth buffer");
            return false;
        }
    } else {
        targetDepth = backDepth;
    }

    glGenVertexArrays(1, &vao);
    glBindVertexArray(vao);

    const TextureFilter filters[] = {TextureFilter::Point, TextureFilter::Linear};
    const TextureAddress addresses[] = {TextureAddress::Clamp, TextureAddress::Wrap};
    glGenSamplers(4, samplerObjects);
    for (TextureFilter f : filters) {
        for (TextureAddress a : addresses) {
            GLuint s = SamplerFor(f, a);
            const bool linear = f == TextureFilter::Linear;
            glSamplerParameteri(s, GL_TEXTURE_MIN_FILTER, linear ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST);
            glSamplerParameteri(s, GL_TEXTURE_MAG_FILTER, linear ? GL_LINEAR : GL_NEAREST);
            const GLint wrap = a == TextureAddress::Clamp ? GL_CLAMP_TO_EDGE : GL_REPEAT;
            glSamplerParameteri(s, GL_TEXTURE_WRAP_S, wrap);
            glSamplerParameteri(s, GL_TEXTURE_WRAP_T, wrap);
        }
    }

    std::string errors;
    plainEffect = CGLEffect::Create(*this, PlainEffect(), "plain drawing", errors);
    if (!plainEffect || !plainEffect->SetTechnique("Plain")) {
        LOG("InitD3D", "Failed to build the plain drawing program: %s", errors.c_str());
        return false;
    }
    plainEffect->Begin();
    plainEffect->BeginPass(0);
    plainProgram = plainEffect->OpenProgram();
    openProgram = nullptr;

    glDisable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glDepthMask(GL_TRUE);
    glDisable(GL_CULL_FACE);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glVertexAttrib4f(2, 1, 1, 1, 1); // diffuse of vertices that carry none: white
    SetColourTarget(nullptr);
    return true;
}

CGLDevice::~CGLDevice() {
    if (!context)
        return;
    link->Use();
    plainEffect.reset();
    glDeleteSamplers(4, samplerObjects);
    if (readBuffers[0])
        glDeleteBuffers(2, readBuffers);
    glDeleteVertexArrays(1, &vao);
    if (targetDepth && targetDepth != backDepth)
        glDeleteRenderbuffers(1, &targetDepth);
    GLuint renderbuffers[] = {backColour, backDepth, resolveColour};
    glDeleteRenderbuffers(3, renderbuffers);
    GLuint framebuffers[] = {backFbo, resolveFbo, targetDepthFbo};
    glDeleteFramebuffers(3, framebuffers);
    link->alive = false;
    SDL_GL_DeleteContext(static_cast<SDL_GLContext>(context));
}

GLuint CGLDevice::SamplerFor(TextureFilter filter, TextureAddress address) const {
    return samplerObjects[(filter == TextureFilter::Linear ? 2 : 0) + (address == TextureAddress::Wrap ? 1 : 0)];
}

bool GLContextLink::Use() const {
    if (!alive)
        return false;
    if (SDL_GL_GetCurrentContext() != context)
        SDL_GL_MakeCurrent(window, static_cast<SDL_GLContext>(context));
    return true;
}

void CGLDevice::Clear(uint32_t flags, uint32_t argb, float depth) {
    link->Use();
    GLbitfield mask = 0;
    if (flags & ClearTarget) {
        glClearColor(static_cast<float>((argb >> 16) & 0xFF) / 255.0f, static_cast<float>((argb >> 8) & 0xFF) / 255.0f,
                     static_cast<float>(argb & 0xFF) / 255.0f, static_cast<float>(argb >> 24) / 255.0f);
        mask |= GL_COLOR_BUFFER_BIT;
    }
    if (flags & ClearDepth) {
        glClearDepth(std::clamp(depth, 0.0f, 1.0f));
        mask |= GL_DEPTH_BUFFER_BIT;
    }
    if (!mask)
        return;
    // Clearing ignores the depth-write switch, as drawing code expects.
    GLboolean depthMask = GL_TRUE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthMask);
    glDepthMask(GL_TRUE);
    glClear(mask);
    if ((flags & ClearDepth) && samples)
        ClearOtherDepth();
    glDepthMask(depthMask);
}

void CGLDevice::ClearOtherDepth() {
    // Without multisampling the screen and the render targets share one depth buffer, each using the
    // corner of it its own size covers, so a depth clear on one reaches the other there. With
    // multisampling they have a buffer each; the clear is repeated on the other one over that corner,
    // so a presentation looks the same at every anti-alias level.
    GLuint other = 0;
    int w = 0, h = 0;
    if (!target) {
        other = targetDepthFbo;
        w = width;
        h = height;
    } else if (target->width <= depthSize) {
        other = backFbo;
        w = std::min(target->width, width);
        h = std::min(target->height, height);
    }
    if (!other)
        return;
    glBindFramebuffer(GL_FRAMEBUFFER, other);
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, 0, w, h);
    glClear(GL_DEPTH_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);
    glBindFramebuffer(GL_FRAMEBUFFER, target ? target->fbo : backFbo);
}

void CGLDevice::SetAlphaBlending(bool enabled) {
    if (enabled)
        glEnable(GL_BLEND);
    else
        glDisable(GL_BLEND);
}

void CGLDevice::SetCullMode(CullMode mode) {
    cull = mode;
    ApplyCull();
}

void CGLDevice::ApplyCull() {
    // Screen winding: in the window GL's winding is the screen's; a render target is drawn flipped,
    // which reverses it.
    glFrontFace(target ? GL_CCW : GL_CW);
    if (cull == CullMode::None) {
        glDisable(GL_CULL_FACE);
        return;
    }
    glEnable(GL_CULL_FACE);
    glCullFace(cull == CullMode::CounterClockwise ? GL_BACK : GL_FRONT);
}

void CGLDevice::SetDepthTest(bool enabled) {
    if (enabled)
        glEnable(GL_DEPTH_TEST);
    else
        glDisable(GL_DEPTH_TEST);
}

void CGLDevice::SetDepthWrite(bool enabled) { glDepthMask(enabled ? GL_TRUE : GL_FALSE); }

void CGLDevice::SetSamplerState(int stage, TextureAddress address, TextureFilter filter) {
    if (stage < 0 || stage > 1)
        return;
    stageAddress[stage] = address;
    stageFilter[stage] = filter;
}

std::unique_ptr<CVertexBuffer> CGLDevice::CreateVertexBuffer(size_t bytes) {
    link->Use();
    if (bytes == 0)
        return nullptr;
    return std::make_unique<CGLVertexBuffer>(link, bytes);
}

std::unique_ptr<CIndexBuffer> CGLDevice::CreateIndexBuffer(size_t count) {
    link->Use();
    if (count == 0)
        return nullptr;
    return std::make_unique<CGLIndexBuffer>(link, count);
}

std::unique_ptr<CTexture> CGLDevice::CreateTexture(int w, int h, const uint8_t* rgba, int levels) {
    link->Use();
    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
    if (w <= 0 || h <= 0 || w > maxSize || h > maxSize)
        return nullptr;
    auto texture = std::make_unique<CGLTexture>(link, w, h);
    glGenTextures(1, &texture->id);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, texture->id);
    // Top row first: texture coordinate (0, 0) is the image's top-left corner.
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    const int maxLevel = std::max(0, std::min(levels, 2) - 1);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_BASE_LEVEL, 0);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, maxLevel);
    if (maxLevel > 0)
        glGenerateMipmap(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, 0);
    return texture;
}

std::unique_ptr<CTexture> CGLDevice::CreateRenderTarget(int size) {
    link->Use();
    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
    if (size <= 0 || size > maxSize)
        return nullptr;
    auto texture = std::make_unique<CGLTexture>(link, size, size);
    glGenTextures(1, &texture->id);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, texture->id);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, size, size, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    glBindTexture(GL_TEXTURE_2D, 0);

    glGenFramebuffers(1, &texture->fbo);
    glBindFramebuffer(GL_FRAMEBUFFER, texture->fbo);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture->id, 0);
    if (size <= depthSize)
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, targetDepth);
    const bool complete = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    glBindFramebuffer(GL_FRAMEBUFFER, target ? target->fbo : backFbo);
    if (!complete)
        return nullptr;
    return texture;
}

bool CGLDevice::SetColourTarget(CTexture* t) {
    link->Use();
    CGLTexture* texture = static_cast<CGLTexture*>(t);
    if (texture && !texture->fbo)
        return false;
    target = texture;
    glBindFramebuffer(GL_FRAMEBUFFER, target ? target->fbo : backFbo);
    if (target)
        glViewport(0, 0, target->width, target->height);
    else
        glViewport(0, 0, width, height);
    ApplyCull();
    return true;
}

std::unique_ptr<CEffect> CGLDevice::CreateEffect(const EffectDescription& effect, const std::string& name,
                                                 std::string& errors) {
    link->Use();
    return CGLEffect::Create(*this, effect, name, errors);
}

void CGLDevice::SetStreamSource(CVertexBuffer* buffer, size_t offset, size_t stride) {
    stream = static_cast<CGLVertexBuffer*>(buffer);
    streamOffset = offset;
    streamStride = stride;
}

void CGLDevice::SetIndices(CIndexBuffer* buffer) { indices = static_cast<CGLIndexBuffer*>(buffer); }

void CGLDevice::SetTexture(int stage, CTexture* texture) {
    if (stage < 0 || stage > 1)
        return;
    glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(stage));
    glBindTexture(GL_TEXTURE_2D, texture ? static_cast<CGLTexture*>(texture)->id : 0);
    glActiveTexture(GL_TEXTURE0);
}

void CGLDevice::LogBadDraw(const char* function, const char* what) {
    // Once per run: a bad draw repeats every frame.
    if (loggedBadDraw)
        return;
    loggedBadDraw = true;
    LOG(function, "Draw skipped: %s", what);
}

bool CGLDevice::PrepareDraw(size_t vertices) {
    const size_t vertexSize = VertexSize(format);
    if (!stream || !(format & VertexPosition) || vertices == 0)
        return false;
    if (streamStride < vertexSize || streamOffset > stream->data.size() ||
        (vertices - 1) * streamStride + vertexSize > stream->data.size() - streamOffset)
        return false;

    const GLProgram* program = openProgram ? openProgram : plainProgram;
    glUseProgram(program->id);
    const DeviceUniforms& d = program->device;
    glUniform1f(d.flipY, target ? -1.0f : 1.0f);
    glUniform1f(d.remapDepth, clipControl ? 0.0f : 1.0f);
    if (d.ambient >= 0) {
        const float a[4] = {static_cast<float>((ambient >> 16) & 0xFF) / 255.0f,
                            static_cast<float>((ambient >> 8) & 0xFF) / 255.0f,
                            static_cast<float>(ambient & 0xFF) / 255.0f, static_cast<float>(ambient >> 24) / 255.0f};
        glUniform4fv(d.ambient, 1, a);
    }
    glUniform1f(d.lightingEnabled, lighting ? 1.0f : 0.0f);
    glUniform1f(d.light0Enabled, light0.enabled ? 1.0f : 0.0f);
    glUniform3fv(d.light0Position, 1, light0.position);
    glUniform4fv(d.light0Diffuse, 1, light0.diffuse);
    glUniform4fv(d.light0Specular, 1, light0.specular);
    glUniform4fv(d.light0Ambient, 1, light0.ambient);
    glUniform1f(d.light0Range, light0.range);

    for (int stage = 0; stage < 2; ++stage) {
        const EffectSampler& s = program->samplers[stage];
        glBindSampler(static_cast<GLuint>(stage), SamplerFor(s.hasFilter ? s.filter : stageFilter[stage],
                                                             s.hasAddress ? s.address : stageAddress[stage]));
    }

    glBindBuffer(GL_ARRAY_BUFFER, stream->id);
    const GLsizei stride = static_cast<GLsizei>(streamStride);
    size_t offset = streamOffset;
    auto attribute = [&](GLuint location, bool present, GLint size, GLenum type, GLboolean normalised, size_t bytes) {
        if (!present) {
            glDisableVertexAttribArray(location);
            return;
        }
        glEnableVertexAttribArray(location);
        glVertexAttribPointer(location, size, type, normalised, stride, reinterpret_cast<const void*>(offset));
        offset += bytes;
    };
    attribute(0, true, 3, GL_FLOAT, GL_FALSE, 12);
    attribute(1, format & VertexNormal, 3, GL_FLOAT, GL_FALSE, 12);
    // Packed ARGB is B, G, R, A in memory: GL_BGRA reads it as red, green, blue, alpha.
    attribute(2, format & VertexDiffuse, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, 4);
    attribute(3, format & VertexTex1, 2, GL_FLOAT, GL_FALSE, 8);
    return true;
}

void CGLDevice::DrawPrimitive(PrimitiveType type, int startVertex, int primitiveCount) {
    if (primitiveCount <= 0 || startVertex < 0)
        return;
    const int count = VertexCountOf(type, primitiveCount);
    if (!PrepareDraw(static_cast<size_t>(startVertex) + static_cast<size_t>(count))) {
        LogBadDraw("CGraphicsDevice::DrawPrimitive", "the vertices lie outside the vertex buffer");
        return;
    }
    glDrawArrays(Mode(type), startVertex, count);
}

void CGLDevice::DrawIndexedPrimitive(PrimitiveType type, int baseVertex, int vertexCount, int startIndex,
                                     int primitiveCount) {
    (void)vertexCount; // the range is checked against the indices themselves
    if (primitiveCount <= 0 || startIndex < 0 || baseVertex < 0 || !indices)
        return;
    const size_t count = static_cast<size_t>(VertexCountOf(type, primitiveCount));
    const size_t first = static_cast<size_t>(startIndex);
    if (first > indices->data.size() || count > indices->data.size() - first) {
        LogBadDraw("CGraphicsDevice::DrawIndexedPrimitive", "the indices lie outside the index buffer");
        return;
    }
    uint32_t highest = 0;
    for (size_t i = first; i < first + count; ++i)
        highest = std::max(highest, indices->data[i]);
    if (!PrepareDraw(static_cast<size_t>(baseVertex) + highest + 1)) {
        LogBadDraw("CGraphicsDevice::DrawIndexedPrimitive", "an index names a vertex outside the vertex buffer");
        return;
    }
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indices->id);
    glDrawElementsBaseVertex(Mode(type), static_cast<GLsizei>(count), GL_UNSIGNED_INT,
                             reinterpret_cast<const void*>(first * 4), baseVertex);
}

void CGLDevice::ResolveBackBuffer() {
    if (!samples)
        return;
    glBindFramebuffer(GL_READ_FRAMEBUFFER, backFbo);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, resolveFbo);
    glBlitFramebuffer(0, 0, width, height, 0, 0, width, height, GL_COLOR_BUFFER_BIT, GL_NEAREST);
}

void CGLDevice::Present() {
    link->Use();
    ResolveBackBuffer();
    int drawableWidth = width, drawableHeight = height;
    SDL_GL_GetDrawableSize(window, &drawableWidth, &drawableHeight);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, samples ? resolveFbo : backFbo);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    glBlitFramebuffer(0, 0, width, height, 0, 0, drawableWidth, drawableHeight, GL_COLOR_BUFFER_BIT,
                      drawableWidth == width && drawableHeight == height ? GL_NEAREST : GL_LINEAR);
    if (windowOverlay)
        windowOverlay(drawableWidth, drawableHeight);
    SDL_GL_SwapWindow(window);
    glBindFramebuffer(GL_FRAMEBUFFER, target ? target->fbo : backFbo);
}

bool CGLDevice::ReadBackBuffer(std::vector<uint8_t>& rgba, int& w, int& h) {
    link->Use();
    ResolveBackBuffer();
    glBindFramebuffer(GL_READ_FRAMEBUFFER, samples ? resolveFbo : backFbo);
    w = width;
    h = height;
    const size_t row = static_cast<size_t>(width) * 4;
    rgba.resize(row * static_cast<size_t>(height));
    while (glGetError() != GL_NO_ERROR) {
    }
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    glBindFramebuffer(GL_FRAMEBUFFER, target ? target->fbo : backFbo);
    // GL rows run bottom-up.
    std::vector<uint8_t> swap(row);
    for (int y = 0; y < height / 2; ++y) {
        uint8_t* a = rgba.data() + static_cast<size_t>(y) * row;
        uint8_t* b = rgba.data() + static_cast<size_t>(height - 1 - y) * row;
        std::memcpy(swap.data(), a, row);
        std::memcpy(a, b, row);
        std::memcpy(b, swap.data(), row);
    }
    for (size_t i = 3; i < rgba.size(); i += 4)
        rgba[i] = 255;
    return glGetError() == GL_NO_ERROR;
}

bool CGLDevice::BeginReadBack() {
    if (readCount == 2)
        return false;
    const GLsizeiptr size = static_cast<GLsizeiptr>(width) * height * 4;
    if (!readBuffers[0]) {
        glGenBuffers(2, readBuffers);
        for (GLuint buffer : readBuffers) {
            glBindBuffer(GL_PIXEL_PACK_BUFFER, buffer);
            glBufferData(GL_PIXEL_PACK_BUFFER, size, nullptr, GL_STREAM_READ);
        }
    }
    while (glGetError() != GL_NO_ERROR) {
    }
    ResolveBackBuffer();
    glBindFramebuffer(GL_READ_FRAMEBUFFER, samples ? resolveFbo : backFbo);
    glBindBuffer(GL_PIXEL_PACK_BUFFER, readBuffers[(readFirst + readCount) % 2]);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    glBindFramebuffer(GL_FRAMEBUFFER, target ? target->fbo : backFbo);
    if (glGetError() != GL_NO_ERROR)
        return false;
    ++readCount;
    return true;
}

bool CGLDevice::FinishReadBack(std::vector<uint8_t>& rgba, int& w, int& h) {
    if (readCount == 0)
        return false;
    const GLuint buffer = readBuffers[readFirst];
    readFirst = (readFirst + 1) % 2;
    --readCount;
    const size_t row = static_cast<size_t>(width) * 4;
    glBindBuffer(GL_PIXEL_PACK_BUFFER, buffer);
    const auto* mapped = static_cast<const uint8_t*>(
        glMapBufferRange(GL_PIXEL_PACK_BUFFER, 0, static_cast<GLsizeiptr>(row * height), GL_MAP_READ_BIT));
    if (!mapped) {
        glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
        return false;
    }
    w = width;
    h = height;
    rgba.resize(row * static_cast<size_t>(height));
    // GL rows run bottom-up; the picture on screen has no alpha.
    for (int y = 0; y < height; ++y) {
        uint8_t* out = rgba.data() + static_cast<size_t>(y) * row;
        std::memcpy(out, mapped + static_cast<size_t>(height - 1 - y) * row, row);
        for (size_t i = 3; i < row; i += 4)
            out[i] = 255;
    }
    const bool intact = glUnmapBuffer(GL_PIXEL_PACK_BUFFER) == GL_TRUE;
    glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    return intact;
}
