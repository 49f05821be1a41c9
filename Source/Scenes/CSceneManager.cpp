#include "Scenes/CSceneManager.h"

#include "Log.h"
#include "System/CSystem.h"
#include "System/CTokeniser.h"

#include <algorithm>
#include <strings.h>

namespace {

std::vector<Scene>& SceneList() {
    static std::vector<Scene> scenes;
    return scenes;
}

bool ReadTime(CTokeniser& t, float& seconds) {
    if (t.NextToken() != TokenType::Time)
        return false;
    return MusicalTimeToSeconds(t.GetBar(), t.GetBeat(), t.GetTick(), seconds);
}

} // namespace

bool CSceneManager::LoadFromTokeniser(CTokeniser& t) {
    if (t.NextToken() != TokenType::Word)
        return false;
    Scene scene;
    scene.name = t.GetString();
    if (FindScene(scene.name)) {
        LOG("CSceneManager::LoadFromTokeniser", "Scene name '%s' already exists", scene.name.c_str());
        return false;
    }
    if (!ReadTime(t, scene.startTime) || !ReadTime(t, scene.endTime))
        return false;
    if (!LoadSceneBodyFromTokeniser(t, scene))
        return false;
    SceneList().push_back(std::move(scene));
    return true;
}

bool CSceneManager::LoadSceneBodyFromTokeniser(CTokeniser& t, Scene& scene) {
    return ReadBlockFromTokeniser(t, TokenType::Word, [&] {
        if (strcasecmp(t.GetString(), "layers") == 0)
            return scene.layers.LoadFromTokeniser(t);
        if (strcasecmp(t.GetString(), "keyframes") == 0)
            return LoadKeyframesFromTokeniser(t, scene);
        return false;
    });
}

bool CSceneManager::LoadKeyframesFromTokeniser(CTokeniser& t, Scene& scene) {
    return ReadBlockFromTokeniser(t, TokenType::Time, [&] {
        float seconds;
        return MusicalTimeToSeconds(t.GetBar(), t.GetBeat(), t.GetTick(), seconds) &&
               scene.layers.AddKeyframeFromTokeniser(t, seconds);
    });
}

Scene* CSceneManager::FindScene(const std::string& name) {
    for (Scene& scene : SceneList()) {
        if (strcasecmp(scene.name.c_str(), name.c_str()) == 0)
            return &scene;
    }
    return nullptr;
}

bool CSceneManager::CreateAllScenes() {
    for (Scene& scene : SceneList()) {
        if (!scene.layers.CreateLayers())
            return false;
    }
    return true;
}

void CSceneManager::RenderScenes(float time, float delta) {
    for (Scene& scene : SceneList()) {
        float local = time - scene.startTime;
        if (local >= 0.0f && time < scene.endTime)
            scene.layers.RenderLayers(local, std::min(delta, local));
    }
}

const std::vector<Scene>& CSceneManager::GetScenes() { return SceneList(); }

void CSceneManager::Clear() { SceneList().clear(); }
