// Loads script text the way start-up does, over a model (system block, resources, scenes) emptied
// before each test.
#pragma once

#include "Base/CommandLine.h"
#include "Resources/CResourceManager.h"
#include "Scenes/CSceneManager.h"
#include "System/CSystem.h"
#include "Base/CTokeniser.h"

#include <string>

inline void ResetScriptModel() {
    CSceneManager::Clear();
    CResourceManager::Clear();
    System.Reset();
    Options = CommandLineOptions();
}

inline bool LoadScript(const std::string& text) {
    CMemoryTokeniser tokeniser(text.data(), text.size());
    return System.LoadFromTokeniser(tokeniser);
}
