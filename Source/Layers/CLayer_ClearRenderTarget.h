// Clears the colour and/or depth of whatever the layer draws into: the back buffer, or the render
// target its RenderTarget parameter names. Placed first in a scene it wipes the previous frame.
#pragma once

#include "Layers/CLayer.h"

class CParamBool;
class CParamFloat;
class CParamRgba;

class CLayer_ClearRenderTarget : public CLayer {
public:
    CLayer_ClearRenderTarget();

    void Render(float time, float delta) override;

    CParamBool* clearDepth;
    CParamFloat* clearDepthValue;
    CParamBool* clearColour;
    CParamRgba* clearColourValue;
};
