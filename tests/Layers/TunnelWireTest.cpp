#include "Layers/CLayer_Tunnel.h"
#include "Layers/CLayer_Wire.h"
#include "Layers/Layers3DSupport.h"
#include "Resources/CResourceTexture.h"
#include "Support/LogCapture.h"

#include <glm/geometric.hpp>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

class TunnelTest : public Layers3DTest {
protected:
    void SetUp() override {
        Layers3DTest::SetUp();
        TriangleResources();
        SetParam(tunnel, "Model1", "Tri");
    }

    // The world matrix of every copy, in drawing order.
    std::vector<glm::mat4> Worlds() const {
        std::vector<glm::mat4> worlds;
        for (const RecordedCall *c : device.Calls("SetMatrix"))
            if (c->text == "g_mWorld") {
                glm::mat4 m;
                std::memcpy(&m[0][0], c->floats.data(), sizeof m);
                worlds.push_back(m);
            }
        return worlds;
    }
    std::vector<float> Depths() const {
        std::vector<float> depths;
        for (const glm::mat4 &m : Worlds())
            depths.push_back(m[3][2]);
        return depths;
    }

    CLayer_Tunnel tunnel;
};

class WireTest : public Layers3DTest {
protected:
    void SetUp() override {
        Layers3DTest::SetUp();
        Resources("RenderTarget Glow Quarter");
    }

    std::vector<CLayer_Wire::Vertex> Vertices() const {
        auto *buffer = dynamic_cast<CRecordingVertexBuffer *>(wire.GetVertexBuffer());
        std::vector<CLayer_Wire::Vertex> v(CLayer_Wire::Vertices);
        if (buffer && buffer->data.size() >= v.size() * sizeof v[0])
            std::memcpy(v.data(), buffer->data.data(), v.size() * sizeof v[0]);
        return v;
    }
    static glm::vec3 At(const CLayer_Wire::Vertex &v) { return {v.x, v.y, v.z}; }
    static glm::vec3 Normal(const CLayer_Wire::Vertex &v) { return {v.nx, v.ny, v.nz}; }
    // Distance of a vertex from a point of the x-y plane.
    static float Radius(const CLayer_Wire::Vertex &v, float cx, float cy) { return std::hypot(v.x - cx, v.y - cy); }

    CLayer_Wire wire;
};

// Ring k of a tube whose Distance rises 100 units a second: the smoothing weighs its 19 samples
// toward the later ones, so the ring shows the value 243/19 - 9 sample steps after the ring's time.
float SmoothedRampDistance(float time, int ring) {
    return 500.0f + 100.0f * (time + (static_cast<float>(ring) + 243.0f / 19.0f - 9.0f) * 0.025f);
}

class NoBufferDevice : public CRecordingDevice {
public:
    std::unique_ptr<CVertexBuffer> CreateVertexBuffer(size_t) override { return nullptr; }
};

} // namespace

TEST_F(TunnelTest, CopiesAtSpacingTenWrapWithinHalfTheDepthOfTheOrigin) {
    SetParam(tunnel, "Spacing", "10");
    RunLayer(tunnel, 0.0f);
    const std::vector<float> depths = Depths();
    ASSERT_EQ(depths.size(), 40u);
    EXPECT_EQ(Count("DrawPrimitive"), 40);
    // 0 is not greater than 0, so copy 0 gets half the depth added.
    EXPECT_FLOAT_EQ(depths[0], 200.0f);
    for (int j = 1; j < 40; ++j)
        EXPECT_FLOAT_EQ(depths[j], 10.0f * j - 200.0f) << "copy " << j;
}

TEST_F(TunnelTest, ScrollingBySpacingGivesTheSameRowAndFlipsTheTwistAtEveryDepth) {
    SetParam(tunnel, "Spacing", "10");
    SetParam(tunnel, "Rotation", "0.5");
    RunLayer(tunnel, 0.0f);
    std::vector<glm::mat4> before = Worlds();
    SetParam(tunnel, "Position", "10");
    RunLayer(tunnel, 0.0f);
    std::vector<glm::mat4> after = Worlds();
    ASSERT_EQ(before.size(), 40u);
    ASSERT_EQ(after.size(), 40u);
    // Even copies turn by -Rotation, odd ones by +Rotation (the sine sits in column 0, row 1).
    EXPECT_NEAR(before[0][0][1], -std::sin(0.5f), 1e-6f);
    EXPECT_NEAR(before[1][0][1], std::sin(0.5f), 1e-6f);
    auto depth = [](const glm::mat4 &m) { return m[3][2]; };
    auto byDepth = [&](const glm::mat4 &a, const glm::mat4 &b) { return depth(a) < depth(b); };
    std::sort(before.begin(), before.end(), byDepth);
    std::sort(after.begin(), after.end(), byDepth);
    for (int j = 0; j < 40; ++j) {
        EXPECT_NEAR(depth(before[j]), depth(after[j]), 1e-4f);
        EXPECT_NEAR(before[j][0][1], -after[j][0][1], 1e-6f) << "depth " << depth(before[j]);
    }
}

TEST_F(TunnelTest, ZeroSpacingPutsEveryCopyAtTheOrigin) {
    SetParam(tunnel, "Position", "35");
    RunLayer(tunnel, 0.0f);
    const std::vector<glm::mat4> worlds = Worlds();
    ASSERT_EQ(worlds.size(), 40u);
    for (const glm::mat4 &m : worlds) {
        EXPECT_TRUE(AllFinite(m));
        EXPECT_EQ(m[3][2], 0.0f);
    }
}

TEST_F(TunnelTest, BrightnessIsPackedToEightBitsAndWraps) {
    SetParam(tunnel, "Brightness", "0.5");
    RunLayer(tunnel, 0.0f);
    EXPECT_EQ(device.LastVec4("g_Brightness"), glm::vec4(127.0f / 255, 127.0f / 255, 127.0f / 255, 1.0f));
    SetParam(tunnel, "Brightness", "1.5");
    RunLayer(tunnel, 0.0f);
    EXPECT_EQ(device.LastVec4("g_Brightness"), glm::vec4(126.0f / 255, 126.0f / 255, 126.0f / 255, 1.0f));
}

TEST_F(TunnelTest, ScaleAndTwistComeBeforeTheMoveAlongZ) {
    SetParam(tunnel, "Spacing", "10");
    SetParam(tunnel, "Rotation", "1.5707964");
    SetParam(tunnel, "Scale", "2 3 4");
    RunLayer(tunnel, 0.0f);
    // Copy 1 (odd, +90 degrees about z, at z = -190): +x scaled to 2 turns onto +y.
    const glm::vec3 p = Transform(Worlds().at(1), glm::vec3(1, 0, 1));
    EXPECT_NEAR(p.x, 0.0f, 1e-5f);
    EXPECT_NEAR(p.y, 2.0f, 1e-5f);
    EXPECT_NEAR(p.z, -186.0f, 1e-4f);
}

TEST_F(TunnelTest, AMissingModelOrShaderDrawsNothing) {
    SetParam(tunnel, "Model1", "Nope");
    RunLayer(tunnel, 0.0f);
    EXPECT_EQ(state.mode, RenderMode::None);
    EXPECT_EQ(Count("DrawPrimitive"), 0);
    SetParam(tunnel, "Model1", "tri");
    SetParam(tunnel, "Shader", "Nope");
    RunLayer(tunnel, 0.0f);
    EXPECT_EQ(state.mode, RenderMode::Mode3D);
    EXPECT_EQ(Count("DrawPrimitive"), 0);
    EXPECT_EQ(state.currentEffect, nullptr);
}

TEST_F(WireTest, CreateMakesBothBuffersOnceAndJoinsEachRingToTheNext) {
    ASSERT_TRUE(Create(wire));
    ASSERT_EQ(Count("CreateVertexBuffer"), 1);
    EXPECT_EQ(device.LastCall("CreateVertexBuffer")->ints[0], 323136);
    ASSERT_EQ(Count("CreateIndexBuffer"), 1);
    EXPECT_EQ(device.LastCall("CreateIndexBuffer")->ints[0], 40320);
    auto *indices = dynamic_cast<CRecordingIndexBuffer *>(wire.GetIndexBuffer());
    ASSERT_TRUE(indices);
    EXPECT_EQ(indices->unlockCount, 1);
    const std::vector<uint32_t> first(indices->data.begin(), indices->data.begin() + 12);
    EXPECT_EQ(first, (std::vector<uint32_t>{0, 24, 1, 1, 24, 25, 2, 26, 3, 3, 26, 27}));
    // The last pair of the last ring joins 13,438 and 13,439 to 13,462 and 13,463.
    const std::vector<uint32_t> last(indices->data.end() - 6, indices->data.end());
    EXPECT_EQ(last, (std::vector<uint32_t>{13438, 13462, 13439, 13439, 13462, 13463}));
}

TEST_F(WireTest, EveryFrameRewritesTheSameBufferAndDrawsItIndexedWithoutAColour) {
    ASSERT_TRUE(Create(wire));
    RunLayer(wire, 0.0f);
    const float firstZ = Vertices()[0].z;
    SetParam(wire, "Position", "1000");
    RunLayer(wire, 0.0f);
    EXPECT_EQ(Count("CreateVertexBuffer"), 0);
    EXPECT_FLOAT_EQ(Vertices()[0].z, firstZ + 1000.0f);
    EXPECT_EQ(dynamic_cast<CRecordingVertexBuffer *>(wire.GetVertexBuffer())->unlockCount, 2);
    EXPECT_EQ(device.LastCall("SetStreamSource")->object, wire.GetVertexBuffer());
    EXPECT_EQ(device.LastCall("SetStreamSource")->ints, (std::vector<int>{0, 24}));
    EXPECT_EQ(device.LastCall("SetIndices")->object, wire.GetIndexBuffer());
    EXPECT_EQ(device.LastCall("SetVertexFormat")->ints, std::vector<int>{0x12});
    EXPECT_EQ(device.LastCall("DrawIndexedPrimitive")->ints, (std::vector<int>{0, 0, 13464, 0, 13440}));
    EXPECT_EQ(device.LastCall("Begin")->text, "DefaultNonTextured");
    EXPECT_FALSE(device.WasSet("g_MaterialDiffuseColor"));
    EXPECT_EQ(Count("SetTexture"), 0);
    EXPECT_EQ(state.currentEffect, nullptr);
}

TEST_F(WireTest, TextureIsBoundOnlyWhenItNamesOne) {
    ASSERT_TRUE(Create(wire));
    SetParam(wire, "Texture", "Missing");
    RunLayer(wire, 0.0f);
    EXPECT_EQ(Count("SetTexture"), 0);
    SetParam(wire, "Texture", "glow");
    RunLayer(wire, 0.0f);
    ASSERT_EQ(Count("SetTexture"), 1);
    EXPECT_EQ(device.LastCall("SetTexture")->object, Resources().FindTexture("Glow")->GetTexture());
}

TEST_F(WireTest, ConstantParametersMakeAStraightTwelveSidedTubeAlongPositiveX) {
    ASSERT_TRUE(Create(wire));
    SetParam(wire, "Scale", "2 2 2");
    RunLayer(wire, 3.0f);
    const std::vector<CLayer_Wire::Vertex> v = Vertices();
    for (int k = 0; k < CLayer_Wire::Rings; k += 40) {
        for (int i = 0; i < 24; ++i) {
            const CLayer_Wire::Vertex &vertex = v[24 * k + i];
            ASSERT_NEAR(vertex.z, 50.0f * k - 28000.0f, 1e-3f) << "ring " << k;
            ASSERT_NEAR(Radius(vertex, 500.0f, 0.0f), 80.0f, 1e-3f) << "ring " << k << " vertex " << i;
            // Every normal points away from the tube's axis.
            const glm::vec3 out = At(vertex) - glm::vec3(500.0f, 0.0f, vertex.z);
            ASSERT_GT(glm::dot(Normal(vertex), out), 0.0f) << "ring " << k << " vertex " << i;
        }
    }
    EXPECT_NEAR(v.back().z, 0.0f, 1e-3f);
    // The first vertex of each pair is on the edge normal, at unit length.
    EXPECT_NEAR(glm::length(Normal(v[0])), 1.0f, 1e-5f);
    EXPECT_NEAR(std::fabs(glm::dot(Normal(v[0]), At(v[1]) - At(v[0]))), 0.0f, 1e-3f);
    // The scale reaches the effect through the world matrix alone.
    EXPECT_EQ(device.LastMatrix("g_mWorld"),
              glm::mat4(glm::vec4(2, 0, 0, 0), glm::vec4(0, 2, 0, 0), glm::vec4(0, 0, 2, 0), glm::vec4(0, 0, 0, 1)));
}

TEST_F(WireTest, DifferentThicknessesMakeASixPointedStar) {
    ASSERT_TRUE(Create(wire));
    SetParam(wire, "Thickness2", "40");
    RunLayer(wire, 0.0f);
    const std::vector<CLayer_Wire::Vertex> v = Vertices();
    // Each group of four is P (even point), Q twice (odd point), R (next even point).
    for (int group = 0; group < 6; ++group) {
        const CLayer_Wire::Vertex *g = &v[4 * group];
        EXPECT_NEAR(Radius(g[0], 500.0f, 0.0f), 80.0f, 1e-3f);
        EXPECT_NEAR(Radius(g[1], 500.0f, 0.0f), 40.0f, 1e-3f);
        EXPECT_NEAR(Radius(g[2], 500.0f, 0.0f), 40.0f, 1e-3f);
        EXPECT_NEAR(Radius(g[3], 500.0f, 0.0f), 80.0f, 1e-3f);
        EXPECT_EQ(At(g[1]), At(g[2]));
        // The two normals at the notch differ: one per side of the star's point.
        EXPECT_NE(Normal(g[1]), Normal(g[2]));
    }
    // The first point is straight up from the centre (angle 0 is +y), the notch 30 degrees on.
    EXPECT_NEAR(v[0].x, 500.0f, 1e-3f);
    EXPECT_NEAR(v[0].y, 80.0f, 1e-3f);
    EXPECT_NEAR(v[1].x, 500.0f + 40.0f * 0.5f, 1e-3f);
    // Normals worked out by hand for the first point: P to Q's edge normal; at Q the average of it
    // with Q's radial direction; the normal of P to R (not Q to R), which here is that radial
    // direction itself, at Q's second copy and at R.
    const glm::vec3 expected[4] = {
        {0.9150021f, 0.4034491f, 0}, {0.7075010f, 0.6347373f, 0}, {0.5f, 0.8660254f, 0}, {0.5f, 0.8660254f, 0}};
    for (int i = 0; i < 4; ++i)
        for (int c = 0; c < 3; ++c)
            EXPECT_NEAR(Normal(v[i])[c], expected[i][c], 1e-5f) << "vertex " << i << " component " << c;
}

TEST_F(WireTest, RingsShowTheirParametersLaterAlongTheTubeSmoothedTowardTheLaterSamples) {
    ASSERT_TRUE(Create(wire));
    AddKey(wire, 0.0f, "Distance linear 500");
    AddKey(wire, 100.0f, "Distance linear 10500");
    RunLayer(wire, 1.0f);
    const std::vector<CLayer_Wire::Vertex> v = Vertices();
    for (int k : {0, 1, 100, 560}) {
        // The ring's centre is halfway between its first point (angle 0) and the opposite one.
        const CLayer_Wire::Vertex &top = v[24 * k];
        const CLayer_Wire::Vertex &bottom = v[24 * k + 12];
        EXPECT_NEAR((top.x + bottom.x) / 2.0f, SmoothedRampDistance(1.0f, k), 2e-3f) << "ring " << k;
    }
}

TEST_F(WireTest, WithoutBuffersCreationFailsWithAMessageAndRenderDrawsNothing) {
    LogCapture log;
    NoBufferDevice broken;
    CRenderState brokenState(broken);
    CLayer_Wire failing;
    EXPECT_FALSE(failing.Create(brokenState, Resources()));
    EXPECT_TRUE(log.Contains("Failed to create the wire's vertex and index buffers"));
    failing.Render(0.0f, 0.0f);
    EXPECT_EQ(broken.CountCalls("DrawIndexedPrimitive"), 0);

    // Never created at all: nothing is drawn either.
    CLayer_Wire uncreated;
    device.ClearCalls();
    uncreated.Render(0.0f, 0.0f);
    EXPECT_EQ(Count("DrawIndexedPrimitive"), 0);
}

TEST_F(WireTest, WiresOfOnePresentationShareOneSetOfBuffersAndEachDrawsItsOwnTube) {
    std::vector<std::unique_ptr<CLayer_Wire>> wires;
    for (int i = 0; i < 50; ++i) {
        wires.push_back(std::make_unique<CLayer_Wire>());
        ASSERT_TRUE(Create(*wires.back()));
    }
    EXPECT_EQ(Count("CreateVertexBuffer"), 1);
    EXPECT_EQ(Count("CreateIndexBuffer"), 1);
    EXPECT_EQ(wires[49]->GetVertexBuffer(), wires[0]->GetVertexBuffer());
    // Each rebuilds the shared buffer with its own shape just before it draws.
    SetParam(*wires[0], "Distance", "100");
    SetParam(*wires[1], "Distance", "900");
    auto *buffer = dynamic_cast<CRecordingVertexBuffer *>(wires[0]->GetVertexBuffer());
    ASSERT_TRUE(buffer);
    RunLayer(*wires[0], 0.0f);
    const CLayer_Wire::Vertex first = reinterpret_cast<const CLayer_Wire::Vertex *>(buffer->data.data())[0];
    RunLayer(*wires[1], 0.0f);
    const CLayer_Wire::Vertex second = reinterpret_cast<const CLayer_Wire::Vertex *>(buffer->data.data())[0];
    EXPECT_NE(first.x, second.x);
    EXPECT_EQ(Count("DrawIndexedPrimitive"), 1);

    // A second presentation (its own render state) makes its own.
    CRenderState other(device);
    CLayer_Wire elsewhere;
    ASSERT_TRUE(elsewhere.Create(other, Resources()));
    EXPECT_NE(elsewhere.GetVertexBuffer(), wires[0]->GetVertexBuffer());
}
