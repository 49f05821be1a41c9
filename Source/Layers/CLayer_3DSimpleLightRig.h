// Sets and enables light 0, a point light, for everything drawn after it. The device offers it to
// effects as the g_Light0* uniforms; nothing disables it again.
#pragma once

#include "Layers/CLayer.h"

class CParamFloat;
class CParamRgba;
class CParamVector3;

class CLayer_3DSimpleLightRig : public CLayer {
public:
    CLayer_3DSimpleLightRig();

    void Render(float time, float delta) override;

    CParamVector3 *position;
    CParamRgba *ambient;
    CParamRgba *diffuse;
    CParamRgba *specular;
    CParamFloat *range;
};
