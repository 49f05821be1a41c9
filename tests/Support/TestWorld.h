// The presentation the engine tests work on: one presentation parsed from script text, a recording
// device and a render state on it. ResetScriptModel starts all of it afresh (with the process-wide
// settings back at their defaults); the free functions below act on it, so a test reads like the
// script it checks.
#pragma once

#include "Base/CSettings.h"
#include "Base/CTokeniser.h"
#include "Base/CommandLine.h"
#include "Base/SpectrumBuffer.h"
#include "Render/CRenderState.h"
#include "Resources/CResourceManager.h"
#include "Scenes/CSceneManager.h"
#include "System/CSystem.h"
#include "Testing/CRecordingDevice.h"

#include <algorithm>
#include <memory>
#include <string>

// The one reset of what the process keeps between presentations: command line, settings record,
// spectrum.
inline void ResetProcessState() {
    Options = CommandLineOptions();
    Settings = SettingsRecord();
    std::fill(std::begin(SpectrumBuffer), std::end(SpectrumBuffer), 0.0f);
}

struct TestWorld {
    CRecordingDevice device;
    CRenderState state{device};
    CSystem system;
};

inline std::unique_ptr<TestWorld>& TestWorldHolder() {
    static std::unique_ptr<TestWorld> world;
    return world;
}

inline TestWorld& World() {
    std::unique_ptr<TestWorld>& world = TestWorldHolder();
    if (!world) {
        world = std::make_unique<TestWorld>();
        // Effects behave as their text says: only the techniques it declares exist, and a source
        // with an #error line does not compile.
        world->device.techniquesFromSource = true;
        world->device.failEffectsContaining = "#error";
        world->device.ClearCalls(); // the render state's start-up states are not what tests look at
    }
    return *world;
}

inline void ResetScriptModel() {
    TestWorldHolder().reset();
    ResetProcessState();
}

inline CSystem& Model() { return World().system; }
inline CRecordingDevice& TestDevice() { return World().device; }
inline CRenderState& TestState() { return World().state; }

inline bool LoadScript(const std::string& text) {
    CMemoryTokeniser tokeniser(text.data(), text.size());
    return Model().LoadFromTokeniser(tokeniser);
}

inline bool LoadResourcesBlock(const std::string& text) {
    CMemoryTokeniser tokeniser(text.data(), text.size());
    return Model().resources.LoadFromTokeniser(tokeniser);
}

inline bool CreateAllResources() { return Model().resources.CreateAllResources(TestDevice()); }
inline bool CreateAllScenes() { return Model().scenes.CreateAllScenes(TestState(), Model().resources); }
inline void RenderScenes(float time, float delta) { Model().scenes.RenderScenes(TestState(), time, delta); }
inline const std::vector<Scene>& GetScenes() { return Model().scenes.GetScenes(); }

inline CResourceShader* FindShader(const std::string& name) { return Model().resources.FindShader(name); }
inline CResourceTexture* FindTexture(const std::string& name) { return Model().resources.FindTexture(name); }
inline CResourceTextureRenderTarget* FindRenderTarget(const std::string& name) {
    return Model().resources.FindRenderTarget(name);
}
inline CResourceModel* FindModel(const std::string& name) { return Model().resources.FindModel(name); }
