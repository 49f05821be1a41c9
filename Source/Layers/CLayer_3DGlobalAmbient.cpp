#include "Layers/CLayer_3DGlobalAmbient.h"

#include "Params/CParamRgba.h"
#include "Platform/CGraphicsDevice.h"
#include "Render/CRenderState.h"

CLayer_3DGlobalAmbient::CLayer_3DGlobalAmbient() {
    colour = params.AddParam(new CParamRgba(glm::vec4(0.0f)), "Colour");
}

void CLayer_3DGlobalAmbient::Render(float time, float) {
    const glm::vec4 value = colour->GetValue(time);
    Device().SetAmbient(PackColour(value));
}
