// Eight small panels on the inside of a cylinder of radius 180 around the 3D scene's z axis, each
// showing one cell of the 2 x 4 atlas texture Greet001, scattered at angles and depths that are the
// same on every run. The whole set can slide along z and be scaled.
#pragma once

#include "Layers/CLayer.h"
#include "Layers/CLayer_2DImage.h"

#include <memory>

class CParamFloat;
class CParamString;
class CParamVector3;
class CVertexBuffer;

constexpr int GreetsPanelCount = 8;

class CLayer_Greets : public CLayer {
public:
    CLayer_Greets();
    ~CLayer_Greets() override;

    void Render(float time, float delta) override;

    // The panels' vertices, four per panel (panel k at 4k .. 4k + 3, each a two-triangle fan),
    // from the fixed seed, so every run places them alike.
    static void BuildPanels(QuadVertex (&vertices)[GreetsPanelCount * 4]);

    CParamString* shader;
    CParamString* texture; // kept for scripts that set it; the atlas is always Greet001
    CParamFloat* position;
    CParamVector3* scale;

protected:
    // Makes the panels' vertex buffer and finds the atlas texture.
    bool OnCreate(const CResourceManager& resources) override;

private:
    const CResourceName<CResourceShader>* shaderName;
    CResourceTexture* atlas = nullptr;
    std::unique_ptr<CVertexBuffer> panels;
};
