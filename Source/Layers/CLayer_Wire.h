// Procedural scenery: a long tube rebuilt every frame whose path traces the recent and coming values
// of its own animated parameters. Each of its rings shows the parameters 25 ms after the previous
// ring, so keyframed motion of Rotation, Distance and Spin is frozen into the tube's shape.
#pragma once

#include "Layers/CLayer.h"

#include <glm/vec3.hpp>

#include <cstdint>
#include <memory>

class CIndexBuffer;
class CParamFloat;
class CParamString;
class CParamVector3;
class CResourceShader;
class CResourceTexture;
class CVertexBuffer;

class CLayer_Wire : public CLayer {
public:
    static constexpr int Samples = 579;
    static constexpr int Rings = 561;
    static constexpr int RingVertices = 24;
    static constexpr int Vertices = Rings * RingVertices;      // 13,464
    static constexpr int Triangles = (Rings - 1) * 12 * 2;     // 13,440
    static constexpr int Indices = Triangles * 3;              // 40,320
    static constexpr float SampleStep = 0.025f;                // seconds between rings
    static constexpr float RingSpacing = 50.0f;                // units along z between rings
    static constexpr float Length = RingSpacing * (Rings - 1); // 28,000

    // Position and normal, 24 bytes: the layout of the vertex buffer.
    struct Vertex {
        float x, y, z;
        float nx, ny, nz;
    };

    CLayer_Wire();
    ~CLayer_Wire() override;

    void Render(float time, float delta) override;

    // Writes the tube at `time` into `out` (Vertices entries). Allocates nothing: its scratch is on
    // the stack.
    void BuildVertices(float time, Vertex *out);
    // The fixed triangle list joining each ring's vertices to the next ring's (Indices entries).
    static void BuildIndices(uint32_t *out);

    CVertexBuffer *GetVertexBuffer() const { return vertexBuffer.get(); }
    CIndexBuffer *GetIndexBuffer() const { return indexBuffer.get(); }

    CParamString *shader;
    CParamString *texture;
    CParamFloat *distance;
    CParamFloat *rotation; // degrees
    CParamFloat *spin;     // degrees
    CParamFloat *thickness1;
    CParamFloat *thickness2;
    CParamFloat *position;
    CParamVector3 *scale;

protected:
    // Takes the presentation's wire buffers, making them (and filling the indices) for the first wire.
    // False (with a log line) when the device cannot make them or the budget refuses them.
    bool OnCreate(const CResourceManager &resources) override;

private:
    const CResourceName<CResourceShader> *shaderName;
    const CResourceName<CResourceTexture> *textureName;
    // The render state's, shared with every other wire of the presentation.
    std::shared_ptr<CVertexBuffer> vertexBuffer;
    std::shared_ptr<CIndexBuffer> indexBuffer;
};
