// A graphics device that draws nothing and keeps nothing but a few counters, so that the engine's own
// per-frame work can be measured (and its heap allocations counted) without a GPU and without the
// cost of recording every call. Every technique exists and has `passes` passes.
#pragma once

#include "Platform/CEffect.h"
#include "Platform/CGraphicsDevice.h"

#include <vector>

struct NullDeviceCounters {
    long draws = 0;        // DrawPrimitive and DrawIndexedPrimitive
    long stateChanges = 0; // render states, vertex format, stream, indices, textures, colour target
    long effectValues = 0; // SetMatrix and SetValue on any effect
    long commits = 0;
};

class CNullDevice : public CGraphicsDevice {
public:
    explicit CNullDevice(int backBufferWidth = 1280, int backBufferHeight = 720)
        : width(backBufferWidth), height(backBufferHeight) {}

    int BackBufferWidth() const override { return width; }
    int BackBufferHeight() const override { return height; }

    void BeginScene() override {}
    void EndScene() override {}
    void Clear(uint32_t, uint32_t, float) override { ++counters.stateChanges; }

    void SetAlphaBlending(bool) override { ++counters.stateChanges; }
    void SetLighting(bool) override { ++counters.stateChanges; }
    void SetCullMode(CullMode) override { ++counters.stateChanges; }
    void SetDepthTest(bool) override { ++counters.stateChanges; }
    void SetDepthWrite(bool) override { ++counters.stateChanges; }
    void SetAmbient(uint32_t) override { ++counters.stateChanges; }
    void SetLight0(const LightState&) override { ++counters.stateChanges; }
    void SetSamplerState(int, TextureAddress, TextureFilter) override { ++counters.stateChanges; }

    std::unique_ptr<CVertexBuffer> CreateVertexBuffer(size_t bytes) override;
    std::unique_ptr<CIndexBuffer> CreateIndexBuffer(size_t count) override;
    std::unique_ptr<CTexture> CreateTexture(int w, int h, const uint8_t* rgba, int levels) override;
    std::unique_ptr<CTexture> CreateRenderTarget(int size) override;
    bool SetColourTarget(CTexture* target) override;

    std::unique_ptr<CEffect> CreateEffect(const EffectDescription& effect, const std::string& name,
                                          std::string& errors) override;

    void SetVertexFormat(uint32_t) override { ++counters.stateChanges; }
    void SetStreamSource(CVertexBuffer*, size_t, size_t) override { ++counters.stateChanges; }
    void SetIndices(CIndexBuffer*) override { ++counters.stateChanges; }
    void SetTexture(int, CTexture*) override { ++counters.stateChanges; }
    void DrawPrimitive(PrimitiveType, int, int) override { ++counters.draws; }
    void DrawIndexedPrimitive(PrimitiveType, int, int, int, int) override { ++counters.draws; }

    void Present() override {}
    bool ReadBackBuffer(std::vector<uint8_t>& rgba, int& w, int& h) override;

    int passes = 1;
    NullDeviceCounters counters;
    int width;
    int height;
};
