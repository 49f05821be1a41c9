#include "Layers/CLayer.h"

#include "Layers/LayerTypes.h"

#include "Base/Names.h"
#include "Params/CParamBool.h"
#include "Params/CParamString.h"
#include "Render/CRenderState.h"

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
