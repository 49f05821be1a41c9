// Sets the ambient light colour for the rest of the frame. The device offers it to effects as the
// uniform g_Ambient; the frame start resets it to black.
#pragma once

#include "Layers/CLayer.h"

class CParamRgba;

class CLayer_3DGlobalAmbient : public CLayer {
public:
    CLayer_3DGlobalAmbient();

    void Render(float time, float delta) override;

    CParamRgba *colour;
};
