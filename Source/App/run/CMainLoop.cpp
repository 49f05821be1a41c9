#include "App/run/CMainLoop.h"

#include "Base/Log.h"
#include "Base/StopRequest.h"
#include "Music/CMusicStream.h"
#include "Platform/CWindow.h"

#include <algorithm>
#include <cmath>

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
    // Under the transport the arrows move by beats instead.
    if (transport)
        return;
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

namespace {

// The beat (or bar) boundary after `t` (`direction` 1) or before it (-1), never before 0. A time a hair
// from a boundary counts as on it, so that repeated steps never stall on float rounding.
double NextBoundary(double t, double length, int direction) {
    constexpr double Hair = 1e-4;
    const double index = t / length;
    const double target = direction > 0 ? std::floor(index + Hair) + 1.0 : std::ceil(index - Hair) - 1.0;
    return std::max(0.0, target * length);
}

} // namespace

void CMainLoop::HandleTransportKeys() {
    if (TakeKey(window, KeySpace)) {
        if (stream->HasFinished()) {
            stream->Restart();
            stream->SetPaused(false);
        } else {
            stream->SetPaused(!stream->IsPaused());
        }
    }
    // A frame step pressed while playing is dropped, not kept for the next pause.
    const bool forward = TakeKey(window, KeyPeriod), back = TakeKey(window, KeyComma);
    if (stream->IsPaused() && forward != back)
        stream->SeekBy(forward ? FrameStep : -FrameStep);
    const int direction = TakeKey(window, KeyRight) ? 1 : TakeKey(window, KeyLeft) ? -1 : 0;
    if (direction != 0) {
        const CMusicalTime musical = tempo ? tempo() : CMusicalTime();
        const double length = window.KeyDown(KeyShift) ? musical.SecondsPerBar() : musical.SecondsPerBeat();
        const double now = stream->GetTime();
        stream->SeekBy(static_cast<float>(NextBoundary(now, length, direction) - now));
    }
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
    if (beforeKeys)
        beforeKeys();
    if (debugKeys)
        HandleDebugKeys();
    if (transport)
        HandleTransportKeys();
    // TakeKey: a tap shorter than a frame is pressed and released between two looks at the keys.
    if (TakeKey(window, KeyEscape)) {
        LOG("WinMain", "Escape key pressed");
        end = LoopEnd::Escape;
        return false;
    }
    if (beforeFrame)
        beforeFrame();
    if (stream->HasFinished()) {
        if (!transport) {
            LOG("WinMain", "Music finished");
            end = LoopEnd::MusicFinished;
            return false;
        }
        if (!stream->IsPaused()) {
            LOG("WinMain", "Music finished: paused at the end");
            stream->SetPaused(true);
        }
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
