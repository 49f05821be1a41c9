// The presentation's scenes: named stretches of the time line, each with its own stack of layers.
// Reads the script's `scene` blocks, creates every scene's layers once resources exist, and every
// frame runs each scene whose range holds the time, in declaration order, at scene-local time.
// The scene list is process-wide (one presentation per run), so the operations are static.
#pragma once

#include "Layers/CLayerManager.h"

#include <string>
#include <vector>

class CTokeniser;

struct Scene {
    std::string name;
    float startTime = 0.0f; // inclusive, seconds
    float endTime = 0.0f;   // exclusive, seconds
    CLayerManager layers;
};

class CSceneManager {
public:
    // A `scene` block, after the word `scene`.
    static bool LoadFromTokeniser(CTokeniser& tokeniser);
    // Case-insensitive; null when no scene has the name.
    static Scene* FindScene(const std::string& name);
    static bool CreateAllScenes();
    static void RenderScenes(float time, float delta);

    static const std::vector<Scene>& GetScenes();
    // Forgets every scene (for tests that load several scripts in one process).
    static void Clear();

private:
    static bool LoadSceneBodyFromTokeniser(CTokeniser& tokeniser, Scene& scene);
    static bool LoadKeyframesFromTokeniser(CTokeniser& tokeniser, Scene& scene);
};
