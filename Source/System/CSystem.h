// One presentation: everything one parsed script made. The system block's values (title, music,
// tempo, spectrum switch, the settings dialog's texts), the resources with their built-ins, and the
// scenes with their layers and parameters, and, once created on a device, the render state they draw
// through. Destroying it releases everything it made, device objects included, so a second one can be
// built beside the running one and take its place.
#pragma once

#include "Base/AudioReactions.h"
#include "Base/CMemoryBudget.h"
#include "Base/CMusicalTime.h"
#include "Resources/CResourceManager.h"
#include "Scenes/CSceneManager.h"

#include <memory>
#include <string>

class CGraphicsDevice;
class CRenderState;
class CTokeniser;
struct ScreenSetup;

// What the program lets a presentation take, decided before its script is read: the memory it may
// use, and whether resources that cannot be created are skipped instead of stopping the start.
struct PresentationLimits {
    int memoryLimitMiB = CMemoryBudget::DefaultLimitMiB;
    bool ignoreResourceErrors = false;
};

class CSystem {
public:
    explicit CSystem(const PresentationLimits& limits = PresentationLimits());
    ~CSystem();
    CSystem(const CSystem&) = delete;
    CSystem& operator=(const CSystem&) = delete;

    // Parses the whole script up to the word `end`: `system` blocks here, `resources` blocks into the
    // resources, `scene` blocks into the scenes.
    bool LoadFromTokeniser(CTokeniser& tokeniser);
    // Parses one `system` block after its keyword.
    bool LoadSystemBlockFromTokeniser(CTokeniser& tokeniser);

    // Makes the render state on `device` for the screen the viewer chose and creates every resource
    // there (built-ins first). Given the presentation this one is to replace on the same device
    // (live reload), what it made from files that still hold the same bytes is taken from it rather
    // than made again (CResourceManager::CreateAllResources); it must live until this returns.
    bool CreateAllResources(CGraphicsDevice& device, const ScreenSetup& screen, const CSystem* previous = nullptr);
    // Creates every scene's layers; after CreateAllResources.
    bool CreateAllScenes();
    // Draws every scene running at `time` (after CreateAllScenes).
    void RenderScenes(float time, float delta);

    // The presentation's end when the music gives none: the end of the last scene.
    float LastSceneEnd() const;
    // Null before CreateAllResources.
    CRenderState* GetRenderState() const { return renderState.get(); }

    std::string AppName = "Test";
    std::string Music;
    bool SpectrumEnabled = false;
    CMusicalTime tempo;
    float DebugStartTime = 0.0f;
    std::string SettingsTitle = "Settings";
    std::string SettingsOk = "OK";
    std::string SettingsCancel = "Cancel";

    // What this presentation may take and has taken (the MemoryLimit option); the resources and the
    // layers are charged to it, and so is the decoded music. Declared first, so it goes last.
    CMemoryBudget budget;
    // What the keyframes that follow the music follow, named as the script is read.
    CReactionSet reactions;
    CResourceManager resources;
    CSceneManager scenes;

private:
    // Declared last, so it goes first: layers and resources only point at it.
    std::unique_ptr<CRenderState> renderState;
};
