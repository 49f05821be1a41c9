// A graphics device that draws nothing and keeps one line of text per call, so that tests can
// check what the drawing logic asked for and in which order.
#pragma once

#include "Render/CRenderState.h"
#include "Platform/CEffect.h"
#include "Platform/CGraphicsDevice.h"

#include <cstring>
#include <string>
#include <vector>

class FakeEffect : public CEffect {
public:
    FakeEffect(std::string src, std::vector<std::string>& log) : source(std::move(src)), calls(log) {}
    bool SetTechnique(const std::string& name) override {
        calls.push_back("SetTechnique " + name);
        selected = source.find("@technique " + name) != std::string::npos;
        return selected;
    }
    int Begin() override { calls.push_back("Begin"); return selected ? 1 : 0; }
    void BeginPass(int pass) override { calls.push_back("BeginPass " + std::to_string(pass)); }
    void EndPass() override { calls.push_back("EndPass"); }
    void End() override { calls.push_back("End"); }
    void SetMatrix(const char* name, const float*) override { calls.push_back(std::string("SetMatrix ") + name); }
    void SetValue(const char* name, const void* data, size_t bytes) override {
        std::string line = std::string("SetValue ") + name;
        const float* f = static_cast<const float*>(data);
        for (size_t i = 0; i < bytes / 4; ++i)
            line += " " + Number(f[i]);
        calls.push_back(line);
    }
    void CommitChanges() override { calls.push_back("CommitChanges"); }

    static std::string Number(float v) {
        char text[32];
        std::snprintf(text, sizeof text, "%g", v);
        return text;
    }

    std::string source;
    std::vector<std::string>& calls;
    bool selected = false;
};

class FakeTexture : public CTexture {
public:
    FakeTexture(int w, int h, bool target) : width(w), height(h), renderTarget(target) {}
    int Width() const override { return width; }
    int Height() const override { return height; }
    bool IsRenderTarget() const override { return renderTarget; }
    int width, height;
    bool renderTarget;
    std::vector<uint8_t> pixels;
    int levels = 0;
};

class FakeVertexBuffer : public CVertexBuffer {
public:
    explicit FakeVertexBuffer(size_t bytes) : data(bytes) {}
    void* Lock() override { return data.data(); }
    void Unlock() override {}
    size_t Size() const override { return data.size(); }
    std::vector<uint8_t> data;
};

class FakeDevice : public CGraphicsDevice {
public:
    int BackBufferWidth() const override { return 1024; }
    int BackBufferHeight() const override { return 768; }
    void BeginScene() override { calls.push_back("BeginScene"); }
    void EndScene() override { calls.push_back("EndScene"); }
    void Clear(uint32_t, uint32_t, float) override { calls.push_back("Clear"); }
    void SetAlphaBlending(bool on) override { calls.push_back(std::string("SetAlphaBlending ") + (on ? "1" : "0")); }
    void SetLighting(bool on) override { calls.push_back(std::string("SetLighting ") + (on ? "1" : "0")); }
    void SetCullMode(CullMode m) override { calls.push_back("SetCullMode " + std::to_string(static_cast<int>(m))); }
    void SetDepthTest(bool on) override { calls.push_back(std::string("SetDepthTest ") + (on ? "1" : "0")); }
    void SetDepthWrite(bool on) override { calls.push_back(std::string("SetDepthWrite ") + (on ? "1" : "0")); }
    void SetAmbient(uint32_t) override { calls.push_back("SetAmbient"); }
    void SetLight0(const LightState&) override { calls.push_back("SetLight0"); }
    std::unique_ptr<CVertexBuffer> CreateVertexBuffer(size_t bytes) override {
        calls.push_back("CreateVertexBuffer " + std::to_string(bytes));
        auto buffer = std::make_unique<FakeVertexBuffer>(bytes);
        vertexBuffers.push_back(buffer.get());
        return buffer;
    }
    std::unique_ptr<CIndexBuffer> CreateIndexBuffer(size_t) override { return nullptr; }
    std::unique_ptr<CTexture> CreateTexture(int w, int h, const uint8_t* rgba, int levels) override {
        calls.push_back("CreateTexture " + std::to_string(w) + "x" + std::to_string(h) + " levels " +
                        std::to_string(levels));
        auto texture = std::make_unique<FakeTexture>(w, h, false);
        texture->pixels.assign(rgba, rgba + static_cast<size_t>(w) * h * 4);
        texture->levels = levels;
        textures.push_back(texture.get());
        return texture;
    }
    std::unique_ptr<CTexture> CreateRenderTarget(int size) override {
        calls.push_back("CreateRenderTarget " + std::to_string(size));
        return std::make_unique<FakeTexture>(size, size, true);
    }
    bool SetColourTarget(CTexture* target) override {
        calls.push_back(target ? "SetColourTarget target" : "SetColourTarget back");
        return true;
    }
    std::unique_ptr<CEffect> CreateEffect(const std::string& source, const std::string& name,
                                          std::string& errors) override {
        calls.push_back("CreateEffect " + name);
        if (source.find("#error") != std::string::npos) {
            errors = "0(1) : error C0000: syntax error";
            return nullptr;
        }
        return std::make_unique<FakeEffect>(source, calls);
    }
    void SetVertexFormat(uint32_t bits) override { calls.push_back("SetVertexFormat " + std::to_string(bits)); }
    void SetStreamSource(CVertexBuffer*, size_t offset, size_t stride) override {
        calls.push_back("SetStreamSource " + std::to_string(offset) + " " + std::to_string(stride));
    }
    void SetIndices(CIndexBuffer*) override { calls.push_back("SetIndices"); }
    void SetTexture(int stage, CTexture* texture) override {
        calls.push_back("SetTexture " + std::to_string(stage) + (texture ? " texture" : " none"));
    }
    void DrawPrimitive(PrimitiveType type, int start, int count) override {
        calls.push_back(std::string("DrawPrimitive ") + (type == PrimitiveType::TriangleList ? "list " : "fan ") +
                        std::to_string(start) + " " + std::to_string(count));
    }
    void DrawIndexedPrimitive(PrimitiveType, int, int, int, int) override { calls.push_back("DrawIndexedPrimitive"); }
    void Present() override { calls.push_back("Present"); }
    bool ReadBackBuffer(std::vector<uint8_t>&, int&, int&) override { return false; }

    // Lines of `calls` that start with `prefix`.
    std::vector<std::string> CallsStartingWith(const std::string& prefix) const {
        std::vector<std::string> found;
        for (const std::string& c : calls)
            if (c.compare(0, prefix.size(), prefix) == 0)
                found.push_back(c);
        return found;
    }

    std::vector<std::string> calls;
    std::vector<FakeVertexBuffer*> vertexBuffers;
    std::vector<FakeTexture*> textures;
};

// Installs a FakeDevice as the process's device (and a fresh render state on it) for one test.
class ScopedFakeDevice {
public:
    ScopedFakeDevice() {
        SetGraphicsDevice(&device);
        CRenderState::ResetForTests();
        CRenderState::Get(); // its start-up states are not what the tests look at
        device.calls.clear();
        renderTargetBound = false;
    }
    ~ScopedFakeDevice() {
        CRenderState::ResetForTests();
        SetGraphicsDevice(nullptr);
        renderTargetBound = false;
    }
    FakeDevice device;
};
