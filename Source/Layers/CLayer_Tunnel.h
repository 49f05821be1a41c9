// Procedural scenery: forty copies of a model in a row along z, alternately twisted, scrolling with
// Position and wrapping round so that the row never ends.
#pragma once

#include "Layers/CLayer.h"

#include <glm/vec4.hpp>

class CParamFloat;
class CParamString;
class CParamVector3;
class CResourceModel;
class CResourceShader;

class CLayer_Tunnel : public CLayer {
public:
    static constexpr int Copies = 40;

    CLayer_Tunnel();

    void Render(float time, float delta) override;

    // Depth of copy j: within half the wrap depth (Copies x spacing) of the origin. A zero or
    // non-finite wrap depth puts every copy at 0.
    static float CopyDepth(int j, float spacing, float position);
    // The grey the effect receives as g_Brightness: the brightness packed to 8 bits per channel (so
    // values above 1 wrap) and unpacked again, alpha 1.
    static glm::vec4 BrightnessColour(float brightness);

    CParamFloat *brightness;
    CParamString *shader;
    CParamString *model1;
    CParamFloat *position;
    CParamFloat *rotation; // radians
    CParamFloat *spacing;
    CParamVector3 *scale;

protected:
    int64_t MostCopiesPerPass() const override { return Copies; }

private:
    const CResourceName<CResourceShader> *shaderName;
    const CResourceName<CResourceModel> *modelName;
};
