// One run of a presentation (the CSystem a parsed script made) to its last frame: the settings
// (dialog or command line), the window and device, resources and scenes, the music stream, then the
// main loop, an offline capture into PNG files, or (for Check) nothing more. One member per stage.
#pragma once

#include "App/authoring/CFailureCapture.h"
#include "App/run/CReactionAnalysis.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class CAuthoring;
class CCaptureSchedule;
struct CapturePart;
class CGraphicsDevice;
class CMainLoop;
class CMusicStream;
class CMusicStreamBass;
class CSystem;
class CVertexBuffer;
struct RunningShow;
class CWindow;

class CPresentationRun {
public:
    // Runs the presentation parsed from the script. With Watch, a script that did not parse (null,
    // with its failure) waits on screen for a save that fixes it.
    explicit CPresentationRun(std::unique_ptr<CSystem> presentation, std::optional<LoadFailure> failure = std::nullopt);
    ~CPresentationRun();

    // Runs every stage after the script; returns the exit status (0 after a presentation that ran,
    // a capture that wrote every frame, a Check that passed or a dialog the user cancelled).
    int Run();

private:
    enum class Outcome { Continue, Stop, Failed };

    Outcome RunSettings();      // dialog, or the command line's values
    bool OpenWindowAndDevice(); // hidden for Check and Capture
    bool CreateResourcesAndScenes();
    bool StartMusic();
    // Opens the presentation's music (or the silent clock) at `start` seconds; false with a log line.
    bool StartMusic(float start);
    // Starts the analysis of the music for the reactions the presentation follows, charging its
    // memory to the presentation; false when the budget refuses it.
    bool StartReactions();
    // Before each frame: a new presentation or music starts its analysis; the frame then reads the
    // table, waiting for it while it is being made.
    void FollowReactions();
    void RenderFrame(float time, float delta);
    int RunMainLoop();
    int RunCapture();
    // The frames of the range that this capture draws: all, or those of CapturePart; false with the
    // reason for a part that cannot be made.
    bool SelectCapturePart(const CCaptureSchedule& schedule, CapturePart& part, std::string& reason) const;

    bool Unattended() const;
    bool Fail(const std::string& boxText);
    // The box text for a failed start: the budget's message when that is why.
    std::string FailureText(const std::string& otherwise) const;

    std::unique_ptr<CSystem> system;
    std::optional<LoadFailure> startFailure;
    std::unique_ptr<CWindow> window;
    std::unique_ptr<CGraphicsDevice> device;
    std::unique_ptr<CVertexBuffer> letterboxBars;
    std::unique_ptr<CMusicStream> stream;
    // The music, when unattended runs decode it without playing: capture sets its time per frame.
    CMusicStreamBass* silentMusic = nullptr;
    // Live reload and the overlay, with Watch or DebugKeys, and what they act on.
    std::unique_ptr<RunningShow> running;
    std::unique_ptr<CAuthoring> authoring;
    // The music's reactions, for the presentation and music they were started for.
    CReactionAnalysis reactions;
    const CSystem* reactionsSystem = nullptr;
    const CMusicStream* reactionsStream = nullptr;
};
