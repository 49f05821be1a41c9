// The scenes of one presentation: named stretches of the time line, each with its own stack of
// layers. Reads the script's `scene` blocks, creates every scene's layers once resources exist, and
// every frame runs each scene whose range holds the time, in declaration order, at scene-local time.
#pragma once

#include "Layers/CLayerManager.h"

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

class CMemoryBudget;
class CRenderState;
class CResourceManager;
class CTokeniser;

struct Scene {
    std::string name;
    float startTime = 0.0f; // inclusive, seconds
    float endTime = 0.0f;   // exclusive, seconds
    CLayerManager layers;
};

class CSceneManager {
public:
    // Draw calls all layers of all scenes may make in one frame (each layer's effect passes times the
    // copies it draws): far above what a presentation shows, far below what holds a frame for minutes.
    static constexpr int64_t MaxDrawsPerFrame = int64_t(1) << 24;

    // A `scene` block, after the word `scene`.
    bool LoadFromTokeniser(CTokeniser& tokeniser);
    // Case-insensitive; null when no scene has the name.
    Scene* FindScene(const std::string& name);
    // Charged for every scene, layer and keyframe the scenes declare; null: nothing is counted.
    void SetBudget(CMemoryBudget* memory) { budget = memory; }
    // Creates every layer, then refuses (false, with the message in Refusal) a presentation whose
    // frame could draw more than MaxDrawsPerFrame times.
    bool CreateAllScenes(CRenderState& state, const CResourceManager& resources);
    // Why CreateAllScenes refused the presentation, or empty.
    const std::string& Refusal() const { return refusal; }
    void RenderScenes(CRenderState& state, float time, float delta);

    const std::vector<Scene>& GetScenes() const { return scenes; }

private:
    bool LoadSceneBodyFromTokeniser(CTokeniser& tokeniser, Scene& scene);
    static void ReportLoneKeyframes(const Scene& scene);
    bool LoadKeyframesFromTokeniser(CTokeniser& tokeniser, Scene& scene);

    std::vector<Scene> scenes;
    std::unordered_map<std::string, size_t> sceneNames; // NameKey to the scene's index
    CMemoryBudget* budget = nullptr;
    std::string refusal;
};
