// Draws a row of copies of one image on the 2D canvas: each copy's position, scale, rotation and
// colour are those of the one before plus a fixed step, so a single layer makes trails, fades and
// fans of the same picture.
#pragma once

#include "Layers/CLayer.h"

#include <glm/vec4.hpp>

#include <memory>

class CParamFloat;
class CParamInt;
class CParamRgba;
class CParamString;
class CParamVector2;
class CResourceShader;
class CResourceTexture;
class CVertexBuffer;

class CLayer_2DMultipleImage : public CLayer {
public:
    CLayer_2DMultipleImage();
    ~CLayer_2DMultipleImage() override;

    void Render(float time, float delta) override;

    CParamString* shader;
    CParamString* texture1;
    CParamString* texture2;
    CParamVector2* startPosition;
    CParamVector2* startScale;
    CParamFloat* startRotation;
    CParamRgba* startColour;
    CParamVector2* stepPosition;
    CParamVector2* stepScale;
    CParamFloat* stepRotation;
    CParamRgba* stepColour;
    CParamInt* repeats;

protected:
    bool OnCreate(const CResourceManager& resources) override;
    // The largest Repeats the base value and the keyframes can give.
    int64_t MostCopiesPerPass() const override;

private:
    const CResourceName<CResourceShader>* shaderName;
    const CResourceName<CResourceTexture>* texture1Name;
    const CResourceName<CResourceTexture>* texture2Name;
    std::unique_ptr<CVertexBuffer> quad;
    glm::vec4 colourValue{1.0f}; // the running colour the render state points at
};
