#include "Layers/CLayer_ClearRenderTarget.h"

#include "Params/CParamBool.h"
#include "Params/CParamFloat.h"
#include "Params/CParamRgba.h"
#include "Platform/CGraphicsDevice.h"
#include "Render/CRenderState.h"

#include <glm/vec4.hpp>

CLayer_ClearRenderTarget::CLayer_ClearRenderTarget() {
    clearDepth = params.AddParam(new CParamBool(true), "ClearDepth");
    clearDepthValue = params.AddParam(new CParamFloat(1.0f), "ClearDepthValue");
    clearColour = params.AddParam(new CParamBool(true), "ClearColour");
    clearColourValue = params.AddParam(new CParamRgba(glm::vec4(0.0f, 0.0f, 0.0f, 1.0f)), "ClearColourValue");
}

void CLayer_ClearRenderTarget::Render(float time, float /*delta*/) {
    uint32_t flags = 0;
    uint32_t argb = 0;
    float depth = 0.0f;
    // Values that the flags leave unused are not evaluated.
    if (clearDepth->GetValue(time)) {
        depth = clearDepthValue->GetValue(time);
        flags |= ClearDepth;
    }
    if (clearColour->GetValue(time)) {
        argb = PackColour(clearColourValue->GetValue(time));
        flags |= ClearTarget;
    }
    if (flags != 0)
        Device().Clear(flags, argb, depth);
}
