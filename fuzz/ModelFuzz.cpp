// Feeds arbitrary bytes to the model parser, then builds the model's vertex buffers and draws it on
// a recording device. A model that parses must have every index inside its arrays, since drawing
// trusts them.
#include "Base/Log.h"
#include "Platform/CGraphicsDevice.h"
#include "Render/CRenderState.h"
#include "Resources/CResourceManager.h"
#include "Resources/CResourceModel.h"
#include "Testing/CRecordingDevice.h"

#include <cstdint>
#include <cstdlib>

namespace {

void CheckIndices(const CResourceModel& model) {
    for (const ModelObject& o : model.objects) {
        if (o.materialIndex < 0 || o.materialIndex >= static_cast<int>(model.materials.size()))
            std::abort();
        if (o.vertexIndices.size() != o.texCoordIndices.size())
            std::abort();
        for (const auto& face : o.vertexIndices)
            for (int i : face)
                if (i < 0 || i >= static_cast<int>(o.positions.size()) || i >= static_cast<int>(o.normals.size()))
                    std::abort();
        for (const auto& face : o.texCoordIndices)
            for (int i : face)
                if (i < 0 || i >= static_cast<int>(o.texCoords.size()))
                    std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static CRecordingDevice device;
    static CRenderState state(device);
    device.ClearCalls();
    // Materials name textures: they are looked up (and found missing) in a registry of the model's own.
    CResourceManager resources;
    CResourceModel model;
    if (model.Parse(data, size, "model.txt", resources.ModelTextures(device))) {
        CheckIndices(model);
        model.CreateVertexBuffers(device);
        state.SetMode(RenderMode::Mode3D);
        model.Render(state);
    }
    return 0;
}
