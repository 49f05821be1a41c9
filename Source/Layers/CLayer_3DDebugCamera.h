// A camera layer kept so that scripts written for it still load: it reads its field of view every
// frame and changes nothing.
#pragma once

#include "Layers/CLayer.h"

class CParamFloat;
class CParamString;

class CLayer_3DDebugCamera : public CLayer {
public:
    CLayer_3DDebugCamera();

    void Render(float time, float delta) override;

    CParamFloat *fov;
    CParamString *model; // never consulted
};
