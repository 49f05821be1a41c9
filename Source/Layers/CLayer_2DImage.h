// Draws one textured rectangle on the 2D canvas: sized by its first texture, placed by its centre
// in screen order (from the top-left, y downwards), turned clockwise by degrees and tinted. Also
// holds the quad vertex and placement helpers shared by the other textured 2D layers.
#pragma once

#include "Layers/CLayer.h"

#include <glm/mat4x4.hpp>
#include <glm/vec2.hpp>
#include <glm/vec4.hpp>

#include <memory>

class CParamFloat;
class CParamRgba;
class CParamString;
class CParamVector2;
class CGraphicsDevice;
class CResourceShader;
class CResourceTexture;
class CVertexBuffer;

// Position and one texture coordinate set: 20 bytes.
struct QuadVertex {
    float x, y, z;
    float u, v;
};
static_assert(sizeof(QuadVertex) == 20, "QuadVertex must be 20 bytes");

// The unit square hanging down from the origin at z = 1, texture (0, 0) at its top-left: four
// vertices drawn as a fan of two triangles. Null (with a log line naming `owner`) when the device
// cannot make or fill it.
std::unique_ptr<CVertexBuffer> CreateImageQuad(CGraphicsDevice& device, const char* owner);

// World matrix of an image of size (w, h) canvas units centred at `position` (from the top-left, y
// downwards), scaled by `scale` and turned clockwise by `degrees`.
glm::mat4 ImagePlacement(const glm::vec2& position, const glm::vec2& scale, float degrees, float w, float h);

// Binds Texture2 to stage 1 and Texture1 to stage 0; a texture that names nothing (or has no device
// texture) binds nothing. The size of the last one bound (Texture1 wins) goes to `size`; false when
// neither was bound, so there is no size to draw with.
bool BindImageTextures(CGraphicsDevice& device, CResourceTexture* texture1, CResourceTexture* texture2,
                       glm::vec2& size);

class CLayer_2DImage : public CLayer {
public:
    CLayer_2DImage();
    ~CLayer_2DImage() override;

    void Render(float time, float delta) override;

    CParamString* shader;
    CParamString* texture1;
    CParamString* texture2;
    CParamVector2* position;
    CParamVector2* scale;
    CParamFloat* rotation;
    CParamRgba* colour;
    CParamFloat* shaderValue;

protected:
    bool OnCreate(const CResourceManager& resources) override;

private:
    const CResourceName<CResourceShader>* shaderName;
    const CResourceName<CResourceTexture>* texture1Name;
    const CResourceName<CResourceTexture>* texture2Name;
    std::unique_ptr<CVertexBuffer> quad;
    glm::vec4 colourValue{1.0f}; // the render state points at this while the layer draws
};
