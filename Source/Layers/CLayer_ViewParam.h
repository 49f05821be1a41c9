// Carries a value with a range and a band count for scripts that keep such settings with a scene.
// Running it does nothing; its parameters are never evaluated.
#pragma once

#include "Layers/CLayer.h"

class CParamFloat;
class CParamInt;

class CLayer_ViewParam : public CLayer {
public:
    CLayer_ViewParam();

    void Render(float time, float delta) override;

    CParamFloat* param;
    CParamFloat* start;
    CParamFloat* finish;
    CParamInt* bands;
};
