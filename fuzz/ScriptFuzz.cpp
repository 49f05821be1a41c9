// Feeds arbitrary script text through the whole parse (tokeniser, system, resources and scene
// blocks with their layers, settings and keyframes). A script that parses is then created on a
// recording device with resource errors ignored, and its scenes are drawn at a spread of times, so
// that every layer's parameters are evaluated over what the fuzzer wrote.
#include "Base/CTokeniser.h"
#include "Base/CommandLine.h"
#include "FuzzDataFolder.h"
#include "Music/CMusicStream.h"
#include "Platform/CGraphicsDevice.h"
#include "Render/CRenderState.h"
#include "Resources/CResourceManager.h"
#include "Scenes/CSceneManager.h"
#include "System/CSystem.h"
#include "Testing/CRecordingDevice.h"

#include <cstdint>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Textures and models the script names are looked up in an empty data folder.
    FuzzDataFolder();
    static CRecordingDevice device;
    device.ClearCalls();
    CSystem system(PresentationLimits{CMemoryBudget::DefaultLimitMiB, true});
    CMemoryTokeniser tokeniser(reinterpret_cast<const char*>(data), size);
    if (system.LoadFromTokeniser(tokeniser) && system.CreateAllResources(device, ScreenSetup()) &&
        system.CreateAllScenes()) {
        // Spectrum keyframes read the shared spectrum: give them something other than zeros.
        for (int i = 0; i < SpectrumBands; ++i)
            SpectrumBuffer[i] = static_cast<float>(i % 7) / 7.0f;
        const float times[] = {0.0f, 0.25f, 1.0f, 2.5f, 7.75f, 31.0f, 1000.0f, -1.0f};
        float previous = 0.0f;
        for (float t : times) {
            system.GetRenderState()->BeginFrame();
            system.RenderScenes(t, t - previous);
            previous = t;
            device.ClearCalls();
        }
        std::memset(SpectrumBuffer, 0, sizeof SpectrumBuffer);
    }
    return 0;
}
