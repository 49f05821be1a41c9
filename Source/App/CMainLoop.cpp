#include "App/CMainLoop.h"

#include "Base/Log.h"
#include "Music/CMusicStream.h"
#include "Platform/CWindow.h"

CMainLoop::CMainLoop(CWindow& window, CMusicStream& stream, FrameFunction frame)
    : window(window), stream(&stream), frame(std::move(frame)) {}

LoopEnd CMainLoop::Run() {
    LoopEnd end = LoopEnd::Closed;
    while (Step(end)) {
    }
    return end;
}

void CMainLoop::HandleDebugKeys() {
    // Each action clears its key, so one key-down acts once; auto-repeat sets it again.
    if (KeyDown[KeyUp]) {
        stream->Restart();
        KeyDown[KeyUp] = false;
    }
    if (KeyDown[KeyP]) {
        stream->SetPaused(!stream->IsPaused());
        KeyDown[KeyP] = false;
    }
    float step = 1.0f;
    if (KeyDown[KeyShift])
        step = 5.0f;
    else if (KeyDown[KeyControl])
        step = 0.01f;
    if (KeyDown[KeyLeft]) {
        stream->SeekBy(-step);
        KeyDown[KeyLeft] = false;
    } else if (KeyDown[KeyRight]) {
        stream->SeekBy(step);
        KeyDown[KeyRight] = false;
    }
}

bool CMainLoop::Step(LoopEnd& end) {
    if (!window.PumpEvents()) {
        end = LoopEnd::Closed;
        return false;
    }
    if (!AppActive) {
        if (whileInactive)
            whileInactive();
        return true;
    }
    if (debugKeys)
        HandleDebugKeys();
    if (KeyDown[KeyEscape]) {
        LOG("WinMain", "Escape key pressed");
        end = LoopEnd::Escape;
        return false;
    }
    if (beforeFrame)
        beforeFrame();
    if (stream->HasFinished()) {
        LOG("WinMain", "Music finished");
        end = LoopEnd::MusicFinished;
        return false;
    }
    float t = stream->GetTime();
    if (spectrumEnabled)
        stream->GetSpectrum(SpectrumBuffer);
    float delta = t - previousTime;
    if (delta < 0.0f)
        delta = 0.0f;
    if (delta > MaxDelta)
        delta = MaxDelta;
    previousTime = t;
    if (frame)
        frame(t, delta);
    ++framesRendered;
    return true;
}
