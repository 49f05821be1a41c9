#include "Layers/CLayer_Greets.h"

#include "Base/Log.h"
#include "Params/CParamFloat.h"
#include "Params/CParamString.h"
#include "Params/CParamVector3.h"
#include "Platform/CEffect.h"
#include "Platform/CGraphicsDevice.h"
#include "Render/CRenderState.h"
#include "Resources/CResourceShader.h"
#include "Resources/CResourceTexture.h"

#include <glm/gtc/matrix_transform.hpp>

#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

constexpr float CylinderRadius = 180.0f;
const glm::vec4 PanelColour(1.0f, 1.0f, 1.0f, 1.0f);
const std::string AtlasName = "Greet001";

// The placements were chosen with exactly this generator, so no library generator may stand in.
class PanelRandom {
public:
    explicit PanelRandom(uint32_t seed) : state(seed) {}
    int Next() {
        state = state * 214013u + 2531011u;
        return static_cast<int>((state >> 16) & 0x7FFFu);
    }

private:
    uint32_t state;
};

} // namespace

CLayer_Greets::CLayer_Greets() {
    shader = params.AddParam(new CParamString("DefaultTextured"), "Shader");
    texture = params.AddParam(new CParamString(""), "Texture");
    position = params.AddParam(new CParamFloat(0.0f), "Position");
    scale = params.AddParam(new CParamVector3(glm::vec3(1.0f, 1.0f, 1.0f)), "Scale");
    shaderName = AddResourceName<CResourceShader>(shader);
}

CLayer_Greets::~CLayer_Greets() = default;

void CLayer_Greets::BuildPanels(QuadVertex (&vertices)[GreetsPanelCount * 4]) {
    PanelRandom random(1293123u);
    for (int k = 0; k < GreetsPanelCount; ++k) {
        const float angle = (static_cast<float>(random.Next()) / 32767.0f - 0.5f) * 1.2f + 1.8f;
        const float depth = (static_cast<float>(random.Next()) / 32767.0f - 0.5f) * 1000.0f;
        const float a0 = angle - 0.2f;
        const float a1 = angle + 0.2f;
        const float uStart = static_cast<float>(k & 1) * 0.5f;
        const float uEnd = uStart + 0.5f;
        const float vTop = static_cast<float>((k >> 1) & 3) * 0.25f;
        const float vBottom = vTop + 0.25f;
        const float x0 = std::sin(a0) * CylinderRadius, y0 = std::cos(a0) * CylinderRadius;
        const float x1 = std::sin(a1) * CylinderRadius, y1 = std::cos(a1) * CylinderRadius;
        QuadVertex* panel = &vertices[4 * k];
        panel[0] = {x1, y1, depth + 50.0f, uStart, vBottom};
        panel[1] = {x0, y0, depth + 50.0f, uStart, vTop};
        panel[2] = {x0, y0, depth - 50.0f, uEnd, vTop};
        panel[3] = {x1, y1, depth - 50.0f, uEnd, vBottom};
    }
}

bool CLayer_Greets::OnCreate(const CResourceManager& resources) {
    atlas = resources.FindTexture(AtlasName);
    QuadVertex vertices[GreetsPanelCount * 4];
    BuildPanels(vertices);
    std::unique_ptr<CVertexBuffer> buffer = Device().CreateVertexBuffer(sizeof(vertices));
    void* data = (buffer && buffer->Size() >= sizeof(vertices)) ? buffer->Lock() : nullptr;
    if (!data) {
        LOG("CLayer_Greets::Create", "Failed to create the greets vertex buffer");
        return false;
    }
    std::memcpy(data, vertices, sizeof(vertices));
    buffer->Unlock();
    panels = std::move(buffer);
    return true;
}

void CLayer_Greets::Render(float time, float /*delta*/) {
    if (!panels)
        return;
    const float offset = position->GetValue(time);
    const glm::vec3 factors = scale->GetValue(time);

    CRenderState& state = State();
    state.SetMode(RenderMode::Mode3D);
    CResourceShader* effectShader = shaderName->At(time);
    if (!effectShader)
        return;

    CGraphicsDevice& device = Device();
    effectShader->DrawPasses(
        state,
        [&] {
            const glm::mat4 identity(1.0f);
            state.Matrices(RenderMode::Mode3D).world =
                glm::translate(identity, glm::vec3(0.0f, 0.0f, offset)) * glm::scale(identity, factors);
            device.SetVertexFormat(VertexPosition | VertexTex1);
            device.SetStreamSource(panels.get(), 0, sizeof(QuadVertex));
            state.currentColour = &PanelColour;
        },
        [&](int, CEffect&) {
            if (atlas && atlas->GetTexture())
                device.SetTexture(0, atlas->GetTexture());
            state.CommitMatrices();
            for (int k = 0; k < GreetsPanelCount; ++k)
                device.DrawPrimitive(PrimitiveType::TriangleFan, 4 * k, 2);
        });
}
