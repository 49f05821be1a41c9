#include "CPresentation.h"

#include "CCaptureOutput.h"
#include "CCaptureProgress.h"
#include "CCaptureSchedule.h"
#include "CMainLoop.h"
#include "CRenderState.h"
#include "CommandLine.h"
#include "LetterboxBars.h"
#include "Log.h"
#include "Music/CMusicStream.h"
#include "Music/CMusicStreamBass.h"
#include "Music/CMusicStreamNoSound.h"
#include "Platform/CGraphicsDevice.h"
#include "Platform/CAudioOutput.h"
#include "Platform/Platform.h"
#include "Platform/CSettingsDialog.h"
#include "Platform/CWindow.h"
#include "Platform/MessageBox.h"
#include "Resources/CResourceManager.h"
#include "Scenes/CSceneManager.h"
#include "System/CSettings.h"
#include "System/CSystem.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>
#include <unistd.h>
#include <vector>

CPresentation::CPresentation() = default;

CPresentation::~CPresentation() {
    // The device's objects go before the device, and nothing draws through it afterwards.
    stream.reset();
    letterboxBars.reset();
    if (GetGraphicsDevice() == device.get())
        SetGraphicsDevice(nullptr);
}

bool CPresentation::Unattended() const { return Options.Check || !Options.Capture.empty(); }

bool CPresentation::Fail(const std::string& boxText) {
    ShowErrorBox(boxText, !Unattended());
    return false;
}

int CPresentation::Run() {
    Outcome settings = RunSettings();
    if (settings == Outcome::Failed)
        return 1;
    if (settings == Outcome::Stop)
        return 0; // the viewer chose Cancel
    // Decoding the music is the longest step of start-up; it runs while the window, the device and
    // the resources are made.
    if (!System.Music.empty())
        CMusicStreamBass::DecodeAhead(System.Music);
    if (!OpenWindowAndDevice() || !CreateResourcesAndScenes() || !StartMusic())
        return 1;
    if (Options.Check) {
        LOG("WinMain", "Check passed");
        return 0;
    }
    int status = Options.Capture.empty() ? RunMainLoop() : RunCapture();
    LOG("WinMain", "Ended main loop");
    stream.reset();
    LOG("WinMain", "End...");
    return status;
}

CPresentation::Outcome CPresentation::RunSettings() {
    ApplyCommandLinePresets(Options, Settings);
    if (Options.SkipSettings || Unattended()) {
        LOG("WinMain", "Skipped settings dialog");
        return Outcome::Continue;
    }
    LOG("WinMain", "Running settings dialog");
    CSettings dialog;
    CSettingsDialog shown;
    switch (shown.Run(dialog, Settings, Options)) {
    case SettingsDialogResult::Accepted:
        return Outcome::Continue;
    case SettingsDialogResult::Cancelled:
        LOG("WinMain", "Settings told us not to run the demo..");
        return Outcome::Stop;
    case SettingsDialogResult::NoDisplay:
        LOG("WinMain", "No display for the settings dialog, using the settings of the command line");
        return Outcome::Continue;
    case SettingsDialogResult::Failed:
        break;
    }
    LOG("WinMain", "Failed to run the settings dialog");
    Fail("Failed to run the settings dialog");
    return Outcome::Failed;
}

bool CPresentation::OpenWindowAndDevice() {
    const int width = static_cast<int>(Settings.width), height = static_cast<int>(Settings.height);
    if (InitVideo())
        window = CreateMainWindow(System.AppName, width, height, Settings.fullscreen && !Unattended(), Unattended());
    if (!window) {
        LOG("WinMain", "Failed to create the window");
        return Fail("Failed to create the window");
    }
    GraphicsDeviceOptions options;
    options.width = width;
    options.height = height;
    options.AAType = Settings.AAType;
    options.renderTargetSize = Settings.renderTargetSize;
    // Offline frames wait for no display.
    options.vsync = Options.Capture.empty();
    device = CreateGraphicsDevice(*window, options);
    if (!device) {
        LOG("WinMain", "Failed to create the graphics device");
        return Fail("Failed to create the graphics device");
    }
    SetGraphicsDevice(device.get());
    letterboxBars = CreateLetterboxBars(*device, Settings.aspect, Settings.width, Settings.height);
    if (!letterboxBars) {
        LOG("WinMain", "Failed to create the letterbox bars");
        return Fail("Failed to create the letterbox bars");
    }
    return true;
}

bool CPresentation::CreateResourcesAndScenes() {
    if (!CResourceManager::CreateAllResources()) {
        LOG("WinMain", "Failed to create resources");
        return Fail("Failed to create resources");
    }
    if (!CSceneManager::CreateAllScenes()) {
        LOG("WinMain", "Failed to create scenes");
        return Fail("Failed to create scenes");
    }
    return true;
}

bool CPresentation::StartMusic() {
    if (!System.Music.empty()) {
        LOG("WinMain", "Creating 'Bass' music stream");
        if (Unattended()) {
            // Decoded for its length and spectrum, but nothing is played.
            auto music = std::make_unique<CMusicStreamBass>(System.Music, Settings.volume, CreateCaptureAudioOutput());
            silentMusic = music.get();
            stream = std::move(music);
        } else {
            stream = std::make_unique<CMusicStreamBass>(System.Music, Settings.volume);
        }
    } else {
        LOG("WinMain", "Creating 'NoSound' music stream");
        stream = std::make_unique<CMusicStreamNoSound>();
    }
    std::fill(std::begin(SpectrumBuffer), std::end(SpectrumBuffer), 0.0f);
    LOG("WinMain", "Initialising music stream..");
    float start = Options.Capture.empty() ? 0.0f : Options.CaptureStart;
    if (!stream->Init(start)) {
        LOG("WinMain", "Failed to initialise music stream");
        return Fail("Failed to initialise music stream");
    }
    LOG("WinMain", "Success!");
    return true;
}

void CPresentation::RenderFrame(float time, float delta) {
    CRenderState::Get().BeginFrame();
    CSceneManager::RenderScenes(time, delta);
    DrawLetterboxBars(letterboxBars.get());
    device->EndScene();
    // A capture's window is never shown; its frames are read from the back buffer, and copying each
    // to the window would cost a software renderer about a quarter of the frame.
    if (Options.Capture.empty())
        device->Present();
}

int CPresentation::RunMainLoop() {
    LOG("WinMain", "Entering main loop..");
    CMainLoop loop(*window, *stream, [this](float t, float d) { RenderFrame(t, d); });
    loop.debugKeys = Options.DebugKeys;
    loop.spectrumEnabled = System.SpectrumEnabled;
    // Nothing is drawn while minimised; waiting a little spares a core.
    loop.whileInactive = [] { std::this_thread::sleep_for(std::chrono::milliseconds(10)); };
    loop.Run();
    return 0;
}

float CPresentation::LastSceneEnd() {
    float end = 0.0f;
    for (const Scene& scene : CSceneManager::GetScenes())
        end = std::max(end, scene.endTime);
    return end;
}

int CPresentation::RunCapture() {
    LOG("WinMain", "Entering main loop..");
    float end = Options.CaptureEnd;
    if (end < 0)
        end = silentMusic ? silentMusic->GetLength() : LastSceneEnd();
    CCaptureSchedule schedule(Options.CaptureStart, Options.CaptureFps, end);
    CCaptureOutput output(Options.Capture);
    DecodedMusic music;
    const bool withMusic = silentMusic && silentMusic->GetDecodedMusic(music);
    std::string reason;
    if (!schedule.IsValid(reason) || !output.Open(schedule, device->BackBufferWidth(), device->BackBufferHeight(),
                                                  withMusic ? &music : nullptr, Options.CaptureQuality, reason)) {
        LOG("WinMain", "%s", reason.c_str());
        Fail(reason);
        return 1;
    }

    const int total = schedule.FrameCount();
    CCaptureProgress progress(total, isatty(fileno(stderr)));
    std::vector<uint8_t> pixels;
    // Frame n is fetched after frame n + 1 has been drawn, so that on a GPU its copy overlaps the
    // drawing; its file is written while the frames after it are drawn.
    auto deliver = [&](int index) {
        int width = 0, height = 0;
        if (!device->FinishReadBack(pixels, width, height)) {
            reason = output.ReadBackFailure(index);
            return false;
        }
        if (!output.Write(index, pixels, width, height, reason) || (index + 1 == total && !output.Finish(reason)))
            return false;
        progress.Report(index + 1, index + 1 == total);
        return true;
    };
    float previous = 0.0f;
    for (int frame = 0; frame < total; ++frame) {
        float t = schedule.TimeOf(frame);
        if (silentMusic) {
            silentMusic->SetTime(t);
            if (System.SpectrumEnabled)
                silentMusic->GetSpectrum(SpectrumBuffer);
        }
        float delta = std::clamp(t - previous, 0.0f, CMainLoop::MaxDelta);
        previous = t;
        RenderFrame(t, delta);

        if (!device->BeginReadBack())
            reason = output.ReadBackFailure(frame);
        if (!reason.empty() || (frame > 0 && !deliver(frame - 1)) || (frame + 1 == total && !deliver(frame))) {
            progress.EndLine();
            LOG("WinMain", "%s", reason.c_str());
            Fail(reason);
            return 1;
        }
    }
    LOG("WinMain", "Captured %d frames into '%s'", total, Options.Capture.c_str());
    return 0;
}
