// Feeds arbitrary bytes to the model loader as a model file in the data folder, then builds its
// vertex buffers and draws it on a recording device. A model that loads must have every index
// inside its arrays, since drawing trusts them.
#include "Render/CRenderState.h"
#include "FuzzDataFolder.h"
#include "Platform/CGraphicsDevice.h"
#include "Testing/CRecordingDevice.h"
#include "Resources/CResourceManager.h"
#include "Resources/CResourceModel.h"

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
    FuzzDataFolder& folder = FuzzDataFolder::Get();
    if (!folder.Write("model.txt", data, size))
        std::abort();
    static CRecordingDevice device;
    SetGraphicsDevice(&device);
    CRenderState::ResetForTests();
    device.ClearCalls();
    CResourceManager::Clear();
    {
        CResourceModel model;
        if (model.LoadModel("model.txt")) {
            CheckIndices(model);
            CRenderState::Get().SetMode(RenderMode::Mode3D);
            model.Render();
        }
    }
    CResourceManager::Clear();
    CRenderState::ResetForTests();
    return 0;
}
