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
};

// Key table: true while the key is down. Written by the window's event handling, cleared by the main
// loop when it consumes a key.
extern bool KeyDown[256];
// False while the window is minimised.
extern bool AppActive;

class CWindow {
public:
    virtual ~CWindow() = default;
    // Handles every queued event (updating KeyDown and AppActive); returns false once the user asked
    // to close the window.
    virtual bool PumpEvents() = 0;
};
