#include "Layers/CLayer_2DImage.h"

#include "Base/Log.h"
#include "Params/CParamFloat.h"
#include "Params/CParamRgba.h"
#include "Params/CParamString.h"
#include "Params/CParamVector2.h"
#include "Platform/CEffect.h"
#include "Platform/CGraphicsDevice.h"
#include "Render/CRenderState.h"
#include "Resources/CResourceShader.h"
#include "Resources/CResourceTexture.h"

#include <glm/gtc/matrix_transform.hpp>

#include <cmath>
#include <cstring>

namespace {

constexpr QuadVertex ImageQuadVertices[4] = {
    {0.0f, 0.0f, 1.0f, 0.0f, 0.0f},
    {1.0f, 0.0f, 1.0f, 1.0f, 0.0f},
    {1.0f, -1.0f, 1.0f, 1.0f, 1.0f},
    {0.0f, -1.0f, 1.0f, 0.0f, 1.0f},
};

// The single-precision pi the angles of the scripts were tuned with.
constexpr float Pi = 3.1415927f;

bool BindOne(CGraphicsDevice& device, CResourceTexture* resource, int stage, glm::vec2& size) {
    if (!resource || !resource->GetTexture())
        return false;
    device.SetTexture(stage, resource->GetTexture());
    size = glm::vec2(resource->width, resource->height);
    return true;
}

} // namespace

std::unique_ptr<CVertexBuffer> CreateImageQuad(CGraphicsDevice& device, const char* owner) {
    std::unique_ptr<CVertexBuffer> buffer = device.CreateVertexBuffer(sizeof(ImageQuadVertices));
    void* data = (buffer && buffer->Size() >= sizeof(ImageQuadVertices)) ? buffer->Lock() : nullptr;
    if (!data) {
        LOG(owner, "Failed to create the image quad vertex buffer");
        return nullptr;
    }
    std::memcpy(data, ImageQuadVertices, sizeof(ImageQuadVertices));
    buffer->Unlock();
    return buffer;
}

glm::mat4 ImagePlacement(const glm::vec2& position, const glm::vec2& scale, float degrees, float w, float h) {
    const float width = scale.x * w;
    const float height = scale.y * h;
    const glm::mat4 identity(1.0f);
    // Built by hand rather than with the any-axis rotation, whose rounding puts z a hair off 1 and
    // so in front of the near plane, where the image is clipped away.
    const float angle = -degrees * Pi / 180.0f;
    const float c = std::cos(angle);
    const float s = std::sin(angle);
    glm::mat4 rotation(1.0f);
    rotation[0][0] = c;
    rotation[0][1] = s;
    rotation[1][0] = -s;
    rotation[1][1] = c;
    // Row-vector order: scale, centre on the origin, rotate, move into place.
    return glm::translate(identity, glm::vec3(position.x, CanvasHeight - position.y, 0.0f)) * rotation *
           glm::translate(identity, glm::vec3(-width / 2.0f, height / 2.0f, 0.0f)) *
           glm::scale(identity, glm::vec3(width, height, 1.0f));
}

bool BindImageTextures(CGraphicsDevice& device, CResourceTexture* texture1, CResourceTexture* texture2,
                       glm::vec2& size) {
    const bool second = BindOne(device, texture2, 1, size);
    const bool first = BindOne(device, texture1, 0, size);
    return first || second;
}

CLayer_2DImage::CLayer_2DImage() {
    shader = params.AddParam(new CParamString("DefaultTextured"), "Shader");
    texture1 = params.AddParam(new CParamString(""), "Texture1");
    texture2 = params.AddParam(new CParamString(""), "Texture2");
    position = params.AddParam(new CParamVector2(glm::vec2(0.0f, 0.0f)), "Position");
    scale = params.AddParam(new CParamVector2(glm::vec2(1.0f, 1.0f)), "Scale");
    rotation = params.AddParam(new CParamFloat(0.0f), "Rotation");
    colour = params.AddParam(new CParamRgba(glm::vec4(1.0f, 1.0f, 1.0f, 1.0f)), "Colour");
    shaderValue = params.AddParam(new CParamFloat(0.0f), "ShaderValue");
    shaderName = AddResourceName<CResourceShader>(shader);
    texture1Name = AddResourceName<CResourceTexture>(texture1);
    texture2Name = AddResourceName<CResourceTexture>(texture2);
}

CLayer_2DImage::~CLayer_2DImage() = default;

bool CLayer_2DImage::OnCreate(const CResourceManager&) {
    quad = CreateImageQuad(Device(), "CLayer_2DImage::Create");
    return quad != nullptr;
}

void CLayer_2DImage::Render(float time, float /*delta*/) {
    if (!quad)
        return;
    const glm::vec2 centre = position->GetValue(time);
    const glm::vec2 factors = scale->GetValue(time);
    const float degrees = rotation->GetValue(time);
    colourValue = colour->GetValue(time);
    const float value = shaderValue->GetValue(time);

    CResourceShader* effectShader = shaderName->At(time);
    if (!effectShader)
        return;
    CResourceTexture* first = texture1Name->At(time);
    CResourceTexture* second = texture2Name->At(time);

    CGraphicsDevice& device = Device();
    CRenderState& state = State();
    effectShader->DrawPasses(
        state,
        [&] {
            device.SetVertexFormat(VertexPosition | VertexTex1);
            device.SetStreamSource(quad.get(), 0, sizeof(QuadVertex));
        },
        [&](int, CEffect& effect) {
            glm::vec2 size(0.0f);
            if (!BindImageTextures(device, first, second, size))
                return; // no texture, so nothing to size the rectangle by
            state.SetMode(RenderMode::Mode2D);
            state.currentColour = &colourValue;
            state.Matrices(RenderMode::Mode2D).world = ImagePlacement(centre, factors, degrees, size.x, size.y);
            effect.SetValue("g_ShaderValue", &value, sizeof(value));
            state.CommitMatrices();
            device.DrawPrimitive(PrimitiveType::TriangleFan, 0, 2);
        });
}
