#include "AllocationCounter.h"

#include "Render/CRenderState.h"
#include "Resources/CResourceManager.h"

#include "Base/CTokeniser.h"
#include "Layers/CLayer_3DCameraOrbit.h"
#include "Layers/CLayer_Wire.h"
#include "Render/CRenderState.h"
#include "Testing/CRecordingDevice.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

void Key(CLayer &layer, float time, const std::string &line) {
    const std::string text = line + "\n";
    CMemoryTokeniser tokeniser(text.data(), text.size());
    ASSERT_TRUE(layer.params.AddKeyframeFromTokeniser(time, tokeniser)) << line;
}

} // namespace

TEST(Layer3DAllocation, WireRebuildWritesIntoItsBufferWithoutAllocating) {
    CLayer_Wire wire;
    for (int k = 0; k < 8; ++k) {
        Key(wire, static_cast<float>(k), "Rotation smooth " + std::to_string(90 + 30 * k));
        Key(wire, static_cast<float>(k), "Distance linear " + std::to_string(400 + 20 * k));
        Key(wire, static_cast<float>(k), "Thickness2 square 40 80 0:1:0");
    }
    std::vector<CLayer_Wire::Vertex> vertices(CLayer_Wire::Vertices);
    const std::size_t before = AllocationCount();
    for (float t : {0.0f, 1.3f, 7.9f, 20.0f})
        wire.BuildVertices(t, vertices.data());
    EXPECT_EQ(AllocationCount() - before, 0u);
}

TEST(Layer3DAllocation, OrbitCameraFrameAllocatesNothing) {
    CRecordingDevice device;
    CRenderState state(device);
    CResourceManager resources;
    state.SetMode(RenderMode::Mode3D); // the device's own recording is not the camera's
    CLayer_3DCameraOrbit camera;
    Key(camera, 0.0f, "Rotation linear 0");
    Key(camera, 4.0f, "Rotation linear 360");
    Key(camera, 0.0f, "From smooth 0 0 -100");
    Key(camera, 4.0f, "From smooth 0 50 -200");
    ASSERT_TRUE(camera.Create(state, resources));
    const std::size_t before = AllocationCount();
    for (float t : {0.0f, 1.0f, 2.5f, 9.0f})
        camera.Render(t, 0.0f);
    EXPECT_EQ(AllocationCount() - before, 0u);
}
