#include "App/authoring/CAuthoring.h"

#include "App/authoring/CLiveReload.h"
#include "App/capture/CFrameWriter.h"
#include "App/run/CMainLoop.h"
#include "App/run/CReactionAnalysis.h"
#include "App/run/LoadPresentation.h"
#include "App/run/RunningShow.h"
#include "Base/AudioReactions.h"
#include "Base/CSettings.h"
#include "Base/CommandLine.h"
#include "Base/DataZip.h"
#include "Base/Log.h"
#include "Base/SpectrumBuffer.h"
#include "Base/Utf8Path.h"
#include "Layers/CLayer.h"
#include "Music/CMusicStream.h"
#include "Music/CMusicStreamBass.h"
#include "Params/CParamBool.h"
#include "Params/CParamString.h"
#include "Params/CParamVector3.h"
#include "Platform/CWindow.h"
#include "Platform/Clipboard.h"
#include "Platform/Memory.h"
#include "Platform/Platform.h"
#include "Platform/ui/COverlayUi.h"
#include "Render/CRenderState.h"
#include "Scenes/ScriptEdit.h"
#include "System/CSystem.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

namespace {

constexpr const char* KeysHelp =
    "F1 overlay  F5 reload  [ ] loop  \\ no loop  X copy loop export  C camera  K keyframe\n"
    "F12 picture  "
    "Up Down Enter inspect a layer  Enter write  Esc discard  Ctrl+Z undo";

// A press, or a key held since the last look, acts once.
bool TakeKey(CWindow& window, int key) {
    if (!window.KeyDown(key) && !window.TakeKeyPress(key))
        return false;
    window.ClearKey(key);
    return true;
}

} // namespace

CAuthoring::CAuthoring(RunningShow& running) : show(running) {
    // The presses made before the show started are not the author's wishes for it.
    show.window.ClearKeyPresses();
    overlay = COverlayUi::Create(show.window, show.device);
    lastFrame = std::chrono::steady_clock::now();
}

CAuthoring::~CAuthoring() {
    if (cameraOn)
        show.window.SetMouseLook(false);
}

bool CAuthoring::ScriptInFolder() {
    const std::string path = CLiveReload::PathInData(Options.DataPath, Options.Config);
    std::error_code error;
    return !path.empty() && std::filesystem::is_regular_file(PathFromUtf8(path), error);
}

void CAuthoring::StartWatching() {
    scriptInFolder = ScriptInFolder();
    live = std::make_unique<CLiveReload>(CreateFileWatcher(), Options.DataPath, Options.Config);
    LOG("WinMain", "Watching '%s' for changes", Options.DataPath.c_str());
    live->Watch(show.system.get());
}

void CAuthoring::SetFailure(const LoadFailure& startFailure) { failure = startFailure; }

CMusicalTime CAuthoring::Tempo() const { return show.system ? show.system->tempo : CMusicalTime(); }

float CAuthoring::ShowLength() const {
    if (const auto* music = dynamic_cast<const CMusicStreamBass*>(show.stream.get()))
        if (music->GetLength() > 0.0f)
            return music->GetLength();
    return show.system ? show.system->LastSceneEnd() : 0.0f;
}

void CAuthoring::SeekTo(double seconds) {
    // The same seek the debug keys make, by the distance from where the music is.
    show.stream->SeekBy(static_cast<float>(std::max(0.0, seconds) - show.stream->GetTime()));
}

void CAuthoring::Notify(const std::string& text) {
    notice = text;
    noticeUntil = std::chrono::steady_clock::now() + std::chrono::seconds(3);
}

void CAuthoring::Reload(const std::string& changed) {
    const auto noticed = std::chrono::steady_clock::now();
    LOG("WinMain", "Reloading after a change to '%s'", changed.c_str());
    // PhysicsFS read the zip's directory when it mounted it: a rebuilt zip is mounted afresh, from the
    // file now at its name, screened as at start-up.
    if (live && live->IsDataZip(changed)) {
        const std::string zip = Options.DataPath + ".zip";
        std::string reason;
        if (!UnmountDataZip(zip, reason) || !MountDataZip(zip, reason)) {
            LOG("WinMain", "Failed to add datapath '%s' to physfs: %s", zip.c_str(), reason.c_str());
            failure = LoadFailure{zip, 0, "Failed to add datapath '" + zip + "' to physfs: " + reason};
            LOG("WinMain", "Reload failed: kept the running presentation");
            return;
        }
        LOG("WinMain", "Added datapath '%s' to physfs", zip.c_str());
    }
    std::unique_ptr<CSystem> next;
    LoadFailure broken;
    bool ok = false;
    {
        CFailureCapture capture;
        std::string boxText;
        int stoppedAt = 0;
        next = LoadPresentation(Options.Config, boxText, &stoppedAt);
        // What the running presentation made from files that did not change is taken, not made again.
        if (next && !next->CreateAllResources(show.device, ScreenFrom(Settings), show.system.get())) {
            LOG("WinMain", "Failed to create resources");
        } else if (next && !next->CreateAllScenes()) {
            LOG("WinMain", "Failed to create scenes");
        } else {
            ok = next != nullptr;
        }
        if (!ok)
            broken = capture.Failure(Options.Config, stoppedAt);
    }
    // What the new script names is watched, also when it went no further than declaring it.
    if (live)
        live->Watch(next.get(), !ok);
    if (!ok) {
        next.reset();
        failure = broken;
        LOG("WinMain", "Reload failed: kept the running presentation");
        return;
    }

    // The time goes on: the same second of the music, even where the tempo changed.
    const bool wasRunning = show.system != nullptr;
    const bool musicChanged =
        !wasRunning || next->Music != show.system->Music ||
        (!next->Music.empty() && changed.size() >= next->Music.size() + 1 &&
         changed.compare(changed.size() - next->Music.size() - 1, std::string::npos, "/" + next->Music) == 0);
    const float time = wasRunning ? show.stream->GetTime() : 0.0f;
    const bool paused = show.stream->IsPaused();
    std::unique_ptr<CSystem> old = std::move(show.system);
    show.system = std::move(next);
    if (musicChanged) {
        // The new music is opened while the old one still plays: music that cannot be played fails the
        // reload like any other file, and the old presentation goes on with its own.
        std::unique_ptr<CMusicStream> oldStream = std::move(show.stream);
        CFailureCapture capture;
        if (!show.startMusic(time) && !show.system->Music.empty()) {
            failure = capture.Failure(show.system->Music);
            show.stream = std::move(oldStream);
            show.system = std::move(old);
            LOG("WinMain", "Reload failed: kept the running presentation");
            return;
        }
        oldStream.reset();
        if (paused)
            show.stream->SetPaused(true);
        if (show.loop)
            show.loop->SetStream(*show.stream);
    }
    old.reset(); // with every device object it made
    // The old presentation's memory goes back to the system, so that reloading all day does not grow
    // the program by what the allocator would keep for later.
    ReturnFreeMemory();
    failure.reset();
    if (show.loop)
        show.loop->spectrumEnabled = show.system->SpectrumEnabled;
    // The title follows the script, also after a start that waited for a fix under the default one.
    show.window.SetTitle(show.system->AppName);
    reloadNoticed = noticed;
    scriptInFolder = ScriptInFolder();
}

void CAuthoring::FramePresented() {
    if (screenshotPending && overlay) {
        std::vector<uint8_t> rgba;
        int width = 0, height = 0;
        if (overlay->WindowPixels(rgba, width, height)) {
            // Pictures saved before, by this run or an earlier one, are kept.
            std::string name;
            if (CFrameWriter::SaveNewPng("screenshot-", screenshots, rgba, width, height, name)) {
                LOG("WinMain", "Saved the window as '%s'", name.c_str());
                Notify("Saved " + name);
            }
        }
        overlay->KeepWindowPixels(false);
        screenshotPending = false;
    }
    if (!reloadNoticed)
        return;
    const auto took = std::chrono::steady_clock::now() - *reloadNoticed;
    LOG("WinMain", "Reloaded in %d ms",
        static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(took).count()));
    reloadNoticed.reset();
}

void CAuthoring::TakeEditingKeys() {
    CWindow& window = show.window;
    if (overlayWantsKeyboard) {
        window.ClearKeysButModifiers();
        return;
    }
    if (!show.system)
        return;
    CSystem& system = *show.system;
    const bool shown = overlay && overlay->IsShown();
    if (inspector.HasEdits() && TakeKey(window, KeyEscape)) {
        inspector.Discard(&system);
        Notify("Edits discarded");
    } else if (shown && inspector.IsOpen() && TakeKey(window, KeyEscape)) {
        inspector.Close(&system);
    }
    if (inspector.HasEdits() && TakeKey(window, KeyEnter))
        WriteInspectorEdits(window.KeyDown(KeyShift));
    if (!shown)
        return;
    const float time = show.stream->GetTime();
    if (TakeKey(window, KeyUp))
        inspector.MoveHighlight(system, time, -1);
    if (TakeKey(window, KeyDownArrow))
        inspector.MoveHighlight(system, time, 1);
    if (TakeKey(window, KeyEnter))
        inspector.OpenHighlighted(system);
}

void CAuthoring::WriteInspectorEdits(bool keyframes) {
    const std::string path = CLiveReload::PathInData(Options.DataPath, Options.Config);
    std::string before;
    if (path.empty() || !CScriptWrites::ReadText(path, before)) {
        Notify("The script is read from the data zip, which cannot be written: the edits stay until Escape");
        return;
    }
    const float time = show.stream->GetTime();
    std::string after, error;
    if (!inspector.WriteEdits(*show.system, before, time, keyframes, after, error)) {
        Notify("Not written: " + error);
        return;
    }
    if (after == before) {
        // The script holds these values already: there is nothing to reload.
        inspector.Discard(show.system.get());
        Notify("The script already holds these values");
        return;
    }
    std::string message;
    if (!writes.Write(path, before, after, message)) {
        Notify(message);
        return;
    }
    inspector.MarkWritten();
    const std::string written = "Written into " + Options.Config + ": " + inspector.Layer() + " at " +
                                CMusicalTime::Format(Tempo().NearestTick(time));
    LOG("WinMain", "%s", written.c_str());
    Notify(written + " (Ctrl+Z undoes it)");
}

void CAuthoring::ApplyInspectorActions(const OverlayActions& actions) {
    if (!show.system)
        return;
    CSystem& system = *show.system;
    if (actions.chosenScene)
        inspector.Open(system, *actions.chosenScene, actions.chosenLayer);
    if (!actions.tweaked.empty())
        inspector.Tweak(system, actions.tweaked, actions.tweakValue);
    if (actions.discard) {
        inspector.Discard(&system);
        Notify("Edits discarded");
    }
    if (actions.write || actions.writeKeyframes)
        WriteInspectorEdits(actions.writeKeyframes);
    if (actions.close)
        inspector.Close(&system);
}

void CAuthoring::BeforeFrame() {
    std::string changed;
    if (live && live->Poll(changed))
        Reload(changed);
    if (show.window.TakeKeyPress(KeyF5))
        Reload(Options.Config);
    if (show.system && show.system.get() != inspected) {
        // A reload made new parameters: tweaks not yet written go on them, written ones are done.
        inspector.PresentationChanged(*show.system);
        inspected = show.system.get();
    }
    UndoOrRedo();

    const auto now = std::chrono::steady_clock::now();
    frames.AddFrame(std::chrono::duration<float>(now - lastFrame).count());
    lastFrame = now;
    if (!overlay)
        return;
    const float time = show.stream->GetTime();
    HandleOverlayKeys(time);
    if (pendingSeek) {
        SeekTo(*pendingSeek);
        pendingSeek.reset();
    }
    if (std::optional<double> back = loop.SeekFor(show.stream->GetTime()))
        SeekTo(*back);
    UpdateCamera();
}

void CAuthoring::HandleOverlayKeys(float time) {
    if (show.window.TakeKeyPress(KeyF1))
        overlay->Toggle();
    const CMusicalTime tempo = Tempo();
    if (show.window.TakeKeyPress(KeyOpenBracket))
        loop.MarkStart(time, tempo);
    if (show.window.TakeKeyPress(KeyCloseBracket))
        loop.MarkEnd(time, tempo);
    if (show.window.TakeKeyPress(KeyBackslash))
        loop.Clear();
    if (show.window.TakeKeyPress(KeyX))
        CopyLoopCommand();
    if (show.window.TakeKeyPress(KeyC))
        ToggleCamera();
    if (show.window.TakeKeyPress(KeyK))
        WriteKeyframeLine();
    if (show.window.TakeKeyPress(KeyF12)) {
        // The window as the author sees it, overlay included (capture never has the overlay).
        overlay->KeepWindowPixels(true);
        screenshotPending = true;
    }
}

std::string CAuthoring::LoopCommand() {
    return loop.CaptureCommand(Tempo(), Options.DataPath, Options.Config, static_cast<int>(Settings.width),
                               static_cast<int>(Settings.height));
}

void CAuthoring::CopyLoopCommand() {
    const std::string line = LoopCommand();
    if (line.empty()) {
        Notify("No loop: mark its start with [ and its end with ]");
        return;
    }
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
    LOG("WinMain", "%s", line.c_str());
    Notify(CopyToClipboard(line) ? "Export command copied: " + line : "Export command: " + line);
}

void CAuthoring::ToggleCamera() {
    cameraOn = !cameraOn;
    show.window.SetMouseLook(cameraOn);
    if (!cameraOn) {
        Notify("Free camera off");
        return;
    }
    const CRenderState* state = show.system ? show.system->GetRenderState() : nullptr;
    if (state && state->lastShot.layer) {
        const CameraShot& shot = state->lastShot;
        camera.StartFromOrbit(shot.from, shot.to, shot.up, shot.rotation);
        cameraFov = shot.fov;
        cameraFar = shot.maxZ;
    } else {
        camera.Start(glm::vec3(0.0f), glm::vec3(0.0f, 0.0f, 100.0f), glm::vec3(0.0f, 1.0f, 0.0f));
    }
    Notify("Free camera on: W A S D Q E to move, right mouse button to look, K writes a keyframe");
}

void CAuthoring::WriteKeyframeLine() {
    const CRenderState* state = show.system ? show.system->GetRenderState() : nullptr;
    if (!state || !state->lastShot.layer) {
        Notify("No orbit camera is running: nothing to write a keyframe for");
        return;
    }
    const CameraShot& shot = state->lastShot;
    std::string name, sceneName;
    const CLayer* layer = nullptr;
    for (const Scene& scene : show.system->scenes.GetScenes())
        for (const LayerEntry& entry : scene.layers.GetLayers())
            if (entry.layer.get() == shot.layer) {
                name = entry.name;
                sceneName = scene.name;
                layer = entry.layer.get();
            }
    if (!layer)
        return;
    const CMusicalTime tempo = Tempo();
    std::string line;
    glm::vec3 from = shot.from, to = shot.to;
    if (cameraOn) {
        camera.ToOrbit(shot.rotation, from, to);
        line = camera.OrbitKeyframeLine(name, shot.rotation, shot.localTime, tempo);
    } else {
        line = CFreeCamera::OrbitKeyframeLine(name, tempo.NearestTick(shot.localTime), shot.from, shot.to);
    }
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
    LOG("WinMain", "%s", line.c_str());
    const bool copied = CopyToClipboard(line);
    Notify(copied ? "Keyframe line copied: " + line : "Keyframe line: " + line);
    WriteCameraIntoScript(sceneName, name, *layer, from, to);
}

void CAuthoring::WriteCameraIntoScript(const std::string& scene, const std::string& layerName, const CLayer& layer,
                                       const glm::vec3& from, const glm::vec3& to) {
    const std::string path = CLiveReload::PathInData(Options.DataPath, Options.Config);
    std::string before;
    if (path.empty() || !CScriptWrites::ReadText(path, before)) {
        // The line is on the clipboard and in the log all the same.
        Notify("The script is read from the data zip, which cannot be written: the keyframe line is on the "
               "clipboard");
        return;
    }
    const BarBeatTick playhead = Tempo().NearestTick(show.stream->GetTime());
    std::string text = before, error;
    for (const auto& [parameter, value] : {std::pair{"From", from}, std::pair{"To", to}}) {
        ScriptEdit edit;
        edit.scene = scene;
        edit.layer = layerName;
        edit.parameter = parameter;
        edit.playhead = playhead;
        for (int i = 0; i < 3; ++i)
            edit.value.push_back(FormatScriptNumber(value[i]));
        // What the parameter plays at the scene's start, for the keyframe a lone one needs beside it.
        if (const auto* param = dynamic_cast<const CParamVector3*>(layer.params.FindParam(parameter))) {
            const glm::vec3 start = param->GetValue(0.0f);
            for (int i = 0; i < 3; ++i)
                edit.valueAtSceneStart.push_back(FormatScriptNumber(start[i]));
        }
        std::string edited;
        if (!EditScript(text, edit, edited, error)) {
            Notify("The keyframe was not written into the script: " + error);
            return;
        }
        text = std::move(edited);
    }
    std::string message;
    if (!writes.Write(path, before, text, message)) {
        Notify(message);
        return;
    }
    const std::string written =
        "Written into " + Options.Config + ": " + layerName + " From and To at " + CMusicalTime::Format(playhead);
    LOG("WinMain", "%s", written.c_str());
    Notify(written + " (Ctrl+Z undoes it)");
}

void CAuthoring::UndoOrRedo() {
    CWindow& window = show.window;
    // The chord as it was pressed, however short: Ctrl may be up again by the time the frame looks.
    const bool undo = window.PressHadControl(KeyZ) && !window.PressHadShift(KeyZ) && window.TakeKeyPress(KeyZ);
    const bool redo = !undo && ((window.PressHadControl(KeyZ) && window.TakeKeyPress(KeyZ)) ||
                                (window.PressHadControl(KeyY) && window.TakeKeyPress(KeyY)));
    if (!undo && !redo)
        return;
    std::string message;
    if (undo)
        writes.Undo(message);
    else
        writes.Redo(message);
    LOG("WinMain", "%s", message.c_str());
    Notify(message);
}

void CAuthoring::UpdateCamera() {
    const MouseState mouse = show.window.TakeMouse();
    if (!cameraOn)
        return;
    CFreeCamera::Input input;
    input.forward = show.window.KeyDown(KeyW);
    input.left = show.window.KeyDown(KeyA);
    input.back = show.window.KeyDown(KeyS);
    input.right = show.window.KeyDown(KeyD);
    input.down = show.window.KeyDown(KeyQ);
    input.up = show.window.KeyDown(KeyE);
    input.fast = show.window.KeyDown(KeyShift);
    if (!overlayWantsMouse) {
        input.lookX = mouse.lookX;
        input.lookY = mouse.lookY;
        camera.ChangeSpeed(mouse.wheel);
    }
    camera.Update(input, frames.Count() ? frames.LastMs() / 1000.0f : 0.0f);
}

void CAuthoring::BeforeScenes() {
    CRenderState* state = show.system ? show.system->GetRenderState() : nullptr;
    if (!state)
        return;
    state->cameraOverride = cameraOn;
    if (cameraOn) {
        float aspect = Settings.width / Settings.height;
        if (!(aspect > 0.0f))
            aspect = CanvasWidth / CanvasHeight;
        state->overrideView = camera.View();
        state->overrideProjection = camera.Projection(cameraFov, aspect, cameraFar);
    }
}

void CAuthoring::BuildFrame(float time, OverlayFrame& frame) {
    const CMusicalTime tempo = Tempo();
    OverlayStatus& status = frame.status;
    status.position = CMusicalTime::Format(tempo.PositionOf(time));
    status.seconds = time;
    status.length = ShowLength();
    status.paused = show.stream->IsPaused();
    status.framesPerSecond = frames.FramesPerSecond();
    status.lastFrameMs = frames.LastMs();
    status.frameTimes = frames.Ring();
    status.frameTimeCount = frames.Count();
    status.frameTimeOldest = frames.Oldest();
    if (loop.HasStart() || loop.HasEnd())
        status.loop = (loop.HasStart() ? CMusicalTime::Format(tempo.PositionOf(loop.Start())) : "?") + " - " +
                      (loop.HasEnd() ? CMusicalTime::Format(tempo.PositionOf(loop.End())) : "?");
    status.loopCommand = LoopCommand();
    if (cameraOn) {
        const glm::vec3 eye = camera.Eye();
        char text[128];
        std::snprintf(text, sizeof text, "free camera at %.1f %.1f %.1f, speed %.0f", eye.x, eye.y, eye.z,
                      camera.Speed());
        status.camera = text;
    }
    status.help = KeysHelp;

    OverlayTimeline& line = frame.timeline;
    line.length = status.length;
    line.secondsPerBar = static_cast<float>(tempo.SecondsPerBar());
    line.beatsPerBar = tempo.Beats();
    line.playhead = time;
    line.hasLoopStart = loop.HasStart();
    line.hasLoopEnd = loop.HasEnd();
    line.loopStart = static_cast<float>(loop.Start());
    line.loopEnd = static_cast<float>(loop.End());

    frame.spectrum.values = SpectrumBuffer;
    frame.spectrum.count = SpectrumBands;
    if (show.system) {
        for (const Scene& scene : show.system->scenes.GetScenes()) {
            line.scenes.push_back(OverlayTimelineScene{scene.name, scene.startTime, scene.endTime});
            const bool running = time >= scene.startTime && time < scene.endTime;
            OverlayScene now;
            if (running) {
                now.index = static_cast<int>(line.scenes.size()) - 1;
                now.name = scene.name;
                now.localTime = time - scene.startTime;
                now.localPosition = CMusicalTime::Format(tempo.PositionOf(now.localTime));
            }
            for (const LayerEntry& entry : scene.layers.GetLayers()) {
                for (const ParamEntry& param : entry.layer->params.GetEntries()) {
                    param.param->AddSpectrumBands(frame.spectrum.markedBands);
                    param.param->AddReactions(reactionsFollowed);
                }
                if (running)
                    now.layers.push_back(OverlayLayer{
                        entry.name, entry.type, entry.layer->renderTarget->GetValue(now.localTime),
                        entry.layer->active->GetValue(now.localTime), inspector.IsHighlighted(now.index, entry.name),
                        inspector.IsOpen() && inspector.SceneIndex() == now.index && entry.name == inspector.Layer()});
            }
            if (running)
                frame.scenes.push_back(std::move(now));
        }
        std::vector<int>& bands = frame.spectrum.markedBands;
        std::sort(bands.begin(), bands.end());
        bands.erase(std::unique(bands.begin(), bands.end()), bands.end());
        FillReactions(*show.system, time, frame.spectrum.reactions);
    }
    overlayLayout.SetMusic(musicAnalysis.Result(), musicAnalysis.Busy());
    overlayLayout.LayOut(frame);
    if (show.system) {
        inspector.Fill(*show.system, time, frame.inspector);
        frame.inspector.writable = scriptInFolder;
    }

    if (failure) {
        frame.error.shown = true;
        frame.error.file = failure->file;
        frame.error.line = failure->line;
        frame.error.message = failure->message;
    }
    if (!notice.empty() && std::chrono::steady_clock::now() < noticeUntil)
        frame.notice = notice;
}

void CAuthoring::FillReactions(const CSystem& system, float time, std::vector<OverlayReaction>& out) {
    std::sort(reactionsFollowed.begin(), reactionsFollowed.end());
    reactionsFollowed.erase(std::unique(reactionsFollowed.begin(), reactionsFollowed.end()), reactionsFollowed.end());
    // The table is the one the frame just drawn read: the running presentation's.
    const CReactionTable* table = ActiveReactions.table;
    const std::shared_ptr<const CMusicOverview> music = musicAnalysis.Result();
    const int rate = music && music->SampleRate() > 0.0f ? static_cast<int>(music->SampleRate()) : 44100;
    const std::vector<ReactionRule>& rules = system.reactions.Rules();
    for (int index : reactionsFollowed) {
        if (!table || index < 0 || static_cast<size_t>(index) >= rules.size())
            continue;
        const ReactionRule& rule = rules[static_cast<size_t>(index)];
        OverlayReaction shown;
        shown.kind = ReactionKindName(rule.kind);
        shown.low = rule.low;
        shown.high = rule.high;
        CReactionAnalysis::BandsOf({rule.low, rule.high}, rate, shown.firstBand, shown.lastBand);
        shown.level = table->Level(index, time);
        shown.value = table->Value(index, time);
        out.push_back(std::move(shown));
    }
    reactionsFollowed.clear();
}

void CAuthoring::AfterFrame(float time) {
    // The music's overview is started when the music loads (or a reload changes it), not when the
    // overlay is first shown, so that it is ready by then.
    musicAnalysis.Follow(show.stream.get());
    if (!overlay || (!overlay->IsShown() && !failure))
        return;
    OverlayFrame frame;
    BuildFrame(time, frame);
    const OverlayActions actions = overlay->Draw(frame);
    overlayWantsMouse = actions.wantsMouse;
    overlayWantsKeyboard = actions.wantsKeyboard;
    ApplyInspectorActions(actions);
    if (std::optional<float> seek = overlayLayout.AfterDraw(actions))
        pendingSeek = *seek;
}
