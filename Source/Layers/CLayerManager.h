// The ordered layers of one scene, each under a name unique within the scene. Reads the scene's
// `layers` blocks and keyframe groups, creates the layers once resources exist, and runs them every
// frame in order with `Active`, `RenderTarget` and a render-state reset applied around each.
#pragma once

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

class CLayer;
class CMemoryBudget;
class CRenderState;
class CResourceManager;
class CTokeniser;

struct LayerEntry {
    std::string name;
    std::unique_ptr<CLayer> layer;
    std::string type; // the type name as the script wrote it
};

class CLayerManager {
public:
    CLayerManager();
    ~CLayerManager();
    CLayerManager(CLayerManager&&) noexcept;
    CLayerManager& operator=(CLayerManager&&) noexcept;

    // A `layers` block, after the word `layers`.
    bool LoadFromTokeniser(CTokeniser& tokeniser);
    // One keyframe time group, after its time literal; `time` is in seconds.
    bool AddKeyframeFromTokeniser(CTokeniser& tokeniser, float time);
    // Case-insensitive; the first declared wins. Null when there is no such layer.
    CLayer* FindLayer(const std::string& name) const;
    bool CreateLayers(CRenderState& state, const CResourceManager& resources);
    void RenderLayers(CRenderState& state, float time, float delta);

    const std::vector<LayerEntry>& GetLayers() const { return layers; }

    // Charged for each layer and keyframe as it is declared; null: nothing is counted.
    void SetBudget(CMemoryBudget* memory) { budget = memory; }

private:
    bool LoadParamBlockFromTokeniser(CTokeniser& tokeniser, CLayer& layer);

    std::vector<LayerEntry> layers;
    std::unordered_map<std::string, CLayer*> layerNames; // by NameKey
    CMemoryBudget* budget = nullptr;
};
