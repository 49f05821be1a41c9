#include "Layers/CLayer_Wire.h"

#include "Base/CMemoryBudget.h"
#include "Base/Log.h"
#include "Params/CParamFloat.h"
#include "Params/CParamString.h"
#include "Params/CParamVector3.h"
#include "Platform/CEffect.h"
#include "Platform/CGraphicsDevice.h"
#include "Render/CRenderState.h"
#include "Resources/CResourceShader.h"
#include "Resources/CResourceTexture.h"

#include <glm/ext/matrix_transform.hpp>

#include <cmath>
#include <string>

namespace {

constexpr float Pi = 3.1415927f;
constexpr float TwoPi = 6.2831855f;
constexpr int Points = 12; // points of the cross-section
constexpr int Lead = 9;    // samples taken before the frame's time
constexpr int Window = 19; // samples each ring's path value is smoothed over

// Samples k+1 .. k+8 are skipped and k+10 .. k+17 count twice: the smoothing the tube has always
// had, not a plain average.
constexpr float Weights[Window] = {1, 0, 0, 0, 0, 0, 0, 0, 0, 1, 2, 2, 2, 2, 2, 2, 2, 2, 1};

static_assert(CLayer_Wire::Samples == CLayer_Wire::Rings + Window - 1);
static_assert(sizeof(CLayer_Wire::Vertex) == 24);

constexpr uint32_t WireVertexFormat = VertexPosition | VertexNormal;

// The outward normal of the edge from a to b in the x-y plane (the points run clockwise seen
// with y up). A zero-length edge, as with zero thickness, takes the radial direction instead.
glm::vec3 EdgeNormal(const glm::vec3 &a, const glm::vec3 &b, const glm::vec3 &radial) {
    const glm::vec3 n(-(b.y - a.y), b.x - a.x, 0.0f);
    const float length = std::sqrt(n.x * n.x + n.y * n.y);
    return length > 0.0f ? n / length : radial;
}

void Put(CLayer_Wire::Vertex &v, const glm::vec3 &p, const glm::vec3 &n) { v = {p.x, p.y, p.z, n.x, n.y, n.z}; }

} // namespace

CLayer_Wire::CLayer_Wire() {
    shader = params.AddParam(new CParamString("DefaultNonTextured"), "Shader");
    texture = params.AddParam(new CParamString(std::string()), "Texture");
    distance = params.AddParam(new CParamFloat(500.0f), "Distance");
    rotation = params.AddParam(new CParamFloat(90.0f), "Rotation");
    spin = params.AddParam(new CParamFloat(0.0f), "Spin");
    thickness1 = params.AddParam(new CParamFloat(80.0f), "Thickness1");
    thickness2 = params.AddParam(new CParamFloat(80.0f), "Thickness2");
    position = params.AddParam(new CParamFloat(0.0f), "Position");
    scale = params.AddParam(new CParamVector3(glm::vec3(1.0f)), "Scale");
    shaderName = AddResourceName<CResourceShader>(shader);
    textureName = AddResourceName<CResourceTexture>(texture);
}

CLayer_Wire::~CLayer_Wire() = default;

void CLayer_Wire::BuildIndices(uint32_t *out) {
    for (uint32_t k = 0; k < Rings - 1; ++k)
        for (uint32_t p = 0; p < Points; ++p) {
            const uint32_t a = RingVertices * k + 2 * p;
            *out++ = a;
            *out++ = a + RingVertices;
            *out++ = a + 1;
            *out++ = a + 1;
            *out++ = a + RingVertices;
            *out++ = a + RingVertices + 1;
        }
}

bool CLayer_Wire::OnCreate(const CResourceManager &resources) {
    CRenderState &state = State();
    if (!state.wireVertices || !state.wireIndices) {
        CMemoryBudget *budget = resources.Budget();
        const int64_t bytes = CMemoryBudget::BufferBytes(sizeof(Vertex) * Vertices + sizeof(uint32_t) * Indices);
        if (budget && !budget->Charge(bytes, "layer", name))
            return false;
        std::shared_ptr<CVertexBuffer> vertices = Device().CreateVertexBuffer(sizeof(Vertex) * Vertices);
        std::shared_ptr<CIndexBuffer> indices = Device().CreateIndexBuffer(Indices);
        if (!vertices || !indices || vertices->Size() < sizeof(Vertex) * Vertices ||
            indices->Count() < static_cast<size_t>(Indices)) {
            LOG("CLayer_Wire::Create", "Failed to create the wire's vertex and index buffers");
            if (budget)
                budget->Refund(bytes);
            return false;
        }
        if (uint32_t *written = indices->Lock()) {
            BuildIndices(written);
            indices->Unlock();
        }
        state.wireVertices = std::move(vertices);
        state.wireIndices = std::move(indices);
    }
    vertexBuffer = state.wireVertices;
    indexBuffer = state.wireIndices;
    return true;
}

void CLayer_Wire::BuildVertices(float time, Vertex *out) {
    const float depthBase = position->GetValue(time) - Length;
    // The raw path samples and the smoothed path value of every ring, each (rotation, distance, spin).
    glm::vec3 samples[Samples];
    glm::vec3 rings[Rings];

    for (int i = 0; i < Samples; ++i) {
        const float t = time + static_cast<float>(i - Lead) * SampleStep;
        samples[i] =
            glm::vec3(rotation->GetValue(t) * Pi / 180.0f, distance->GetValue(t), spin->GetValue(t) * Pi / 180.0f);
    }
    for (int k = 0; k < Rings; ++k) {
        glm::vec3 sum(0.0f);
        for (int w = 0; w < Window; ++w)
            sum += Weights[w] * samples[k + w];
        rings[k] = sum / static_cast<float>(Window);
    }

    for (int k = 0; k < Rings; ++k) {
        const float t = time + SampleStep * static_cast<float>(k);
        const float t1 = thickness1->GetValue(t);
        const float t2 = thickness2->GetValue(t);
        const float a = rings[k].x;
        const float d = rings[k].y;
        const float s = rings[k].z;
        const float cx = d * std::sin(a);
        const float cy = d * std::cos(a);
        const float z = RingSpacing * static_cast<float>(k) + depthBase;

        glm::vec3 point[Points];
        glm::vec3 radial[Points];
        for (int m = 0; m < Points; ++m) {
            const float phi = s + static_cast<float>(m) * TwoPi / static_cast<float>(Points);
            const float r = (m % 2 == 0) ? t1 : t2;
            radial[m] = glm::vec3(std::sin(phi), std::cos(phi), 0.0f);
            point[m] = glm::vec3(cx + r * radial[m].x, cy + r * radial[m].y, z);
        }

        Vertex *v = out + RingVertices * k;
        for (int m = 0; m < Points; m += 2) {
            const glm::vec3 &p = point[m];
            const glm::vec3 &q = point[m + 1];
            const glm::vec3 &r = point[(m + 2) % Points];
            const glm::vec3 &u = radial[m + 1];
            const glm::vec3 npq = EdgeNormal(p, q, radial[m]);
            // From P to R, not from Q to R: the second half of each star point shares the first's.
            const glm::vec3 npr = EdgeNormal(p, r, radial[m]);
            Put(v[0], p, npq);
            Put(v[1], q, (npq + u) / 2.0f);
            Put(v[2], q, (npr + u) / 2.0f);
            Put(v[3], r, npr);
            v += 4;
        }
    }
}

void CLayer_Wire::Render(float time, float) {
    if (!vertexBuffer || !indexBuffer)
        return;
    CGraphicsDevice *device = &Device();
    const glm::vec3 size = scale->GetValue(time);
    if (void *locked = vertexBuffer->Lock()) {
        BuildVertices(time, static_cast<Vertex *>(locked));
        vertexBuffer->Unlock();
    }

    CRenderState &state = State();
    state.SetMode(RenderMode::Mode3D);
    CResourceShader *effectResource = shaderName->At(time);
    if (!effectResource)
        return;
    CResourceTexture *image = textureName->At(time);
    effectResource->DrawPasses(
        state,
        [&] {
            state.Matrices(state.mode).world = glm::scale(glm::mat4(1.0f), size);
            device->SetVertexFormat(WireVertexFormat);
        },
        [&](int, CEffect &) {
            if (image && image->GetTexture())
                device->SetTexture(0, image->GetTexture());
            state.CommitMatrices();
            device->SetStreamSource(vertexBuffer.get(), 0, sizeof(Vertex));
            device->SetIndices(indexBuffer.get());
            device->DrawIndexedPrimitive(PrimitiveType::TriangleList, 0, Vertices, 0, Triangles);
        });
}
