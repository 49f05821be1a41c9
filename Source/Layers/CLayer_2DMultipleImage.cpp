#include "Layers/CLayer_2DMultipleImage.h"

#include "Base/StopRequest.h"
#include "Layers/CLayer_2DImage.h"
#include "Params/CParamFloat.h"
#include "Params/CParamInt.h"
#include "Params/CParamRgba.h"
#include "Params/CParamString.h"
#include "Params/CParamVector2.h"
#include "Platform/CEffect.h"
#include "Platform/CGraphicsDevice.h"
#include "Render/CRenderState.h"
#include "Resources/CResourceShader.h"
#include "Resources/CResourceTexture.h"

#include <algorithm>

CLayer_2DMultipleImage::CLayer_2DMultipleImage() {
    shader = params.AddParam(new CParamString("DefaultTextured"), "Shader");
    texture1 = params.AddParam(new CParamString(""), "Texture1");
    texture2 = params.AddParam(new CParamString(""), "Texture2");
    startPosition = params.AddParam(new CParamVector2(glm::vec2(0.0f, 0.0f)), "StartPosition");
    startScale = params.AddParam(new CParamVector2(glm::vec2(1.0f, 1.0f)), "StartScale");
    startRotation = params.AddParam(new CParamFloat(0.0f), "StartRotation");
    startColour = params.AddParam(new CParamRgba(glm::vec4(1.0f, 1.0f, 1.0f, 1.0f)), "StartColour");
    stepPosition = params.AddParam(new CParamVector2(glm::vec2(0.0f, 0.0f)), "StepPosition");
    stepScale = params.AddParam(new CParamVector2(glm::vec2(0.0f, 0.0f)), "StepScale");
    stepRotation = params.AddParam(new CParamFloat(0.0f), "StepRotation");
    stepColour = params.AddParam(new CParamRgba(glm::vec4(0.0f, 0.0f, 0.0f, 0.0f)), "StepColour");
    repeats = params.AddParam(new CParamInt(10), "Repeats");
    shaderName = AddResourceName<CResourceShader>(shader);
    texture1Name = AddResourceName<CResourceTexture>(texture1);
    texture2Name = AddResourceName<CResourceTexture>(texture2);
}

CLayer_2DMultipleImage::~CLayer_2DMultipleImage() = default;

bool CLayer_2DMultipleImage::OnCreate(const CResourceManager&) {
    quad = CreateImageQuad(Device(), "CLayer_2DMultipleImage::Create");
    return quad != nullptr;
}

int64_t CLayer_2DMultipleImage::MostCopiesPerPass() const {
    int64_t most = repeats->GetBaseValue();
    for (const CParamInt::Keyframe& keyframe : repeats->GetKeyframes()) {
        int64_t value = keyframe.value;
        // A spectrum keyframe adds up to its scale at full level.
        if (keyframe.kind == InterpolationKind::Spectrum)
            value += std::max(keyframe.scale, 0);
        most = std::max(most, value);
    }
    return most;
}

void CLayer_2DMultipleImage::Render(float time, float /*delta*/) {
    if (!quad)
        return;
    const glm::vec2 position0 = startPosition->GetValue(time);
    const glm::vec2 scale0 = startScale->GetValue(time);
    const float rotation0 = startRotation->GetValue(time);
    const glm::vec4 colour0 = startColour->GetValue(time);
    const glm::vec2 positionStep = stepPosition->GetValue(time);
    const glm::vec2 scaleStep = stepScale->GetValue(time);
    const float rotationStep = stepRotation->GetValue(time);
    const glm::vec4 colourStep = stepColour->GetValue(time);
    // Every copy is a draw call; the scenes refuse a presentation whose frames could draw without end.
    const int copies = repeats->GetValue(time);

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
            state.SetMode(RenderMode::Mode2D);
            device.SetVertexFormat(VertexPosition | VertexTex1);
            device.SetStreamSource(quad.get(), 0, sizeof(QuadVertex));
        },
        [&](int, CEffect&) {
            glm::vec2 size(0.0f);
            if (StopRequested() || !BindImageTextures(device, first, second, size))
                return;
            // Every pass draws the same row: a multi-pass effect layers its passes over one geometry.
            glm::vec2 position = position0;
            glm::vec2 factors = scale0;
            float degrees = rotation0;
            colourValue = colour0;
            // A long row gives way to a stop request at once rather than at the end of the frame.
            for (int copy = 0; copy < copies && !StopRequested(); ++copy) {
                state.currentColour = &colourValue;
                state.Matrices(RenderMode::Mode2D).world = ImagePlacement(position, factors, degrees, size.x, size.y);
                state.CommitMatrices();
                device.DrawPrimitive(PrimitiveType::TriangleFan, 0, 2);
                position += positionStep;
                factors += scaleStep;
                degrees += rotationStep;
                colourValue += colourStep;
            }
        });
}
