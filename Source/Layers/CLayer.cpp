#include "Layers/CLayer.h"

#include "Layers/LayerTypes.h"

#include "Base/Names.h"
#include "Params/CParamBool.h"
#include "Params/CParamString.h"
#include "Render/CRenderState.h"
#include "Resources/CResourceShader.h"

#include <algorithm>

namespace {

// A function-local list that starts with the standard types in their fixed order, so that types
// registered by static objects in other translation units find it constructed whatever order the
// linker gives their initialisers, and come after the standard ones.
std::vector<LayerTypeEntry>& Registry() {
    static std::vector<LayerTypeEntry> registry = [] {
        std::vector<LayerTypeEntry> standard;
        AddStandardLayerTypes(standard);
        return standard;
    }();
    return registry;
}

} // namespace

CLayer::CLayer() {
    active = params.AddParam(new CParamBool(true), "Active");
    renderTarget = params.AddParam(new CParamString(std::string()), "RenderTarget");
    renderTargetName = AddResourceName<CResourceTextureRenderTarget>(renderTarget);
}

CLayer::~CLayer() = default;

bool CLayer::Create(CRenderState& renderState, const CResourceManager& resources) {
    state = &renderState;
    ResolveResourceNames(resources);
    return OnCreate(resources);
}

void CLayer::ResolveResourceNames(const CResourceManager& resources) {
    for (const std::unique_ptr<CResourceNameBase>& name : resourceNames)
        name->Resolve(resources);
}

CGraphicsDevice& CLayer::Device() const { return state->device; }

int64_t CLayer::MostDrawsPerFrame() const {
    int64_t passes = 0;
    if (state) {
        for (const std::unique_ptr<CResourceNameBase>& name : resourceNames)
            passes += name->MostPasses(*state);
    }
    return std::max<int64_t>(passes, 1) * std::max<int64_t>(MostCopiesPerPass(), 0);
}

template <> int CResourceName<CResourceShader>::MostPasses(CRenderState& state) const {
    int most = 0;
    for (CResourceShader* shader : resolved) {
        // Beginning an effect only selects its technique and counts its passes; nothing is drawn.
        if (shader && shader->IsCreated()) {
            most = std::max(most, shader->Begin(state));
            EndCurrentEffect(state);
        }
    }
    return most;
}

void RegisterLayerType(const std::string& name, const CLayerNewFunction* factory) {
    Registry().push_back(LayerTypeEntry{name, factory});
}

CLayer* CreateLayerByType(const std::string& name) {
    for (const LayerTypeEntry& entry : Registry()) {
        if (SameName(entry.name, name))
            return entry.factory ? entry.factory->NewLayer() : nullptr;
    }
    return nullptr;
}

const std::vector<LayerTypeEntry>& GetLayerTypeRegistry() { return Registry(); }
