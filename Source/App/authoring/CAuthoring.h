// The authoring tools over a running presentation (with Watch or DebugKeys): live reload of the
// script and the files it names at the same musical position, an error panel while a save leaves it
// broken, and the overlay (F1): position and frame times, the time line (a click seeks), a loop of
// whole bars, the spectrum, the scenes running now, and a free camera that writes keyframe lines.
#pragma once

#include "App/authoring/CFailureCapture.h"
#include "App/authoring/CFrameStats.h"
#include "App/authoring/CFreeCamera.h"
#include "App/authoring/CInspector.h"
#include "App/authoring/CLoopRange.h"
#include "App/authoring/CMusicAnalysis.h"
#include "App/authoring/COverlayLayout.h"
#include "App/authoring/CScriptWrites.h"
#include "Base/CMusicalTime.h"

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class CLayer;
class CLiveReload;
class CSystem;
class COverlayUi;
struct OverlayActions;
struct OverlayFrame;
struct OverlayReaction;
struct RunningShow;

class CAuthoring {
public:
    explicit CAuthoring(RunningShow& show);
    ~CAuthoring();

    // With Watch: logs what is watched and starts watching the presentation's files.
    void StartWatching();
    // A presentation that failed to start: its failure stays on screen until a save fixes it.
    void SetFailure(const LoadFailure& failure);

    // Before the loop looks at any key: the inspector's keys (Escape discards edits or closes it,
    // Enter writes edits or opens the highlighted layer, Up and Down move the highlight), and none of
    // the show's keys while a number is typed on the overlay.
    void TakeEditingKeys();
    // Between frames: a settled save (or F5) reloads; the overlay's keys, the loop and the camera.
    void BeforeFrame();
    // Before the scenes draw: the free camera stands in for the camera layers.
    void BeforeScenes();
    // After the letterbox bars, before the frame is shown: the overlay's panels.
    void AfterFrame(float time);
    // After the frame is shown: the report of a reload's first frame.
    void FramePresented();

    // Rebuilds the presentation from its files; `changed` names what changed, for the log.
    void Reload(const std::string& changed);
    // What the error panel shows, while a start or the last reload failed.
    const std::optional<LoadFailure>& Failure() const { return failure; }

private:
    CMusicalTime Tempo() const;
    float ShowLength() const;
    void SeekTo(double seconds);
    void HandleOverlayKeys(float time);
    void ToggleCamera();
    void WriteKeyframeLine();
    // X: the command line that exports the loop, on standard output, in the log and on the clipboard.
    void CopyLoopCommand();
    std::string LoopCommand();
    // Writes the camera layer's From and To at the playhead into the script (one write, so one reload).
    void WriteCameraIntoScript(const std::string& scene, const std::string& layerName, const CLayer& layer,
                               const glm::vec3& from, const glm::vec3& to);
    void UndoOrRedo();
    // Writes the inspector's edits into the script at the playhead (one write, so one reload).
    void WriteInspectorEdits(bool keyframes);
    void ApplyInspectorActions(const OverlayActions& actions);
    void UpdateCamera();
    void BuildFrame(float time, OverlayFrame& frame);
    // The reactions gathered in `reactionsFollowed`, each once, with their level and value at `time`.
    void FillReactions(const CSystem& system, float time, std::vector<OverlayReaction>& out);
    void Notify(const std::string& notice);

    RunningShow& show;
    std::unique_ptr<CLiveReload> live;
    std::unique_ptr<COverlayUi> overlay;
    std::optional<LoadFailure> failure;
    std::optional<std::chrono::steady_clock::time_point> reloadNoticed;

    CFrameStats frames;
    CLoopRange loop;
    COverlayLayout overlayLayout; // the overlay's time line and spectrum axis, kept from frame to frame
    CMusicAnalysis musicAnalysis; // the music's waveform and spectrum over time, for the time line
    std::optional<double> pendingSeek;
    bool overlayWantsMouse = false;
    bool overlayWantsKeyboard = false;
    CInspector inspector;
    bool scriptInFolder = false; // the script is a file in the data folder, which writes can change
    static bool ScriptInFolder();
    const CSystem* inspected = nullptr; // the presentation the inspector's edits were put on
    bool cameraOn = false;
    CFreeCamera camera;
    CScriptWrites writes;
    float cameraFov = 45.0f, cameraFar = 50000.0f;
    std::chrono::steady_clock::time_point lastFrame;
    std::string notice;
    std::chrono::steady_clock::time_point noticeUntil;
    bool screenshotPending = false;
    int screenshots = 0;
    std::vector<int> reactionsFollowed; // gathered while the frame is built, kept for its capacity
};
