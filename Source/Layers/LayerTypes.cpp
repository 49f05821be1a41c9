// The thirteen layer types a script can name, registered in this fixed order before the first
// lookup (the registry calls AddStandardLayerTypes when it is first used, so the list cannot be
// dropped by the linker or depend on static initialisation order).
#include "Layers/LayerTypes.h"

#include "Layers/CLayer_2DImage.h"
#include "Layers/CLayer_2DMultipleImage.h"
#include "Layers/CLayer_3DCameraOrbit.h"
#include "Layers/CLayer_3DDebugCamera.h"
#include "Layers/CLayer_3DGlobalAmbient.h"
#include "Layers/CLayer_3DModel.h"
#include "Layers/CLayer_3DSimpleLightRig.h"
#include "Layers/CLayer_ClearRenderTarget.h"
#include "Layers/CLayer_Greets.h"
#include "Layers/CLayer_SpectrumAnalyser.h"
#include "Layers/CLayer_Tunnel.h"
#include "Layers/CLayer_ViewParam.h"
#include "Layers/CLayer_Wire.h"

namespace {

template <class T> const CLayerNewFunction* Factory() {
    static const _CLayerNewFunction<T> factory;
    return &factory;
}

} // namespace

void AddStandardLayerTypes(std::vector<LayerTypeEntry>& registry) {
    registry.push_back({"2DImage", Factory<CLayer_2DImage>()});
    registry.push_back({"2DMultipleImage", Factory<CLayer_2DMultipleImage>()});
    registry.push_back({"3DCameraOrbit", Factory<CLayer_3DCameraOrbit>()});
    registry.push_back({"3DDebugCamera", Factory<CLayer_3DDebugCamera>()});
    registry.push_back({"3DGlobalAmbient", Factory<CLayer_3DGlobalAmbient>()});
    registry.push_back({"3DModel", Factory<CLayer_3DModel>()});
    registry.push_back({"3DSimpleLightRig", Factory<CLayer_3DSimpleLightRig>()});
    registry.push_back({"ClearRenderTarget", Factory<CLayer_ClearRenderTarget>()});
    registry.push_back({"SpectrumAnalyser", Factory<CLayer_SpectrumAnalyser>()});
    registry.push_back({"ViewParam", Factory<CLayer_ViewParam>()});
    registry.push_back({"Greets", Factory<CLayer_Greets>()});
    registry.push_back({"Tunnel", Factory<CLayer_Tunnel>()});
    registry.push_back({"Wire", Factory<CLayer_Wire>()});
}
