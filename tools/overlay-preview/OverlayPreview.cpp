// Draws the authoring overlay over one moment of a presentation and keeps the window up, so that a
// picture of it can be taken for the manual (under xvfb-run with `import -window root`), or writes
// the window's picture itself. It fills the overlay's data from the running presentation the way the
// player does: position, frame times, scenes, layers, the spectrum and the bands keyframes follow.
//
//   overlay-preview [DataPath <folder>] [Time <seconds>] [Width <n>] [Height <n>] [Frames <n>]
//                   [Hold <seconds>] [Png <file>] [Loop] [Camera] [Error] [Hidden] [Interactive]
//
// Interactive, the time runs on from Time and the overlay takes the keys: F1 shows and hides it, a
// click or drag on the time line seeks, [ ] and \ mark and clear the loop, K copies the running orbit
// camera's keyframe line, Escape ends. What they do is printed, one line each.
//
// A picture for the manual, from the build folder's example:
//   xvfb-run -s "-screen 0 1920x1200x24" sh -c 'build/overlay-preview Time 36.1 Loop Camera Frames 5
//       Hold 25 & sleep 20; import -window root shot.png'   (one line)
// or without a display: build/overlay-preview Hidden Time 36.1 Loop Png shot.png
#include "App/CFrameStats.h"
#include "App/CFreeCamera.h"
#include "App/CLoopRange.h"
#include "App/CMusicalTime.h"
#include "CFrameWriter.h"
#include "CRenderState.h"
#include "Layers/CLayer.h"
#include "Layers/CLayer_3DCameraOrbit.h"
#include "LetterboxBars.h"
#include "Music/CMusicStreamBass.h"
#include "Params/CParamBool.h"
#include "Params/CParamFloat.h"
#include "Params/CParamInt.h"
#include "Params/CParamString.h"
#include "Params/CParamVector2.h"
#include "Params/CParamVector3.h"
#include "Platform/CGraphicsDevice.h"
#include "Platform/COverlayUi.h"
#include "Platform/Clipboard.h"
#include "Platform/Platform.h"
#include "Resources/CResourceManager.h"
#include "Scenes/CSceneManager.h"
#include "System/CSettings.h"
#include "System/CSystem.h"
#include "System/CTokeniser.h"

#include <physfs.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <strings.h>
#include <typeinfo>
#include <vector>

namespace {

struct PreviewOptions {
    std::string dataPath = "build/examples/neon-drift";
    float time = 37.0f;
    int width = 1920, height = 1200;
    int frames = 90;
    float hold = 0.0f;
    std::string png;
    bool loop = false, camera = false, error = false, hidden = false, interactive = false;
};

bool ParseOptions(int argc, char** argv, PreviewOptions& o) {
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        const bool value = i + 1 < argc;
        if (!strcasecmp(a, "DataPath") && value)
            o.dataPath = argv[++i];
        else if (!strcasecmp(a, "Time") && value)
            o.time = std::strtof(argv[++i], nullptr);
        else if (!strcasecmp(a, "Width") && value)
            o.width = std::atoi(argv[++i]);
        else if (!strcasecmp(a, "Height") && value)
            o.height = std::atoi(argv[++i]);
        else if (!strcasecmp(a, "Frames") && value)
            o.frames = std::atoi(argv[++i]);
        else if (!strcasecmp(a, "Hold") && value)
            o.hold = std::strtof(argv[++i], nullptr);
        else if (!strcasecmp(a, "Png") && value)
            o.png = argv[++i];
        else if (!strcasecmp(a, "Loop"))
            o.loop = true;
        else if (!strcasecmp(a, "Camera"))
            o.camera = true;
        else if (!strcasecmp(a, "Error"))
            o.error = true;
        else if (!strcasecmp(a, "Hidden"))
            o.hidden = true;
        else if (!strcasecmp(a, "Interactive"))
            o.interactive = true;
        else {
            std::fprintf(stderr, "overlay-preview: unknown or incomplete option '%s'\n", a);
            return false;
        }
    }
    if (o.width < 64 || o.height < 64 || o.width > 16384 || o.height > 16384 || o.frames < 2) {
        std::fprintf(
            stderr, "overlay-preview: the window must be 64 to 16384 pixels a side, and Frames at least 2\n");
        return false;
    }
    return true;
}

bool LoadScript(const std::string& dataPath, std::unique_ptr<CMemoryTokeniser>& script) {
    if (!PHYSFS_init(nullptr) || !PHYSFS_mount((dataPath + "/").c_str(), nullptr, 1)) {
        std::fprintf(stderr, "overlay-preview: cannot mount '%s'\n", dataPath.c_str());
        return false;
    }
    PHYSFS_File* file = PHYSFS_openRead("Config.txt");
    if (!file) {
        std::fprintf(stderr, "overlay-preview: no Config.txt in '%s'\n", dataPath.c_str());
        return false;
    }
    std::vector<char> text(static_cast<size_t>(std::max<PHYSFS_sint64>(PHYSFS_fileLength(file), 0)));
    const bool read =
        PHYSFS_readBytes(file, text.data(), text.size()) == static_cast<PHYSFS_sint64>(text.size());
    PHYSFS_close(file);
    script = std::make_unique<CMemoryTokeniser>(text.data(), text.size());
    if (!read || !System.LoadFromTokeniser(*script)) {
        std::fprintf(stderr, "overlay-preview: the script does not load\n");
        return false;
    }
    return true;
}

// The script's name for a layer's type.
std::string TypeName(const CLayer& layer) {
    for (const LayerTypeEntry& entry : GetLayerTypeRegistry()) {
        std::unique_ptr<CLayer> probe(entry.factory->NewLayer());
        if (probe && typeid(*probe) == typeid(layer))
            return entry.name;
    }
    return "?";
}

// Every band a spectrum keyframe of the presentation follows.
std::vector<int> SpectrumBandsUsed() {
    std::set<int> bands;
    for (const Scene& scene : CSceneManager::GetScenes())
        for (const LayerEntry& entry : scene.layers.GetLayers())
            for (const ParamEntry& param : entry.layer->params.GetEntries()) {
                if (auto* f = dynamic_cast<const CParamFloat*>(param.param.get()))
                    for (const auto& k : f->GetKeyframes())
                        if (k.kind == InterpolationKind::Spectrum)
                            bands.insert(k.band);
                if (auto* n = dynamic_cast<const CParamInt*>(param.param.get()))
                    for (const auto& k : n->GetKeyframes())
                        if (k.kind == InterpolationKind::Spectrum)
                            bands.insert(k.band);
                if (auto* v = dynamic_cast<const CParamVector2*>(param.param.get()))
                    for (const auto& k : v->GetKeyframes())
                        if (k.kind == InterpolationKind::Spectrum)
                            bands.insert(k.band);
            }
    return std::vector<int>(bands.begin(), bands.end());
}

void FillScenes(float time, const CMusicalTime& tempo, OverlayFrame& frame) {
    frame.timeline.scenes.clear();
    frame.scenes.clear();
    for (const Scene& scene : CSceneManager::GetScenes()) {
        frame.timeline.scenes.push_back({scene.name, scene.startTime, scene.endTime});
        const float local = time - scene.startTime;
        if (local < 0.0f || time >= scene.endTime)
            continue;
        OverlayScene shown{scene.name, local, CMusicalTime::Format(tempo.PositionOf(local)), {}};
        for (const LayerEntry& entry : scene.layers.GetLayers())
            shown.layers.push_back({entry.name, TypeName(*entry.layer),
                                    entry.layer->renderTarget->GetValue(local),
                                    entry.layer->active->GetValue(local)});
        frame.scenes.push_back(std::move(shown));
    }
}

// The first active orbit camera running at `time`, for the free camera's start.
const CLayer_3DCameraOrbit* RunningOrbitCamera(float time, std::string& name, float& local) {
    for (const Scene& scene : CSceneManager::GetScenes()) {
        local = time - scene.startTime;
        if (local < 0.0f || time >= scene.endTime)
            continue;
        for (const LayerEntry& entry : scene.layers.GetLayers()) {
            auto* orbit = dynamic_cast<const CLayer_3DCameraOrbit*>(entry.layer.get());
            if (orbit && orbit->active->GetValue(local)) {
                name = entry.name;
                return orbit;
            }
        }
    }
    return nullptr;
}

} // namespace

int main(int argc, char** argv) {
    PreviewOptions o;
    std::unique_ptr<CMemoryTokeniser> script;
    if (!ParseOptions(argc, argv, o) || !LoadScript(o.dataPath, script))
        return 1;

    Settings.width = static_cast<float>(o.width);
    Settings.height = static_cast<float>(o.height);
    Settings.aspect = Settings.width / Settings.height;
    Settings.renderTargetSize = RenderTargetSizeFor(Settings.width, Settings.height);
    std::unique_ptr<CSDLWindow> window;
    if (InitVideo())
        window = CreateMainWindow(System.AppName, o.width, o.height, false, o.hidden);
    std::unique_ptr<CGraphicsDevice> device =
        window ? CreateGraphicsDevice(
                     *window, GraphicsDeviceOptions{o.width, o.height, 4, Settings.renderTargetSize, true})
               : nullptr;
    if (!device) {
        std::fprintf(stderr, "overlay-preview: no window or OpenGL device\n");
        return 1;
    }
    SetGraphicsDevice(device.get());
    std::unique_ptr<CVertexBuffer> bars =
        CreateLetterboxBars(*device, Settings.aspect, Settings.width, Settings.height);
    if (!CResourceManager::CreateAllResources() || !CSceneManager::CreateAllScenes()) {
        std::fprintf(stderr, "overlay-preview: the presentation's resources or scenes cannot be made\n");
        return 1;
    }

    // The music, decoded but silent, for its length and the spectrum at the chosen moment.
    float length = 0.0f;
    static float spectrum[SpectrumBands] = {};
    std::unique_ptr<CMusicStreamBass> music;
    if (!System.Music.empty()) {
        music = std::make_unique<CMusicStreamBass>(System.Music, 0.0f, CreateCaptureAudioOutput());
        if (music->Init(o.time)) {
            length = music->GetLength();
            music->SetTime(o.time);
            music->GetSpectrum(spectrum);
            std::copy(spectrum, spectrum + SpectrumBands, SpectrumBuffer);
        }
    }
    for (const Scene& scene : CSceneManager::GetScenes())
        if (length <= 0.0f)
            length = std::max(length, scene.endTime);

    std::unique_ptr<COverlayUi> overlay = COverlayUi::Create(*window, *device);
    if (!overlay)
        return 1;
    overlay->SetShown(!o.interactive); // hidden at start, as in the player
    overlay->KeepWindowPixels(!o.png.empty());

    const CMusicalTime tempo(System.Bpm, System.Beats, System.Ticks);
    CLoopRange loop;
    if (o.loop) {
        loop.MarkStart(o.time - tempo.SecondsPerBar(), tempo);
        loop.MarkEnd(o.time + tempo.SecondsPerBar(), tempo);
    }
    OverlayFrame frame;
    frame.status.help = "F1 overlay   [ ] loop bars   \\ clear   C camera   K copy keyframe";
    frame.status.length = length;
    frame.timeline.length = length;
    frame.timeline.secondsPerBar = static_cast<float>(tempo.SecondsPerBar());
    frame.spectrum.values = spectrum;
    frame.spectrum.count = SpectrumBands;
    frame.spectrum.markedBands = SpectrumBandsUsed();
    if (o.error)
        frame.error = {
            true, "Config.txt", 42,
            "Unknown layer type 'Tunel' found at line 42. The known types are 2DImage, 2DMultipleImage, "
            "3DCameraOrbit, 3DDebugCamera, 3DGlobalAmbient, 3DModel, 3DSimpleLightRig, ClearRenderTarget, "
            "SpectrumAnalyser, ViewParam, Greets, Tunnel and Wire."};

    // The keyframe line for the orbit camera running now, as K gives it.
    auto cameraLine = [&](float time, std::string& name) {
        float local = 0.0f;
        const CLayer_3DCameraOrbit* orbit = RunningOrbitCamera(time, name, local);
        if (!orbit)
            return std::string();
        CFreeCamera camera;
        const float rotation = orbit->rotation->GetValue(local);
        camera.StartFromOrbit(orbit->from->GetValue(local), orbit->to->GetValue(local),
                              orbit->up->GetValue(local), rotation);
        return camera.OrbitKeyframeLine(name, rotation, local, tempo);
    };
    if (o.camera) {
        std::string name;
        const std::string line = cameraLine(o.time, name);
        if (!line.empty()) {
            frame.status.camera = "Free camera (" + name + ")   W A S D Q E, right mouse to look";
            frame.notice = "Copied: " + line;
        }
    }

    // The frame times are this machine's, measured as the player would.
    CFrameStats stats;
    float time = o.time;
    auto last = std::chrono::steady_clock::now();
    const auto started = last;
    for (int i = 0; window->PumpEvents(); ++i) {
        const auto now = std::chrono::steady_clock::now();
        const float delta = std::chrono::duration<float>(now - last).count();
        if (i > 0)
            stats.AddFrame(delta);
        last = now;
        if (o.interactive) {
            if (KeyDown[KeyEscape])
                break;
            auto pressed = [](int key) {
                const bool down = KeyDown[key];
                KeyDown[key] = false;
                return down;
            };
            if (pressed(KeyF1)) {
                overlay->Toggle();
                std::printf("overlay %s\n", overlay->IsShown() ? "shown" : "hidden");
            }
            if (pressed(KeyOpenBracket)) {
                loop.MarkStart(time, tempo);
                std::printf("loop %.2f %.2f %s\n", loop.Start(), loop.End(), loop.IsSet() ? "set" : "open");
            }
            if (pressed(KeyCloseBracket)) {
                loop.MarkEnd(time, tempo);
                std::printf("loop %.2f %.2f %s\n", loop.Start(), loop.End(), loop.IsSet() ? "set" : "open");
            }
            if (pressed(KeyBackslash)) {
                loop.Clear();
                std::printf("loop %.2f %.2f %s\n", loop.Start(), loop.End(), loop.IsSet() ? "set" : "open");
            }
            if (pressed(KeyK)) {
                std::string name;
                const std::string line = cameraLine(time, name);
                frame.notice = line.empty() ? "No orbit camera runs now" : "Copied: " + line;
                if (!line.empty())
                    CopyToClipboard(line);
                std::printf("keyframe %s\n", line.c_str());
            }
            time = std::min(time + delta, length);
            if (std::optional<double> back = loop.SeekFor(time))
                time = static_cast<float>(*back);
            if (music) {
                music->SetTime(time);
                music->GetSpectrum(spectrum);
                std::copy(spectrum, spectrum + SpectrumBands, SpectrumBuffer);
            }
        }
        frame.status.position = CMusicalTime::Format(tempo.PositionOf(time));
        frame.status.seconds = time;
        frame.status.loop = loop.IsSet() ? CMusicalTime::Format(tempo.PositionOf(loop.Start())) + " - " +
                                               CMusicalTime::Format(tempo.PositionOf(loop.End()))
                                         : std::string();
        frame.status.framesPerSecond = stats.FramesPerSecond();
        frame.status.lastFrameMs = stats.LastMs();
        frame.status.frameTimes = stats.Ring();
        frame.status.frameTimeCount = stats.Count();
        frame.status.frameTimeOldest = stats.Oldest();
        frame.timeline.playhead = time;
        frame.timeline.hasLoopStart = loop.HasStart();
        frame.timeline.hasLoopEnd = loop.HasEnd();
        frame.timeline.loopStart = static_cast<float>(loop.Start());
        frame.timeline.loopEnd = static_cast<float>(loop.End());
        FillScenes(time, tempo, frame);

        CRenderState::Get().BeginFrame();
        CSceneManager::RenderScenes(time, 0.0f);
        DrawLetterboxBars(bars.get());
        device->EndScene();
        const OverlayActions actions = overlay->Draw(frame);
        device->Present();
        if (actions.seekTime && o.interactive) {
            time = *actions.seekTime;
            std::printf("seek %.2f\n", static_cast<double>(time));
        }
        std::fflush(stdout);
        if (!o.interactive && i + 1 >= o.frames &&
            std::chrono::duration<float>(now - started).count() >= o.hold)
            break;
    }

    int status = 0;
    if (!o.png.empty()) {
        std::vector<uint8_t> rgba;
        int w = 0, h = 0;
        if (!overlay->WindowPixels(rgba, w, h) || !CFrameWriter::SavePng(o.png, rgba, w, h)) {
            std::fprintf(stderr, "overlay-preview: cannot write '%s'\n", o.png.c_str());
            status = 1;
        } else {
            std::printf("%s\n", o.png.c_str());
        }
    }
    overlay.reset();
    music.reset();
    bars.reset();
    CSceneManager::Clear();
    CResourceManager::Clear();
    SetGraphicsDevice(nullptr);
    device.reset();
    window.reset();
    return status;
}
