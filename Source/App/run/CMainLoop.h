// The presentation's frame loop: drains the window's events, then renders one frame at the music's
// time (debug keys, the transport, Escape, the end of the music, the spectrum, the clamped delta)
// until the window is closed, Escape is pressed or the music ends (with the transport, the end pauses
// instead). Drawing itself is the caller's frame function.
#pragma once

#include "Base/CMusicalTime.h"

#include <functional>

class CMusicStream;
class CWindow;

enum class LoopEnd { Closed, Escape, MusicFinished };

class CMainLoop {
public:
    using FrameFunction = std::function<void(float time, float delta)>;

    CMainLoop(CWindow& window, CMusicStream& stream, FrameFunction frame);

    // Runs until one of the three ends.
    LoopEnd Run();
    // One pass: all queued events, then a frame when the window is not minimised. False once the
    // loop has ended, with the reason in `end`.
    bool Step(LoopEnd& end);

    bool debugKeys = false; // the DebugKeys option
    // The authoring transport (the Watch option): Space pauses and resumes, '.' and ',' step a frame
    // (a sixtieth of a second) while paused, Left and Right move to the previous or next beat (with
    // Shift: bar) of `tempo`; the end of the music pauses there instead of ending the loop, and Space
    // at the end plays from the start.
    bool transport = false;
    std::function<CMusicalTime()> tempo;
    static constexpr float FrameStep = 1.0f / 60.0f;

    bool spectrumEnabled = false; // refresh SpectrumBuffer every frame
    // Called instead of a frame while the window is minimised, so that waiting need not spin.
    std::function<void()> whileInactive;
    // Called first, before any key is looked at: the authoring overlay takes the keys it acts on
    // (Escape discarding an edit, Enter writing it, the arrows choosing a layer, typing).
    std::function<void()> beforeKeys;
    // Called before each frame's time is read, after the keys: live reload and the authoring keys act
    // here, between two frames.
    std::function<void()> beforeFrame;

    // The time source from now on (live reload may open other music).
    void SetStream(CMusicStream& replacement) { stream = &replacement; }

    float previousTime = 0.0f;
    int framesRendered = 0;

    static constexpr float MaxDelta = 1000.0f;

private:
    void HandleDebugKeys();
    void HandleTransportKeys();

    CWindow& window;
    CMusicStream* stream;
    FrameFunction frame;
};
