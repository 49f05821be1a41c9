// A graphics device and effect pair that draw nothing and keep every call with its arguments, so
// that the render state, the layers and the resources are tested without a GPU or a display.
// Device and effect calls go into one list, in the order they were made.
#pragma once

#include "Platform/CEffect.h"
#include "Platform/CGraphicsDevice.h"
#include "Platform/EffectDescription.h"

#include <glm/mat4x4.hpp>
#include <glm/vec4.hpp>

#include <map>
#include <memory>
#include <string>
#include <vector>

// Counts the device objects alive: every object the device makes holds one, so a test can check
// that destroying what made them released them all.
class CLiveCount {
public:
    CLiveCount() = default;
    CLiveCount(const CLiveCount&) = delete;
    CLiveCount& operator=(const CLiveCount&) = delete;
    ~CLiveCount() {
        if (count)
            --*count;
    }
    void Attach(std::shared_ptr<int> counter) {
        count = std::move(counter);
        ++*count;
    }

private:
    std::shared_ptr<int> count;
};

struct RecordedCall {
    std::string name;             // the method's name: "DrawPrimitive", "SetMatrix", ...
    std::string text;             // a parameter or technique name, an effect's source name
    std::vector<int> ints;        // integer arguments (enums and bools as ints)
    std::vector<float> floats;    // float arguments, a matrix's 16 floats, a value's bytes as floats
    const void* object = nullptr; // the buffer, texture or effect the call names (null for none)
    const void* effect = nullptr; // for effect calls: the effect called
    uint32_t colour = 0;          // a packed ARGB argument (Clear, SetAmbient)
};

class CRecordingTexture : public CTexture {
public:
    CRecordingTexture(int w, int h, bool renderTarget) : width(w), height(h), renderTarget(renderTarget) {}
    int Width() const override { return width; }
    int Height() const override { return height; }
    bool IsRenderTarget() const override { return renderTarget; }

    int width;
    int height;
    bool renderTarget;
    int levels = 1;
    std::vector<uint8_t> pixels; // a copy of the level-0 RGBA8 pixels an image texture was made from
    CLiveCount live;
};

class CRecordingVertexBuffer : public CVertexBuffer {
public:
    explicit CRecordingVertexBuffer(size_t bytes) : data(bytes) {}
    void* Lock() override { return data.data(); }
    void Unlock() override { ++unlockCount; }
    size_t Size() const override { return data.size(); }

    std::vector<uint8_t> data;
    int unlockCount = 0;
    CLiveCount live;
};

class CRecordingIndexBuffer : public CIndexBuffer {
public:
    explicit CRecordingIndexBuffer(size_t count) : data(count) {}
    uint32_t* Lock() override { return data.data(); }
    void Unlock() override { ++unlockCount; }
    size_t Count() const override { return data.size(); }

    std::vector<uint32_t> data;
    int unlockCount = 0;
    CLiveCount live;
};

class CRecordingDevice;

class CRecordingEffect : public CEffect {
public:
    CRecordingEffect(CRecordingDevice& device, std::string name) : device(device), name(std::move(name)) {}

    // Another effect of the same compile: the compile is the one device object they hold together.
    std::unique_ptr<CEffect> Instance() const override;
    bool SetTechnique(const std::string& technique) override;
    int Begin() override;
    void BeginPass(int pass) override;
    void EndPass() override;
    void End() override;
    void SetMatrix(const char* param, const float* matrix) override;
    void SetValue(const char* param, const void* data, size_t bytes) override;
    void CommitChanges() override;

    CRecordingDevice& device;
    std::string name;
    std::string source;                              // the text of its sections
    std::shared_ptr<const EffectDescription> effect; // what CreateEffect was handed
    std::string technique;                           // the selected one, empty when none
    bool begun = false;
    int openPass = -1;
    std::shared_ptr<CLiveCount> live = std::make_shared<CLiveCount>();
    const CRecordingEffect* compiledBy = this; // the effect CreateEffect made, which Instance copies
};

class CRecordingDevice : public CGraphicsDevice {
public:
    explicit CRecordingDevice(int backBufferWidth = 1024, int backBufferHeight = 768)
        : width(backBufferWidth), height(backBufferHeight) {}

    int BackBufferWidth() const override { return width; }
    int BackBufferHeight() const override { return height; }

    void BeginScene() override;
    void EndScene() override;
    void Clear(uint32_t flags, uint32_t argb, float depth) override;

    void SetAlphaBlending(bool enabled) override;
    void SetLighting(bool enabled) override;
    void SetCullMode(CullMode mode) override;
    void SetDepthTest(bool enabled) override;
    void SetDepthWrite(bool enabled) override;
    void SetAmbient(uint32_t argb) override;
    void SetLight0(const LightState& light) override;
    void SetSamplerState(int stage, TextureAddress address, TextureFilter filter) override;

    std::unique_ptr<CVertexBuffer> CreateVertexBuffer(size_t bytes) override;
    std::unique_ptr<CIndexBuffer> CreateIndexBuffer(size_t count) override;
    std::unique_ptr<CTexture> CreateTexture(int w, int h, const uint8_t* rgba, int levels) override;
    std::unique_ptr<CTexture> CreateRenderTarget(int size) override;
    bool SetColourTarget(CTexture* target) override;

    std::unique_ptr<CEffect> CreateEffect(const EffectDescription& effect, const std::string& name,
                                          std::string& errors) override;

    void SetVertexFormat(uint32_t formatBits) override;
    void SetStreamSource(CVertexBuffer* buffer, size_t offset, size_t stride) override;
    void SetIndices(CIndexBuffer* indices) override;
    void SetTexture(int stage, CTexture* texture) override;
    void DrawPrimitive(PrimitiveType type, int startVertex, int primitiveCount) override;
    void DrawIndexedPrimitive(PrimitiveType type, int baseVertex, int vertexCount, int startIndex,
                              int primitiveCount) override;

    void Present() override;
    bool ReadBackBuffer(std::vector<uint8_t>& rgba, int& w, int& h) override;

    // Queries.
    int CountCalls(const std::string& name) const;
    // The last call of that name, or null.
    const RecordedCall* LastCall(const std::string& name) const;
    // Every call of that name, in order.
    std::vector<const RecordedCall*> Calls(const std::string& name) const;
    // The names of all calls in order, for checking sequences.
    std::vector<std::string> CallNames() const;
    // The matrix last set on any effect under that parameter name (all zeros when never set).
    glm::mat4 LastMatrix(const std::string& param) const;
    // The last four floats set with SetValue under that name (zeros when never set; a shorter value
    // fills the first components).
    glm::vec4 LastVec4(const std::string& param) const;
    float LastFloat(const std::string& param) const;
    bool WasSet(const std::string& param) const;
    void ClearCalls() { calls.clear(); }
    // Buffers, textures, render targets and effects made and not yet destroyed.
    int LiveObjects() const { return *liveObjects; }

    void Record(RecordedCall call) { calls.push_back(std::move(call)); }

    // Configuration.
    int defaultPasses = 1;                      // passes of every technique not listed below
    std::map<std::string, int> techniquePasses; // passes by technique name
    std::vector<std::string> missingTechniques; // names SetTechnique rejects
    bool techniquesFromSource = false;          // SetTechnique accepts only the effect's techniques
    std::string failEffectsContaining;          // CreateEffect fails for sources holding this text
    bool failCreateEffect = false;              // CreateEffect returns null with createEffectErrors
    std::string createEffectErrors = "0(1) : error C0000: syntax error";
    bool failCreateTexture = false;
    bool failCreateRenderTarget = false;
    bool failSetColourTarget = false;

    // State the calls left behind.
    std::vector<RecordedCall> calls;
    std::vector<std::string> effectSources; // the sections' text of each effect handed to CreateEffect
    CTexture* colourTarget = nullptr;       // null: the back buffer
    CTexture* textures[2] = {nullptr, nullptr};
    bool inScene = false;
    int width;
    int height;
    std::shared_ptr<int> liveObjects = std::make_shared<int>(0);
};
