// One step of a scene's drawing. Every layer type derives from CLayer, owns a table of named,
// animated parameters that the script sets and keyframes, and is run once per frame by its scene's
// layer manager. Create binds it to its presentation's render state and resources. The layer type
// registry maps a script's type name to a factory.
#pragma once

#include "Layers/CResourceName.h"
#include "Params/CParamManager.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CGraphicsDevice;
class CParamBool;
class CParamString;
class CRenderState;
class CResourceManager;
class CResourceTextureRenderTarget;

class CLayer {
public:
    CLayer();
    virtual ~CLayer();

    // Runs once after all resources exist: binds the layer to the render state it draws through,
    // finds the resources its parameters can name, then makes what the layer needs on the device.
    bool Create(CRenderState& state, const CResourceManager& resources);
    // Draws at the scene-local time.
    virtual void Render(float time, float delta) = 0;
    // True once Create has bound the layer to a render state.
    bool IsCreated() const { return state != nullptr; }
    // Finds the resources the parameters' texts name (Create does this once).
    void ResolveResourceNames(const CResourceManager& resources);

    // The most draw calls one frame of this layer can make: its effects' passes (the most any text of
    // each effect parameter names, at least 1) times the copies it draws in each pass. After Create.
    int64_t MostDrawsPerFrame() const;

    // The render target the RenderTarget parameter names at `time`, or null.
    CResourceTextureRenderTarget* RenderTargetAt(float time) const { return renderTargetName->At(time); }

    CParamManager params;
    CParamBool* active;
    CParamString* renderTarget;
    // The name the script declares it under (empty for a layer made elsewhere), for messages.
    std::string name;

protected:
    // The most copies the layer draws with each pass of its effect, whatever the time.
    virtual int64_t MostCopiesPerPass() const { return 1; }
    // The layer's own part of Create; layers that need device buffers make them here.
    virtual bool OnCreate(const CResourceManager& /*resources*/) { return true; }
    // Registers a string parameter that names a resource; Create finds what its texts name.
    template <class T> const CResourceName<T>* AddResourceName(const CParamString* param) {
        auto name = std::make_unique<CResourceName<T>>(param);
        const CResourceName<T>* kept = name.get();
        resourceNames.push_back(std::move(name));
        return kept;
    }

    // Valid from Create on.
    CRenderState& State() const { return *state; }
    CGraphicsDevice& Device() const;

private:
    CRenderState* state = nullptr;
    std::vector<std::unique_ptr<CResourceNameBase>> resourceNames;
    const CResourceName<CResourceTextureRenderTarget>* renderTargetName;
};

class CLayerNewFunction {
public:
    virtual ~CLayerNewFunction() = default;
    virtual CLayer* NewLayer() const = 0;
};

template <class T> class _CLayerNewFunction : public CLayerNewFunction {
public:
    CLayer* NewLayer() const override { return new T(); }
};

struct LayerTypeEntry {
    std::string name;
    const CLayerNewFunction* factory;
};

void RegisterLayerType(const std::string& name, const CLayerNewFunction* factory);
// A new layer of the named type (case-insensitive), or null for an unknown name. The caller owns it.
CLayer* CreateLayerByType(const std::string& name);
// The registered types in registration order.
const std::vector<LayerTypeEntry>& GetLayerTypeRegistry();
