// A layer's string parameter that names a resource, with the resource each of its texts (the base
// value and every keyframe's) names, found once when the layer is created. The registries do not
// change after creation, so the answer is the lookup by name a frame would make, without the lookup.
#pragma once

#include "Params/CParamString.h"
#include "Resources/CResourceManager.h"

#include <string>
#include <vector>

class CRenderState;

class CResourceNameBase {
public:
    virtual ~CResourceNameBase() = default;
    virtual void Resolve(const CResourceManager& resources) = 0;
    // For an effect's name: the most passes any of the effects its texts name draws with (after
    // Resolve). 0 for other resources.
    virtual int MostPasses(CRenderState& /*state*/) const { return 0; }
};

template <class T> class CResourceName : public CResourceNameBase {
public:
    explicit CResourceName(const CParamString* param) : param(param) {}

    void Resolve(const CResourceManager& resources) override {
        resolved.clear();
        resolved.push_back(Find(resources, param->GetBaseValue()));
        for (const CParamString::Keyframe& keyframe : param->GetKeyframes())
            resolved.push_back(Find(resources, keyframe.value));
    }

    // The resource the parameter's text names at `time`, or null for a name no resource has (and
    // before Resolve).
    T* At(float time) const {
        const size_t index = param->GetValueIndex(time);
        return index < resolved.size() ? resolved[index] : nullptr;
    }

    int MostPasses(CRenderState& state) const override;

private:
    static T* Find(const CResourceManager& resources, const std::string& name);

    const CParamString* param;
    std::vector<T*> resolved;
};

template <class T> int CResourceName<T>::MostPasses(CRenderState&) const { return 0; }
// Defined with the layer base, which knows effects.
template <> int CResourceName<CResourceShader>::MostPasses(CRenderState& state) const;

template <>
inline CResourceShader* CResourceName<CResourceShader>::Find(const CResourceManager& r, const std::string& n) {
    return r.FindShader(n);
}
template <>
inline CResourceTexture* CResourceName<CResourceTexture>::Find(const CResourceManager& r, const std::string& n) {
    return r.FindTexture(n);
}
template <>
inline CResourceTextureRenderTarget* CResourceName<CResourceTextureRenderTarget>::Find(const CResourceManager& r,
                                                                                       const std::string& n) {
    return r.FindRenderTarget(n);
}
template <>
inline CResourceModel* CResourceName<CResourceModel>::Find(const CResourceManager& r, const std::string& n) {
    return r.FindModel(n);
}
