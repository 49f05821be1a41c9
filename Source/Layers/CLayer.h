// One step of a scene's drawing. Every layer type derives from CLayer, owns a table of named,
// animated parameters that the script sets and keyframes, and is run once per frame by its scene's
// layer manager. The layer type registry maps a script's type name to a factory.
#pragma once

#include "Params/CParamManager.h"

#include <string>
#include <vector>

class CParamBool;
class CParamString;

class CLayer {
public:
    CLayer();
    virtual ~CLayer() = default;

    // Runs once after all resources exist; layers that need device buffers make them here.
    virtual bool Create() { return true; }
    // Draws at the scene-local time.
    virtual void Render(float time, float delta) = 0;

    CParamManager params;
    CParamBool* active;
    CParamString* renderTarget;
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
