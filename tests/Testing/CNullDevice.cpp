#include "Testing/CNullDevice.h"

namespace {

class CNullVertexBuffer : public CVertexBuffer {
public:
    explicit CNullVertexBuffer(size_t bytes) : data(bytes) {}
    void* Lock() override { return data.data(); }
    void Unlock() override {}
    size_t Size() const override { return data.size(); }

private:
    std::vector<uint8_t> data;
};

class CNullIndexBuffer : public CIndexBuffer {
public:
    explicit CNullIndexBuffer(size_t count) : data(count) {}
    uint32_t* Lock() override { return data.data(); }
    void Unlock() override {}
    size_t Count() const override { return data.size(); }

private:
    std::vector<uint32_t> data;
};

class CNullTexture : public CTexture {
public:
    CNullTexture(int w, int h, bool target) : width(w), height(h), target(target) {}
    int Width() const override { return width; }
    int Height() const override { return height; }
    bool IsRenderTarget() const override { return target; }

private:
    int width;
    int height;
    bool target;
};

class CNullEffect : public CEffect {
public:
    explicit CNullEffect(CNullDevice& device) : device(device) {}
    std::unique_ptr<CEffect> Instance() const override { return std::make_unique<CNullEffect>(device); }
    bool SetTechnique(const std::string&) override { return true; }
    int Begin() override { return device.passes; }
    void BeginPass(int) override {}
    void EndPass() override {}
    void End() override {}
    void SetMatrix(const char*, const float*) override { ++device.counters.effectValues; }
    void SetValue(const char*, const void*, size_t) override { ++device.counters.effectValues; }
    void CommitChanges() override { ++device.counters.commits; }

private:
    CNullDevice& device;
};

} // namespace

std::unique_ptr<CVertexBuffer> CNullDevice::CreateVertexBuffer(size_t bytes) {
    return std::make_unique<CNullVertexBuffer>(bytes);
}

std::unique_ptr<CIndexBuffer> CNullDevice::CreateIndexBuffer(size_t count) {
    return std::make_unique<CNullIndexBuffer>(count);
}

std::unique_ptr<CTexture> CNullDevice::CreateTexture(int w, int h, const uint8_t*, int) {
    if (w <= 0 || h <= 0)
        return nullptr;
    return std::make_unique<CNullTexture>(w, h, false);
}

std::unique_ptr<CTexture> CNullDevice::CreateRenderTarget(int size) {
    if (size <= 0)
        return nullptr;
    return std::make_unique<CNullTexture>(size, size, true);
}

bool CNullDevice::SetColourTarget(CTexture* target) {
    ++counters.stateChanges;
    return !target || target->IsRenderTarget();
}

std::unique_ptr<CEffect> CNullDevice::CreateEffect(const EffectDescription&, const std::string&, std::string&) {
    return std::make_unique<CNullEffect>(*this);
}

bool CNullDevice::ReadBackBuffer(std::vector<uint8_t>& rgba, int& w, int& h) {
    w = width;
    h = height;
    rgba.assign(static_cast<size_t>(width) * height * 4, 0);
    return true;
}
