// Carries a highlighted band and a band range of the music's spectrum. It evaluates them every frame
// (so keyframes on them behave as on any layer) and draws nothing.
#pragma once

#include "Layers/CLayer.h"

class CParamFloat;

class CLayer_SpectrumAnalyser : public CLayer {
public:
    CLayer_SpectrumAnalyser();

    void Render(float time, float delta) override;

    CParamFloat* highlightBand;
    CParamFloat* firstBand;
    CParamFloat* lastBand;
};
