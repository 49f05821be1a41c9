#include "Scenes/CSceneManager.h"

#include "Base/AudioReactions.h"
#include "Base/CMemoryBudget.h"
#include "Base/CTokeniser.h"
#include "Base/Log.h"
#include "Base/Names.h"
#include "Base/StopRequest.h"
#include "Layers/CLayer.h"

#include <algorithm>

namespace {

bool ReadTime(CTokeniser& t, float& seconds) {
    if (t.NextToken() != TokenType::Time)
        return false;
    return t.tempo.ToSeconds(t.GetBar(), t.GetBeat(), t.GetTick(), seconds);
}

} // namespace

bool CSceneManager::LoadFromTokeniser(CTokeniser& t) {
    if (t.NextToken() != TokenType::Word)
        return false;
    Scene scene;
    scene.name = t.GetString();
    scene.layers.SetBudget(budget);
    if (FindScene(scene.name)) {
        LOG("CSceneManager::LoadFromTokeniser", "Scene name '%s' already exists", scene.name.c_str());
        return false;
    }
    // Millions of empty scenes fit in a script of a few megabytes.
    if (budget && !budget->Charge(CMemoryBudget::SceneBytes, "scene", scene.name))
        return false;
    if (!ReadTime(t, scene.startTime) || !ReadTime(t, scene.endTime))
        return false;
    if (!LoadSceneBodyFromTokeniser(t, scene))
        return false;
    ReportLoneKeyframes(scene);
    sceneNames.emplace(NameKey(scene.name), scenes.size());
    scenes.push_back(std::move(scene));
    return true;
}

// A keyframe line pasted alone does nothing to a value that is blended between keyframes: said once
// per parameter, whatever the run (a check, a start, a reload), without failing the presentation.
void CSceneManager::ReportLoneKeyframes(const Scene& scene) {
    for (const LayerEntry& layer : scene.layers.GetLayers())
        for (const ParamEntry& param : layer.layer->params.GetEntries())
            if (param.param->HasIgnoredLoneKeyframe())
                LOG("CSceneManager::ReportLoneKeyframes",
                    "Parameter '%s' of layer '%s' has a single keyframe on line %d: it takes effect from two keyframes",
                    param.name.c_str(), layer.name.c_str(), param.param->firstKeyframeLine);
}

bool CSceneManager::LoadSceneBodyFromTokeniser(CTokeniser& t, Scene& scene) {
    return ReadBlockFromTokeniser(t, TokenType::Word, [&] {
        if (SameName(t.GetString(), "layers"))
            return scene.layers.LoadFromTokeniser(t);
        if (SameName(t.GetString(), "keyframes"))
            return LoadKeyframesFromTokeniser(t, scene);
        return false;
    });
}

bool CSceneManager::LoadKeyframesFromTokeniser(CTokeniser& t, Scene& scene) {
    return ReadBlockFromTokeniser(t, TokenType::Time, [&] {
        float seconds;
        return t.tempo.ToSeconds(t.GetBar(), t.GetBeat(), t.GetTick(), seconds) &&
               scene.layers.AddKeyframeFromTokeniser(t, seconds);
    });
}

Scene* CSceneManager::FindScene(const std::string& name) {
    auto found = sceneNames.find(NameKey(name));
    return found == sceneNames.end() ? nullptr : &scenes[found->second];
}

bool CSceneManager::CreateAllScenes(CRenderState& state, const CResourceManager& resources) {
    for (Scene& scene : scenes) {
        if (!scene.layers.CreateLayers(state, resources))
            return false;
    }
    // Counted over every scene, as if all ran at once: scenes may overlap, and the sum stays far
    // below the bound for what a presentation shows.
    int64_t draws = 0;
    for (const Scene& scene : scenes) {
        for (const LayerEntry& entry : scene.layers.GetLayers()) {
            draws += entry.layer->MostDrawsPerFrame();
            if (draws > MaxDrawsPerFrame) {
                refusal = "A frame would draw more than " + std::to_string(MaxDrawsPerFrame) +
                          " times (layers x effect passes x copies), at layer '" + entry.name + "' of scene '" +
                          scene.name + "'";
                LOG("CSceneManager::CreateAllScenes", "%s", refusal.c_str());
                return false;
            }
        }
    }
    return true;
}

void CSceneManager::RenderScenes(CRenderState& state, float time, float delta) {
    for (Scene& scene : scenes) {
        if (StopRequested())
            return;
        float local = time - scene.startTime;
        if (local >= 0.0f && time < scene.endTime) {
            // Layers see times from their scene's start; what follows the music needs the music's.
            ActiveReactions.sceneStart = scene.startTime;
            scene.layers.RenderLayers(state, local, std::min(delta, local));
        }
    }
}
