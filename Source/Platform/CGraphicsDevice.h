// The drawing interface every layer, resource and the render state go through. The OpenGL
// implementation lives in this folder; tests use a recording implementation that keeps every call.
// Nothing outside Source/Platform knows which one it talks to.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CEffect;
struct EffectDescription;

// Vertex layout bits (the same values as the flexible vertex format bits the scripts' data was made
// for). Attribute locations in effects: 0 position, 1 normal, 2 diffuse colour, 3 texture coordinate.
enum VertexFormatBits : uint32_t {
    VertexPosition = 0x002, // three floats
    VertexNormal = 0x010,   // three floats
    VertexDiffuse = 0x040,  // packed ARGB, 4 bytes
    VertexTex1 = 0x100,     // two floats
};

enum class PrimitiveType { TriangleList, TriangleFan };

// Which triangles are not drawn, by their winding as seen on screen.
enum class CullMode { None, Clockwise, CounterClockwise };

enum ClearFlags : uint32_t { ClearTarget = 1, ClearDepth = 2 };

// How a texture stage samples when the effect drawing does not say otherwise.
enum class TextureFilter { Point, Linear };
enum class TextureAddress { Clamp, Wrap };

struct LightState {
    bool enabled = false;
    float position[3] = {0, 0, 0};
    float diffuse[4] = {0, 0, 0, 0};
    float specular[4] = {0, 0, 0, 0};
    float ambient[4] = {0, 0, 0, 0};
    float range = 0;
};

class CVertexBuffer {
public:
    virtual ~CVertexBuffer() = default;
    // CPU-side storage of the whole buffer; Unlock makes the written bytes the ones drawn.
    virtual void* Lock() = 0;
    virtual void Unlock() = 0;
    virtual size_t Size() const = 0;
};

class CIndexBuffer {
public:
    virtual ~CIndexBuffer() = default;
    virtual uint32_t* Lock() = 0;
    virtual void Unlock() = 0;
    virtual size_t Count() const = 0;
};

class CTexture {
public:
    virtual ~CTexture() = default;
    virtual int Width() const = 0; // device texture size in pixels
    virtual int Height() const = 0;
    virtual bool IsRenderTarget() const = 0;
};

class CGraphicsDevice {
public:
    virtual ~CGraphicsDevice() = default;

    // Size of the back buffer in pixels.
    virtual int BackBufferWidth() const = 0;
    virtual int BackBufferHeight() const = 0;

    virtual void BeginScene() = 0;
    virtual void EndScene() = 0;
    virtual void Clear(uint32_t flags, uint32_t argb, float depth) = 0;

    // Render states by meaning.
    virtual void SetAlphaBlending(bool enabled) = 0; // source alpha / inverse source alpha
    virtual void SetLighting(bool enabled) = 0;      // offered to effects as g_LightingEnabled
    virtual void SetCullMode(CullMode mode) = 0;
    virtual void SetDepthTest(bool enabled) = 0;
    virtual void SetDepthWrite(bool enabled) = 0;
    virtual void SetAmbient(uint32_t argb) = 0; // offered to effects as g_Ambient
    virtual void SetLight0(const LightState& light) = 0;
    // Addressing and filtering of a texture stage (0 or 1); an effect's own sampler lines win.
    virtual void SetSamplerState(int /*stage*/, TextureAddress /*address*/, TextureFilter /*filter*/) {}

    // Buffers and textures.
    virtual std::unique_ptr<CVertexBuffer> CreateVertexBuffer(size_t bytes) = 0;
    virtual std::unique_ptr<CIndexBuffer> CreateIndexBuffer(size_t count) = 0;
    // RGBA8 pixels, top row first; `levels` mip levels (1 or 2), each level half the previous one.
    virtual std::unique_ptr<CTexture> CreateTexture(int width, int height, const uint8_t* rgba, int levels) = 0;
    // A square colour texture that can be drawn into.
    virtual std::unique_ptr<CTexture> CreateRenderTarget(int size) = 0;
    // Draw into the render target, or into the back buffer when `target` is null.
    virtual bool SetColourTarget(CTexture* target) = 0;

    // Compiles a parsed effect file (docs/effects.md); `name` is its file's, for messages. On
    // failure returns null and puts the compiler's own message in `errors`.
    virtual std::unique_ptr<CEffect> CreateEffect(const EffectDescription& effect, const std::string& name,
                                                  std::string& errors) = 0;

    // Drawing. Outside an effect pass, draws use a plain program: positions are clip-space
    // coordinates and the colour is the vertex's diffuse colour.
    virtual void SetVertexFormat(uint32_t formatBits) = 0;
    virtual void SetStreamSource(CVertexBuffer* buffer, size_t offset, size_t stride) = 0;
    virtual void SetIndices(CIndexBuffer* indices) = 0;
    virtual void SetTexture(int stage, CTexture* texture) = 0;
    virtual void DrawPrimitive(PrimitiveType type, int startVertex, int primitiveCount) = 0;
    virtual void DrawIndexedPrimitive(PrimitiveType type, int baseVertex, int vertexCount, int startIndex,
                                      int primitiveCount) = 0;

    // Ends the frame: resolves the back buffer and shows it.
    virtual void Present() = 0;
    // Reads the back buffer as RGBA8, top row first.
    virtual bool ReadBackBuffer(std::vector<uint8_t>& rgba, int& width, int& height) = 0;

    // Capture's read-back in two halves, so that a device can copy a frame out while the next one is
    // drawn: BeginReadBack takes the back buffer as it is now, and FinishReadBack hands over the
    // oldest picture taken and not yet handed over, as ReadBackBuffer gives it. The loop draws frame
    // n + 1 and begins its read-back before it finishes frame n's, so two may be under way. Here the
    // picture is read at once; a device may start a copy and wait for it only in FinishReadBack.
    virtual bool BeginReadBack() {
        if (readBackCount == 2)
            return false;
        ReadBack& slot = readBacks[(readBackFirst + readBackCount) % 2];
        if (!ReadBackBuffer(slot.rgba, slot.width, slot.height))
            return false;
        ++readBackCount;
        return true;
    }
    // False when no read-back is under way or the picture could not be read.
    virtual bool FinishReadBack(std::vector<uint8_t>& rgba, int& width, int& height) {
        if (readBackCount == 0)
            return false;
        ReadBack& slot = readBacks[readBackFirst];
        rgba.swap(slot.rgba);
        width = slot.width;
        height = slot.height;
        readBackFirst = (readBackFirst + 1) % 2;
        --readBackCount;
        return true;
    }

private:
    struct ReadBack {
        std::vector<uint8_t> rgba;
        int width = 0, height = 0;
    };
    ReadBack readBacks[2];
    int readBackFirst = 0, readBackCount = 0;
};
