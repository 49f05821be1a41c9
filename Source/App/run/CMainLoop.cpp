#include "App/run/CMainLoop.h"

#include "Base/Log.h"
#include "Base/StopRequest.h"
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

namespace {

// A key down (or a press not yet taken, even one already released) acts once: the action clears it;
// auto-repeat sets it again.
bool TakeKey(CWindow& window, int key) {
    if (!window.KeyDown(key) && !window.TakeKeyPress(key))
        return false;
    window.ClearKey(key);
    return true;
}

} // namespace

void CMainLoop::HandleDebugKeys() {
    if (TakeKey(window, KeyUp))
        stream->Restart();
    if (TakeKey(window, KeyP))
        stream->SetPaused(!stream->IsPaused());
    float step = 1.0f;
    if (window.KeyDown(KeyShift))
        step = 5.0f;
    else if (window.KeyDown(KeyControl))
        step = 0.01f;
    if (TakeKey(window, KeyLeft))
        stream->SeekBy(-step);
    else if (TakeKey(window, KeyRight))
        stream->SeekBy(step);
}

bool CMainLoop::Step(LoopEnd& end) {
    // SIGINT or SIGTERM closes a playing window, as the video system would do with its own handlers.
    if (!window.PumpEvents() || StopRequested()) {
        end = LoopEnd::Closed;
        return false;
    }
    if (!window.Active()) {
        // Escape pressed at a minimised window is not meant for the show that comes back.
        window.ClearKey(KeyEscape);
        if (whileInactive)
            whileInactive();
        return true;
    }
    if (debugKeys)
        HandleDebugKeys();
    // A tap shorter than a frame is pressed and released between two looks at the keys.
    if (window.TakeKeyPress(KeyEscape) || window.KeyDown(KeyEscape)) {
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
