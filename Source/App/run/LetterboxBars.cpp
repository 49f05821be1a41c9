#include "App/run/LetterboxBars.h"

#include "Platform/CGraphicsDevice.h"
#include "Render/CRenderState.h"

#include <cmath>
#include <cstring>

void BuildLetterboxBars(float aspect, float width, float height, LetterboxVertex out[LetterboxVertexCount]) {
    const float canvasAspect = 1.6f;
    const double w = width, h = height;
    float x[LetterboxVertexCount], y[LetterboxVertexCount];
    if (aspect <= canvasAspect) {
        const float v = h != 0 ? static_cast<float>(std::fabs((h - w / canvasAspect) / h)) : 0.0f;
        const float top = 1.0f - v, bottom = v - 1.0f;
        const float xs[] = {-2, -2, 2, 2, -2, 2, -2, -2, 2, 2, -2, 2};
        const float ys[] = {2, top, 2, top, top, 2, -2, bottom, -2, bottom, bottom, -2};
        std::memcpy(x, xs, sizeof(x));
        std::memcpy(y, ys, sizeof(y));
    } else {
        const float v = w != 0 ? static_cast<float>(std::fabs((w - canvasAspect * h) / w)) : 0.0f;
        const float right = 1.0f - v, left = v - 1.0f;
        const float xs[] = {2, right, 2, right, right, 2, -2, left, -2, left, left, -2};
        const float ys[] = {-2, -2, 2, 2, -2, 2, -2, -2, 2, 2, -2, 2};
        std::memcpy(x, xs, sizeof(x));
        std::memcpy(y, ys, sizeof(y));
    }
    for (int i = 0; i < LetterboxVertexCount; ++i)
        out[i] = LetterboxVertex{x[i], y[i], 0.0f, 0xFF000000u};
}

std::unique_ptr<CVertexBuffer> CreateLetterboxBars(CGraphicsDevice& device, float aspect, float width, float height) {
    auto buffer = device.CreateVertexBuffer(sizeof(LetterboxVertex) * LetterboxVertexCount);
    if (!buffer)
        return nullptr;
    void* data = buffer->Lock();
    if (!data || buffer->Size() < sizeof(LetterboxVertex) * LetterboxVertexCount)
        return nullptr;
    LetterboxVertex vertices[LetterboxVertexCount];
    BuildLetterboxBars(aspect, width, height, vertices);
    std::memcpy(data, vertices, sizeof(vertices));
    buffer->Unlock();
    return buffer;
}

void DrawLetterboxBars(CRenderState& state, CVertexBuffer* bars) {
    if (!bars)
        return;
    CGraphicsDevice& device = state.device;
    device.SetVertexFormat(VertexPosition | VertexDiffuse);
    device.SetStreamSource(bars, 0, sizeof(LetterboxVertex));
    state.SetMode(RenderMode::Mode2D);
    state.CommitMatrices();
    device.SetCullMode(CullMode::None);
    device.DrawPrimitive(PrimitiveType::TriangleList, 0, 4);
}
