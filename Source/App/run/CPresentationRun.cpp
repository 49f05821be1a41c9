#include "App/run/CPresentationRun.h"

#include "App/authoring/CAuthoring.h"
#include "App/capture/CCaptureOutput.h"
#include "App/capture/CCaptureParts.h"
#include "App/capture/CCaptureProgress.h"
#include "App/capture/CCaptureSchedule.h"
#include "App/run/CMainLoop.h"
#include "App/run/Interruption.h"
#include "App/run/LetterboxBars.h"
#include "App/run/LoadPresentation.h"
#include "App/run/RunSettingsWindow.h"
#include "App/run/RunningShow.h"
#include "Base/AudioReactions.h"
#include "Base/CSettings.h"
#include "Base/CommandLine.h"
#include "Base/DataFile.h"
#include "Base/Log.h"
#include "Base/StopRequest.h"
#include "Music/CMusicStream.h"
#include "Music/CMusicStreamBass.h"
#include "Music/CMusicStreamNoSound.h"
#include "Platform/CAudioOutput.h"
#include "Platform/CGraphicsDevice.h"
#include "Platform/CWindow.h"
#include "Platform/Clock.h"
#include "Platform/Console.h"
#include "Platform/MessageBox.h"
#include "Platform/Platform.h"
#include "Render/CRenderState.h"
#include "System/CSystem.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

CPresentationRun::CPresentationRun(std::unique_ptr<CSystem> presentation, std::optional<LoadFailure> failure)
    : system(std::move(presentation)), startFailure(std::move(failure)) {}

CPresentationRun::~CPresentationRun() {
    ActiveReactions = ReactionFrame{};
    reactions.Stop();
    // The device's objects go before the device.
    authoring.reset();
    running.reset();
    stream.reset();
    letterboxBars.reset();
    system.reset();
}

bool CPresentationRun::Unattended() const { return Options.Check || !Options.Capture.empty(); }

bool CPresentationRun::Fail(const std::string& boxText) {
    ShowErrorBox(boxText, !Unattended());
    return false;
}

int CPresentationRun::Run() {
    Outcome settings = RunSettings();
    if (settings == Outcome::Failed)
        return 1;
    if (settings == Outcome::Stop)
        return 0; // the viewer chose Cancel
    if (ReportIfInterrupted())
        return 1;
    if (!OpenWindowAndDevice() || ReportIfInterrupted())
        return 1;
    if ((Options.Watch || Options.DebugKeys) && !Unattended()) {
        running.reset(new RunningShow{system, stream, *device, *window, [this](float t) { return StartMusic(t); }});
        authoring = std::make_unique<CAuthoring>(*running);
    }
    if (Options.Watch) {
        // A presentation that does not start waits on screen, over black, for a save that fixes it.
        std::optional<LoadFailure> failed = startFailure;
        if (system) {
            CFailureCapture capture;
            if (!CreateResourcesAndScenes())
                failed = capture.Failure(Options.Config);
        }
        authoring->StartWatching();
        if (failed) {
            authoring->SetFailure(*failed);
            system.reset();
        }
    } else if (!CreateResourcesAndScenes()) {
        return 1;
    }
    if (ReportIfInterrupted() || !StartMusic() || ReportIfInterrupted())
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

std::string CPresentationRun::FailureText(const std::string& otherwise) const {
    return system && system->budget.Exceeded() ? system->budget.Failure() : otherwise;
}

CPresentationRun::Outcome CPresentationRun::RunSettings() {
    ApplyCommandLinePresets(Options, Settings);
    if (system) {
        Settings.title = system->SettingsTitle;
        Settings.okText = system->SettingsOk;
        Settings.cancelText = system->SettingsCancel;
    }
    if (Options.SkipSettings || Unattended()) {
        LOG("WinMain", "Skipped settings dialog");
        return Outcome::Continue;
    }
    LOG("WinMain", "Running settings dialog");
    const std::unique_ptr<CSettingsWindow> settingsWindow = CreateSettingsWindow();
    switch (RunSettingsWindow(*settingsWindow, Settings, Options)) {
    case SettingsWindowResult::Accepted:
        return Outcome::Continue;
    case SettingsWindowResult::Cancelled:
        LOG("WinMain", "Settings told us not to run the demo..");
        return Outcome::Stop;
    case SettingsWindowResult::NoDisplay:
        LOG("WinMain", "No display for the settings dialog, using the settings of the command line");
        return Outcome::Continue;
    case SettingsWindowResult::Interrupted:
        ReportIfInterrupted();
        return Outcome::Failed;
    case SettingsWindowResult::Failed:
        break;
    }
    LOG("WinMain", "Failed to run the settings dialog");
    Fail("Failed to run the settings dialog");
    return Outcome::Failed;
}

bool CPresentationRun::OpenWindowAndDevice() {
    const int width = static_cast<int>(Settings.width), height = static_cast<int>(Settings.height);
    if (InitVideo())
        window = CreateMainWindow(system ? system->AppName : CSystem().AppName, width, height,
                                  Settings.fullscreen && !Unattended(), Unattended());
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
    letterboxBars = CreateLetterboxBars(*device, Settings.aspect, Settings.width, Settings.height);
    if (!letterboxBars) {
        LOG("WinMain", "Failed to create the letterbox bars");
        return Fail("Failed to create the letterbox bars");
    }
    return true;
}

bool CPresentationRun::CreateResourcesAndScenes() {
    // With Watch the window shows what failed; no box waits for a click.
    const bool box = !Options.Watch;
    if (!system->CreateAllResources(*device, ScreenFrom(Settings))) {
        // A stop request ends resource creation early; that is no fault of the presentation.
        if (ReportIfInterrupted())
            return false;
        LOG("WinMain", "Failed to create resources");
        return box ? Fail(FailureText("Failed to create resources")) : false;
    }
    if (!system->CreateAllScenes()) {
        LOG("WinMain", "Failed to create scenes");
        const std::string& refusal = system->scenes.Refusal();
        return box ? Fail(refusal.empty() ? FailureText("Failed to create scenes") : refusal) : false;
    }
    return true;
}

bool CPresentationRun::StartMusic() {
    if (!StartMusic(Options.Capture.empty() ? 0.0f : Options.CaptureStart))
        return ReportIfInterrupted() ? false : Fail(FailureText("Failed to initialise music stream"));
    std::fill(std::begin(SpectrumBuffer), std::end(SpectrumBuffer), 0.0f);
    // The music is read for its reactions on a thread of its own; the first frame that follows it
    // waits for it.
    if (!StartReactions()) {
        LOG("WinMain", "Failed to initialise music stream");
        return Fail(FailureText("Failed to initialise music stream"));
    }
    return true;
}

bool CPresentationRun::StartReactions() {
    reactionsSystem = system.get();
    reactionsStream = stream.get();
    const auto* music = dynamic_cast<const CMusicStreamBass*>(stream.get());
    if (!system || !music || !system->SpectrumEnabled || system->reactions.Empty()) {
        reactions.Start(stream.get(), {}, {});
        return true;
    }
    const std::vector<ReactionRule>& rules = system->reactions.Rules();
    const int64_t bytes = CReactionAnalysis::TableBytes(rules, music->GetLength());
    if (!system->budget.Charge(bytes, "music analysis", system->Music)) {
        reactions.Start(stream.get(), {}, {});
        return false;
    }
    reactions.Start(stream.get(), rules, music->DecodedMusicSource());
    return true;
}

void CPresentationRun::FollowReactions() {
    // A reload brings a new presentation, and a new stream when its music changed.
    if (system.get() != reactionsSystem || stream.get() != reactionsStream)
        StartReactions();
    if (reactions.Busy()) {
        // Frames that follow no music are drawn while the analysis goes on; the first that does waits.
        ActiveReactions.table = nullptr;
        ActiveReactions.wait = [](void* run) { return static_cast<CPresentationRun*>(run)->reactions.Table(); };
        ActiveReactions.context = this;
    } else {
        ActiveReactions.table = reactions.Table();
        ActiveReactions.wait = nullptr;
    }
}

bool CPresentationRun::StartMusic(float start) {
    silentMusic = nullptr;
    CMusicStreamBass* music = nullptr;
    if (system && !system->Music.empty()) {
        LOG("WinMain", "Creating 'Bass' music stream");
        // Decoded for its length and spectrum, but nothing is played when unattended.
        auto made = std::make_unique<CMusicStreamBass>(system->Music, Settings.volume,
                                                       Unattended() ? CreateCaptureAudioOutput() : CreateAudioOutput());
        music = made.get();
        made->SetAdmission([this](int64_t bytes) { return system->budget.Charge(bytes, "music", system->Music); });
        if (Unattended())
            silentMusic = music;
        stream = std::move(made);
    } else {
        LOG("WinMain", "Creating 'NoSound' music stream");
        stream = std::make_unique<CMusicStreamNoSound>(CounterSource{GetCounterFrequency, GetCounterValue});
    }
    LOG("WinMain", "Initialising music stream..");
    // What the music's decoding holds is the presentation's too.
    if (!stream->Init(start) || (music && !system->budget.Charge(music->DecodedBytes(), "music", system->Music))) {
        silentMusic = nullptr;
        if (!StopRequested())
            LOG("WinMain", "Failed to initialise music stream");
        // Live reload goes on with the silent clock at the same time.
        stream = std::make_unique<CMusicStreamNoSound>(CounterSource{GetCounterFrequency, GetCounterValue});
        stream->Init(start);
        return false;
    }
    LOG("WinMain", "Success!");
    return true;
}

void CPresentationRun::RenderFrame(float time, float delta) {
    if (authoring)
        authoring->BeforeScenes();
    FollowReactions();
    if (system) {
        CRenderState& state = *system->GetRenderState();
        state.BeginFrame();
        system->RenderScenes(time, delta);
        DrawLetterboxBars(state, letterboxBars.get());
    } else {
        // Waiting for a script that starts: black.
        device->BeginScene();
        device->Clear(ClearTarget | ClearDepth, 0xFF000000u, 1.0f);
    }
    if (authoring)
        authoring->AfterFrame(time);
    device->EndScene();
    // A capture's window is never shown; its frames are read from the back buffer, and copying each
    // to the window would cost a software renderer about a quarter of the frame.
    if (Options.Capture.empty())
        device->Present();
    if (authoring)
        authoring->FramePresented();
}

int CPresentationRun::RunMainLoop() {
    LOG("WinMain", "Entering main loop..");
    CMainLoop mainLoop(*window, *stream, [this](float t, float d) { RenderFrame(t, d); });
    mainLoop.debugKeys = Options.DebugKeys;
    mainLoop.transport = Options.Watch;
    mainLoop.tempo = [this] { return system ? system->tempo : CMusicalTime(); };
    mainLoop.spectrumEnabled = system && system->SpectrumEnabled;
    // Nothing is drawn while minimised; waiting a little spares a core.
    mainLoop.whileInactive = [] { std::this_thread::sleep_for(std::chrono::milliseconds(10)); };
    if (authoring) {
        mainLoop.beforeKeys = [this] { authoring->TakeEditingKeys(); };
        mainLoop.beforeFrame = [this] { authoring->BeforeFrame(); };
    }
    if (running)
        running->loop = &mainLoop;
    mainLoop.Run();
    if (running)
        running->loop = nullptr;
    return 0;
}

int CPresentationRun::RunCapture() {
    LOG("WinMain", "Entering main loop..");
    float end = Options.CaptureEnd;
    if (end < 0)
        end = silentMusic ? silentMusic->GetLength() : system->LastSceneEnd();
    CCaptureSchedule schedule(Options.CaptureStart, Options.CaptureFps, end);
    CCaptureOutput output(Options.Capture, Options.DrawOnly);
    DecodedMusic music;
    // A part has no sound: the join encodes one track for the whole range, without seams.
    const bool isPart = Options.CaptureParts > 0;
    const bool withMusic = !isPart && silentMusic && silentMusic->GetDecodedMusic(music);
    std::string reason;
    CapturePart part;
    if (!schedule.IsValid(reason) || !SelectCapturePart(schedule, part, reason) ||
        !output.Open(schedule, device->BackBufferWidth(), device->BackBufferHeight(), withMusic ? &music : nullptr,
                     Options.CaptureQuality, reason, part.frames, isPart ? CCaptureParts::Tags(part) : VideoTags())) {
        LOG("WinMain", "%s", reason.c_str());
        Fail(reason);
        return 1;
    }

    // Frames first .. first + total - 1 of the range: all of them, or those of the part.
    const int first = part.first, total = part.frames;
    CCaptureProgress progress(total, ErrorStreamIsTerminal());
    std::vector<uint8_t> pixels;
    // Frame n is fetched after frame n + 1 has been drawn, so that on a GPU its copy overlaps the
    // drawing; its file is written while the frames after it are drawn.
    auto deliver = [&](int index) {
        int width = 0, height = 0;
        if (!device->FinishReadBack(pixels, width, height)) {
            reason = output.ReadBackFailure(first + index);
            return false;
        }
        if (!output.Write(first + index, pixels, width, height, reason) ||
            (index + 1 == total && !output.Finish(reason)))
            return false;
        progress.Report(index + 1, index + 1 == total);
        return true;
    };
    // The step into a part's first frame is the one the whole capture takes there.
    float previous = first > 0 ? schedule.TimeOf(first - 1) : 0.0f;
    auto stopped = [&] {
        if (!StopRequested())
            return false;
        progress.EndLine();
        ReportIfInterrupted();
        return true;
    };
    for (int frame = 0; frame < total; ++frame) {
        // Frames handed over are still written whole; an unfinished video is removed with `output`.
        if (stopped())
            return 1;
        float t = schedule.TimeOf(first + frame);
        if (silentMusic) {
            silentMusic->SetTime(t);
            if (system->SpectrumEnabled)
                silentMusic->GetSpectrum(SpectrumBuffer);
        }
        float delta = std::clamp(t - previous, 0.0f, CMainLoop::MaxDelta);
        previous = t;
        RenderFrame(t, delta);
        // A frame the request cut short is not written.
        if (stopped())
            return 1;

        if (!device->BeginReadBack())
            reason = output.ReadBackFailure(first + frame);
        if (!reason.empty() || (frame > 0 && !deliver(frame - 1)) || (frame + 1 == total && !deliver(frame))) {
            progress.EndLine();
            LOG("WinMain", "%s", reason.c_str());
            Fail(reason);
            return 1;
        }
    }
    LOG("WinMain", "Captured %d frames into '%s'", total, Options.Capture.c_str());
    const std::string summary = Options.DrawOnly
                                    ? CCaptureProgress::DrawOnlySummary(total, schedule.fps, progress.Seconds())
                                    : CCaptureProgress::Summary(Options.Capture, output.WrittenBytes(first, total),
                                                                total, schedule.fps, progress.Seconds());
    LOG("WinMain", "%s", summary.c_str());
    if (!IsLogEnabled())
        std::fprintf(stderr, "%s\n", summary.c_str());
    return 0;
}

bool CPresentationRun::SelectCapturePart(const CCaptureSchedule& schedule, CapturePart& part,
                                         std::string& reason) const {
    part.total = schedule.FrameCount();
    part.start = schedule.start;
    part.end = schedule.end;
    part.fps = schedule.fps;
    part.index = Options.CapturePart;
    part.count = Options.CaptureParts;
    part.width = device->BackBufferWidth();
    part.height = device->BackBufferHeight();
    part.quality = Options.CaptureQuality;
    if (part.count == 0) {
        part.first = 0;
        part.frames = part.total;
        return true;
    }
    if (!CCaptureOutput::IsVideoFile(Options.Capture)) {
        reason = "CapturePart writes a video: give Capture a name ending in .mp4 or .mkv";
        return false;
    }
    if (part.count > part.total) {
        reason = "The capture range holds " + std::to_string(part.total) + " frames, too few for " +
                 std::to_string(part.count) + " parts";
        return false;
    }
    part.presentation = CCaptureParts::ScriptFingerprint(Options.Config);
    CCaptureParts::Frames(part.total, part.index, part.count, part.first, part.frames);
    return true;
}
