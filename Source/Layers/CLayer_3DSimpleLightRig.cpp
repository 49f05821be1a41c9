#include "Layers/CLayer_3DSimpleLightRig.h"

#include "Params/CParamFloat.h"
#include "Params/CParamRgba.h"
#include "Params/CParamVector3.h"
#include "Platform/CGraphicsDevice.h"

namespace {

void CopyColour(const glm::vec4 &c, float (&out)[4]) {
    out[0] = c.r;
    out[1] = c.g;
    out[2] = c.b;
    out[3] = c.a;
}

} // namespace

CLayer_3DSimpleLightRig::CLayer_3DSimpleLightRig() {
    position = params.AddParam(new CParamVector3(glm::vec3(0.0f, 0.0f, 1.0f)), "Position");
    ambient = params.AddParam(new CParamRgba(glm::vec4(1.0f)), "Ambient");
    diffuse = params.AddParam(new CParamRgba(glm::vec4(1.0f)), "Diffuse");
    specular = params.AddParam(new CParamRgba(glm::vec4(1.0f)), "Specular");
    range = params.AddParam(new CParamFloat(10000.0f), "Range");
}

void CLayer_3DSimpleLightRig::Render(float time, float) {
    LightState light;
    light.enabled = true;
    CopyColour(ambient->GetValue(time), light.ambient);
    CopyColour(diffuse->GetValue(time), light.diffuse);
    CopyColour(specular->GetValue(time), light.specular);
    const glm::vec3 p = position->GetValue(time);
    light.position[0] = p.x;
    light.position[1] = p.y;
    light.position[2] = p.z;
    light.range = range->GetValue(time);
    Device().SetLight0(light);
}
