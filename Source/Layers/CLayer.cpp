#include "Layers/CLayer.h"

#include "Layers/LayerTypes.h"

#include "Params/CParamBool.h"
#include "Params/CParamString.h"

#include <strings.h>

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
}

void RegisterLayerType(const std::string& name, const CLayerNewFunction* factory) {
    Registry().push_back(LayerTypeEntry{name, factory});
}

CLayer* CreateLayerByType(const std::string& name) {
    for (const LayerTypeEntry& entry : Registry()) {
        if (strcasecmp(entry.name.c_str(), name.c_str()) == 0)
            return entry.factory ? entry.factory->NewLayer() : nullptr;
    }
    return nullptr;
}

const std::vector<LayerTypeEntry>& GetLayerTypeRegistry() { return Registry(); }
