#include "Layers/CLayerManager.h"

#include "Base/CMemoryBudget.h"
#include "Base/CTokeniser.h"
#include "Base/Log.h"
#include "Base/Names.h"
#include "Base/StopRequest.h"
#include "Layers/CLayer.h"
#include "Params/CParamBool.h"
#include "Params/CParamString.h"
#include "Render/CRenderState.h"
#include "Resources/CResourceTexture.h"

CLayerManager::CLayerManager() = default;
CLayerManager::~CLayerManager() = default;
CLayerManager::CLayerManager(CLayerManager&&) noexcept = default;
CLayerManager& CLayerManager::operator=(CLayerManager&&) noexcept = default;

bool CLayerManager::LoadFromTokeniser(CTokeniser& t) {
    return ReadBlockFromTokeniser(t, TokenType::Word, [&] {
        std::string name = t.GetString();
        if (FindLayer(name)) {
            LOG("CLayerManager::LoadFromTokeniser", "Layer name '%s' already exists", name.c_str());
            return false;
        }
        if (t.NextToken() != TokenType::Word)
            return false;
        std::string type = t.GetString();
        std::unique_ptr<CLayer> layer(CreateLayerByType(type));
        if (!layer) {
            LOG("CLayerManager::LoadFromTokeniser", "Unknown layer type '%s' found at line %d", t.GetString(), t.line);
            return false;
        }
        if (budget && !budget->Charge(CMemoryBudget::LayerBytes, "layer", name))
            return false;
        layer->name = name;
        if (!LoadParamBlockFromTokeniser(t, *layer))
            return false; // the half-read layer goes with the unique_ptr
        layerNames.emplace(NameKey(name), layer.get());
        layers.push_back(LayerEntry{std::move(name), std::move(layer), std::move(type)});
        return true;
    });
}

bool CLayerManager::LoadParamBlockFromTokeniser(CTokeniser& t, CLayer& layer) {
    return ReadBlockFromTokeniser(t, TokenType::Word, [&] {
        const std::string param = t.GetString();
        return layer.params.SetValueFromTokeniser(t, param);
    });
}

bool CLayerManager::AddKeyframeFromTokeniser(CTokeniser& t, float time) {
    return ReadBlockFromTokeniser(t, TokenType::Word, [&] {
        CLayer* layer = FindLayer(t.GetString());
        if (!layer) {
            LOG("CLayerManager::AddKeyframeFromTokeniser", "Couldn't load keyframe for unknown layer '%s' on line %d",
                t.GetString(), t.line);
            std::vector<std::string> names;
            for (const LayerEntry& entry : layers)
                names.push_back(entry.name);
            if (const std::string nearest = NearestName(t.GetString(), names); !nearest.empty())
                AdviseAuthor("Did you mean %s?", nearest.c_str());
            return false;
        }
        if (budget && !budget->Charge(CMemoryBudget::KeyframeBytes, "keyframe of layer", layer->name))
            return false;
        return layer->params.AddKeyframeFromTokeniser(time, t);
    });
}

CLayer* CLayerManager::FindLayer(const std::string& name) const {
    auto found = layerNames.find(NameKey(name));
    return found == layerNames.end() ? nullptr : found->second;
}

bool CLayerManager::CreateLayers(CRenderState& state, const CResourceManager& resources) {
    for (LayerEntry& entry : layers) {
        if (!entry.layer->Create(state, resources))
            return false;
    }
    return true;
}

void CLayerManager::RenderLayers(CRenderState& state, float time, float delta) {
    for (LayerEntry& entry : layers) {
        // A stop request cuts the frame short between layers; whoever drew it then ends the run.
        if (StopRequested())
            return;
        CLayer& layer = *entry.layer;
        if (!layer.active->GetValue(time))
            continue;

        CResourceTextureRenderTarget* target = layer.RenderTargetAt(time);
        if (target)
            CResourceTextureRenderTarget::BindToFrameBuffer(state, target);

        // Every layer starts from the same baseline: the 3D device states applied, an identity 3D
        // world matrix, and no mode recorded so that the layer's own SetMode applies its states again.
        state.SetMode(RenderMode::Mode3D);
        state.Matrices(RenderMode::Mode3D).world = glm::mat4(1.0f);
        state.mode = RenderMode::None;
        state.currentColour = nullptr;

        layer.Render(time, delta);

        if (target)
            CResourceTextureRenderTarget::UnbindFromFrameBuffer(state);
    }
}
