#include "Testing/CRecordingDevice.h"

#include <algorithm>
#include <cstring>

namespace {
RecordedCall Call(const char* name, std::vector<int> ints = {}, std::vector<float> floats = {},
                  const void* object = nullptr) {
    RecordedCall c;
    c.name = name;
    c.ints = std::move(ints);
    c.floats = std::move(floats);
    c.object = object;
    return c;
}
} // namespace

// --- effect ---

std::unique_ptr<CEffect> CRecordingEffect::Instance() const {
    auto instance = std::make_unique<CRecordingEffect>(device, name);
    instance->source = source;
    instance->effect = effect;
    instance->live = live;
    instance->compiledBy = compiledBy;
    return instance;
}

bool CRecordingEffect::SetTechnique(const std::string& t) {
    RecordedCall c = Call("SetTechnique");
    c.text = t;
    c.effect = this;
    device.Record(c);
    const auto& missing = device.missingTechniques;
    if (std::find(missing.begin(), missing.end(), t) != missing.end() ||
        (device.techniquesFromSource && !(effect && effect->FindTechnique(t)))) {
        technique.clear();
        return false;
    }
    technique = t;
    return true;
}

int CRecordingEffect::Begin() {
    int passes = 0;
    if (!technique.empty()) {
        auto it = device.techniquePasses.find(technique);
        passes = it != device.techniquePasses.end() ? it->second : device.defaultPasses;
    }
    RecordedCall c = Call("Begin", {passes});
    c.text = technique;
    c.effect = this;
    device.Record(c);
    begun = true;
    return passes;
}

void CRecordingEffect::BeginPass(int pass) {
    RecordedCall c = Call("BeginPass", {pass});
    c.effect = this;
    device.Record(c);
    openPass = pass;
}

void CRecordingEffect::EndPass() {
    RecordedCall c = Call("EndPass", {openPass});
    c.effect = this;
    device.Record(c);
    openPass = -1;
}

void CRecordingEffect::End() {
    RecordedCall c = Call("End", {openPass});
    c.effect = this;
    device.Record(c);
    openPass = -1;
    begun = false;
}

void CRecordingEffect::SetMatrix(const char* param, const float* matrix) {
    RecordedCall c = Call("SetMatrix", {}, std::vector<float>(matrix, matrix + 16));
    c.text = param ? param : "";
    c.effect = this;
    device.Record(c);
}

void CRecordingEffect::SetValue(const char* param, const void* data, size_t bytes) {
    std::vector<float> values(bytes / sizeof(float));
    if (data && !values.empty())
        std::memcpy(values.data(), data, values.size() * sizeof(float));
    RecordedCall c = Call("SetValue", {static_cast<int>(bytes)}, std::move(values));
    c.text = param ? param : "";
    c.effect = this;
    device.Record(c);
}

void CRecordingEffect::CommitChanges() {
    RecordedCall c = Call("CommitChanges");
    c.effect = this;
    device.Record(c);
}

// --- device ---

void CRecordingDevice::BeginScene() {
    Record(Call("BeginScene"));
    inScene = true;
}

void CRecordingDevice::EndScene() {
    Record(Call("EndScene"));
    inScene = false;
}

void CRecordingDevice::Clear(uint32_t flags, uint32_t argb, float depth) {
    RecordedCall c = Call("Clear", {static_cast<int>(flags)}, {depth});
    c.colour = argb;
    Record(c);
}

void CRecordingDevice::SetAlphaBlending(bool enabled) { Record(Call("SetAlphaBlending", {enabled})); }
void CRecordingDevice::SetLighting(bool enabled) { Record(Call("SetLighting", {enabled})); }
void CRecordingDevice::SetCullMode(CullMode mode) { Record(Call("SetCullMode", {static_cast<int>(mode)})); }
void CRecordingDevice::SetDepthTest(bool enabled) { Record(Call("SetDepthTest", {enabled})); }
void CRecordingDevice::SetDepthWrite(bool enabled) { Record(Call("SetDepthWrite", {enabled})); }

void CRecordingDevice::SetAmbient(uint32_t argb) {
    RecordedCall c = Call("SetAmbient");
    c.colour = argb;
    Record(c);
}

void CRecordingDevice::SetLight0(const LightState& l) {
    std::vector<float> f(l.position, l.position + 3);
    f.insert(f.end(), l.diffuse, l.diffuse + 4);
    f.insert(f.end(), l.specular, l.specular + 4);
    f.insert(f.end(), l.ambient, l.ambient + 4);
    f.push_back(l.range);
    Record(Call("SetLight0", {l.enabled}, std::move(f)));
}

void CRecordingDevice::SetSamplerState(int stage, TextureAddress address, TextureFilter filter) {
    Record(Call("SetSamplerState", {stage, static_cast<int>(address), static_cast<int>(filter)}));
}

std::unique_ptr<CVertexBuffer> CRecordingDevice::CreateVertexBuffer(size_t bytes) {
    auto buffer = std::make_unique<CRecordingVertexBuffer>(bytes);
    buffer->live.Attach(liveObjects);
    Record(Call("CreateVertexBuffer", {static_cast<int>(bytes)}, {}, buffer.get()));
    return buffer;
}

std::unique_ptr<CIndexBuffer> CRecordingDevice::CreateIndexBuffer(size_t count) {
    auto buffer = std::make_unique<CRecordingIndexBuffer>(count);
    buffer->live.Attach(liveObjects);
    Record(Call("CreateIndexBuffer", {static_cast<int>(count)}, {}, buffer.get()));
    return buffer;
}

std::unique_ptr<CTexture> CRecordingDevice::CreateTexture(int w, int h, const uint8_t* rgba, int levels) {
    if (failCreateTexture || w <= 0 || h <= 0) {
        Record(Call("CreateTexture", {w, h, levels}));
        return nullptr;
    }
    auto texture = std::make_unique<CRecordingTexture>(w, h, false);
    texture->live.Attach(liveObjects);
    texture->levels = levels;
    if (rgba)
        texture->pixels.assign(rgba, rgba + static_cast<size_t>(w) * h * 4);
    Record(Call("CreateTexture", {w, h, levels}, {}, texture.get()));
    return texture;
}

std::unique_ptr<CTexture> CRecordingDevice::CreateRenderTarget(int size) {
    if (failCreateRenderTarget || size <= 0) {
        Record(Call("CreateRenderTarget", {size}));
        return nullptr;
    }
    auto texture = std::make_unique<CRecordingTexture>(size, size, true);
    texture->live.Attach(liveObjects);
    Record(Call("CreateRenderTarget", {size}, {}, texture.get()));
    return texture;
}

bool CRecordingDevice::SetColourTarget(CTexture* target) {
    Record(Call("SetColourTarget", {}, {}, target));
    if (failSetColourTarget || (target && !target->IsRenderTarget()))
        return false;
    colourTarget = target;
    return true;
}

std::unique_ptr<CEffect> CRecordingDevice::CreateEffect(const EffectDescription& description, const std::string& name,
                                                        std::string& errors) {
    // The sections' text in file order of kind, which is what tests look for in what was compiled.
    std::string source;
    for (const auto* list : {&description.common, &description.vertexShaders, &description.fragmentShaders})
        for (const EffectSection& section : *list)
            source += section.text;
    effectSources.push_back(source);
    RecordedCall c = Call("CreateEffect");
    c.text = name;
    if (failCreateEffect ||
        (!failEffectsContaining.empty() && source.find(failEffectsContaining) != std::string::npos)) {
        Record(c);
        errors = createEffectErrors;
        return nullptr;
    }
    auto effect = std::make_unique<CRecordingEffect>(*this, name);
    effect->source = source;
    effect->effect = std::make_shared<const EffectDescription>(description);
    effect->live->Attach(liveObjects);
    c.object = effect.get();
    Record(c);
    return effect;
}

void CRecordingDevice::SetVertexFormat(uint32_t formatBits) {
    Record(Call("SetVertexFormat", {static_cast<int>(formatBits)}));
}

void CRecordingDevice::SetStreamSource(CVertexBuffer* buffer, size_t offset, size_t stride) {
    Record(Call("SetStreamSource", {static_cast<int>(offset), static_cast<int>(stride)}, {}, buffer));
}

void CRecordingDevice::SetIndices(CIndexBuffer* indices) { Record(Call("SetIndices", {}, {}, indices)); }

void CRecordingDevice::SetTexture(int stage, CTexture* texture) {
    if (stage >= 0 && stage < 2)
        textures[stage] = texture;
    Record(Call("SetTexture", {stage}, {}, texture));
}

void CRecordingDevice::DrawPrimitive(PrimitiveType type, int startVertex, int primitiveCount) {
    Record(Call("DrawPrimitive", {static_cast<int>(type), startVertex, primitiveCount}));
}

void CRecordingDevice::DrawIndexedPrimitive(PrimitiveType type, int baseVertex, int vertexCount, int startIndex,
                                            int primitiveCount) {
    Record(Call("DrawIndexedPrimitive", {static_cast<int>(type), baseVertex, vertexCount, startIndex, primitiveCount}));
}

void CRecordingDevice::Present() { Record(Call("Present")); }

bool CRecordingDevice::ReadBackBuffer(std::vector<uint8_t>& rgba, int& w, int& h) {
    Record(Call("ReadBackBuffer"));
    w = width;
    h = height;
    rgba.assign(static_cast<size_t>(w) * h * 4, 0);
    return true;
}

// --- queries ---

int CRecordingDevice::CountCalls(const std::string& name) const {
    return static_cast<int>(
        std::count_if(calls.begin(), calls.end(), [&](const RecordedCall& c) { return c.name == name; }));
}

const RecordedCall* CRecordingDevice::LastCall(const std::string& name) const {
    for (auto it = calls.rbegin(); it != calls.rend(); ++it)
        if (it->name == name)
            return &*it;
    return nullptr;
}

std::vector<const RecordedCall*> CRecordingDevice::Calls(const std::string& name) const {
    std::vector<const RecordedCall*> out;
    for (const auto& c : calls)
        if (c.name == name)
            out.push_back(&c);
    return out;
}

std::vector<std::string> CRecordingDevice::CallNames() const {
    std::vector<std::string> out;
    out.reserve(calls.size());
    for (const auto& c : calls)
        out.push_back(c.name);
    return out;
}

glm::mat4 CRecordingDevice::LastMatrix(const std::string& param) const {
    glm::mat4 m(0.0f);
    for (auto it = calls.rbegin(); it != calls.rend(); ++it) {
        if (it->name == "SetMatrix" && it->text == param && it->floats.size() == 16) {
            std::memcpy(&m[0][0], it->floats.data(), sizeof(float) * 16);
            break;
        }
    }
    return m;
}

glm::vec4 CRecordingDevice::LastVec4(const std::string& param) const {
    glm::vec4 v(0.0f);
    for (auto it = calls.rbegin(); it != calls.rend(); ++it) {
        if (it->name == "SetValue" && it->text == param) {
            for (size_t i = 0; i < 4 && i < it->floats.size(); ++i)
                v[static_cast<int>(i)] = it->floats[i];
            break;
        }
    }
    return v;
}

float CRecordingDevice::LastFloat(const std::string& param) const { return LastVec4(param).x; }

bool CRecordingDevice::WasSet(const std::string& param) const {
    return std::any_of(calls.begin(), calls.end(), [&](const RecordedCall& c) {
        return (c.name == "SetValue" || c.name == "SetMatrix") && c.text == param;
    });
}
