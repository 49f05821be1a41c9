// The one top-level window the presentation draws into: reports key presses and releases by the
// key codes the main loop uses, the minimised state and a close request.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

// Key codes the main loop reads (the classic virtual-key numbering).
enum KeyCode : int {
    KeyShift = 0x10,
    KeyControl = 0x11,
    KeyEscape = 0x1B,
    KeyLeft = 0x25,
    KeyUp = 0x26,
    KeyRight = 0x27,
    KeyP = 0x50,
    // The authoring overlay's keys.
    KeyA = 0x41,
    KeyC = 0x43,
    KeyD = 0x44,
    KeyE = 0x45,
    KeyK = 0x4B,
    KeyQ = 0x51,
    KeyS = 0x53,
    KeyW = 0x57,
    KeyF1 = 0x70,
    KeyF5 = 0x74,
    KeyF12 = 0x7B,
    KeyOpenBracket = 0xDB,
    KeyBackslash = 0xDC,
    KeyCloseBracket = 0xDD,
};

// The mouse as the overlay and the free camera read it once per frame.
struct MouseState {
    int x = 0, y = 0; // pointer in window pixels
    bool left = false, right = false;
    // Motion in pixels while the right button was held, and wheel notches (up positive), both summed
    // since the last TakeMouse.
    float lookX = 0.0f, lookY = 0.0f;
    float wheel = 0.0f;
};

// Key table: true while the key is down. Written by the window's event handling, cleared by the main
// loop when it consumes a key.
extern bool KeyDown[256];
// Key presses not yet taken: set when a key goes down (not by its auto-repeat), cleared by whoever
// acts on the press. Unlike KeyDown, a quick tap is never missed.
extern bool KeyPressed[256];
// False while the window is minimised.
extern bool AppActive;

class CWindow {
public:
    virtual ~CWindow() = default;
    // Handles every queued event (updating KeyDown and AppActive); returns false once the user asked
    // to close the window.
    virtual bool PumpEvents() = 0;
    // The mouse now; the summed motion and wheel start again from zero.
    virtual MouseState TakeMouse() { return MouseState(); }
    // While on, the pointer is held in the window and its motion reported as look (the free camera).
    virtual void SetMouseLook(bool /*enabled*/) {}
};
