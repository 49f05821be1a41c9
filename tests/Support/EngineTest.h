// The fixture engine tests build on: a recording device, a render state on it for a screen the test
// may change, a presentation to read script text into, and a scratch data folder mounted for the
// data reads. Each test gets its own; nothing carries over from one test to the next. The members
// below act on it, so a test reads like the script it checks.
#pragma once

#include "Base/CTokeniser.h"
#include "Base/SpectrumBuffer.h"
#include "Render/CRenderState.h"
#include "Resources/CResourceManager.h"
#include "Scenes/CSceneManager.h"
#include "System/CSystem.h"
#include "Testing/CRecordingDevice.h"
#include "Testing/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

class EngineTest : public ::testing::Test {
protected:
    EngineTest() {
        // Effects behave as their text says: only the techniques it declares exist, and a source with
        // an #error line does not compile.
        device.techniquesFromSource = true;
        device.failEffectsContaining = "#error";
        device.ClearCalls(); // the render state's start-up states are not what tests look at
        std::fill(std::begin(SpectrumBuffer), std::end(SpectrumBuffer), 0.0f);
    }

    // A new presentation with these limits in place of the one read so far; the device forgets its
    // calls. The device and the render state stay.
    void ResetScriptModel(const PresentationLimits& limits = PresentationLimits()) {
        system = std::make_unique<CSystem>(limits);
        state.currentEffect = nullptr;
        state.currentColour = nullptr;
        device.ClearCalls();
    }

    CSystem& Model() { return *system; }
    const CSystem& Model() const { return *system; }
    CResourceManager& Resources() { return system->resources; }
    CRecordingDevice& TestDevice() { return device; }
    const CRecordingDevice& TestDevice() const { return device; }
    CRenderState& TestState() { return state; }

    bool LoadScript(const std::string& text) {
        CMemoryTokeniser tokeniser(text.data(), text.size());
        return system->LoadFromTokeniser(tokeniser);
    }
    bool LoadResourcesBlock(const std::string& text) {
        CMemoryTokeniser tokeniser(text.data(), text.size());
        return system->resources.LoadFromTokeniser(tokeniser);
    }
    bool CreateAllResources() {
        system->resources.SetRenderTargetSize(state.screen.renderTargetSize);
        return system->resources.CreateAllResources(device);
    }
    bool CreateAllScenes() { return system->scenes.CreateAllScenes(state, system->resources); }
    void RenderScenes(float time, float delta) { system->scenes.RenderScenes(state, time, delta); }
    const std::vector<Scene>& GetScenes() { return system->scenes.GetScenes(); }

    CResourceShader* FindShader(const std::string& name) { return system->resources.FindShader(name); }
    CResourceTexture* FindTexture(const std::string& name) { return system->resources.FindTexture(name); }
    CResourceTextureRenderTarget* FindRenderTarget(const std::string& name) {
        return system->resources.FindRenderTarget(name);
    }
    CResourceModel* FindModel(const std::string& name) { return system->resources.FindModel(name); }

    CRecordingDevice device;
    CRenderState state{device};
    TempFolder data{TempFolder::Mounted};

private:
    std::unique_ptr<CSystem> system = std::make_unique<CSystem>();
};
