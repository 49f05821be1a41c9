// The one top-level window the presentation draws into: keeps which keys are down and which presses
// are not yet taken, by the key codes the main loop uses, and whether the window is minimised; its
// backend reports a close request.
#pragma once

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <memory>
#include <string>

// Key codes the main loop reads (the classic virtual-key numbering).
enum KeyCode : int {
    KeyEnter = 0x0D,
    KeyShift = 0x10,
    KeyControl = 0x11,
    KeyEscape = 0x1B,
    KeySpace = 0x20,
    KeyLeft = 0x25,
    KeyUp = 0x26,
    KeyRight = 0x27,
    KeyDownArrow = 0x28,
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
    KeyX = 0x58,
    KeyY = 0x59,
    KeyZ = 0x5A,
    KeyF1 = 0x70,
    KeyF5 = 0x74,
    KeyF12 = 0x7B,
    KeyComma = 0xBC,
    KeyPeriod = 0xBE,
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

// The window's own bookkeeping lives here, shared by every backend: the key table, the presses not
// yet taken and the active flag. A backend only translates its events into the protected calls.
class CWindow {
public:
    static constexpr int KeyCount = 256;

    virtual ~CWindow() = default;
    // Handles every queued event (updating the keys and the active flag); returns false once the user
    // asked to close the window.
    virtual bool PumpEvents() = 0;
    // The mouse now; the summed motion and wheel start again from zero.
    virtual MouseState TakeMouse() { return MouseState(); }
    // While on, the pointer is held in the window and its motion reported as look (the free camera).
    virtual void SetMouseLook(bool /*enabled*/) {}
    // The window's title (the presentation's name, which a reload may change).
    virtual void SetTitle(const std::string& /*title*/) {}

    // True while the key is down (or its auto-repeat has set it again since ClearKey).
    bool KeyDown(int code) const { return InRange(code) && keyDown[code]; }
    // A press of the key not yet taken: true once per press, even when the key was released again in
    // the same batch of events. Unlike KeyDown, a quick tap is never missed.
    bool TakeKeyPress(int code) {
        if (!InRange(code) || !keyPressed[code])
            return false;
        keyPressed[code] = false;
        return true;
    }
    // Ctrl and Shift as they were when the press not yet taken was made (the keys go down and up in
    // the order the events came, so a chord pressed and released within one frame keeps them).
    bool PressHadControl(int code) const { return InRange(code) && pressedWithControl[code]; }
    bool PressHadShift(int code) const { return InRange(code) && pressedWithShift[code]; }
    // Forgets the key, down and pressed, once it has been acted on; the key's auto-repeat or another
    // press sets it again.
    void ClearKey(int code) {
        if (InRange(code))
            keyDown[code] = keyPressed[code] = false;
    }
    // Forgets every key but Shift and Control, down and pressed: while the overlay takes typing, the
    // letters and digits are not the show's keys.
    void ClearKeysButModifiers() {
        for (int code = 1; code < KeyCount; ++code)
            if (code != KeyShift && code != KeyControl)
                ClearKey(code);
    }
    // Forgets every press not yet taken (the keys still down stay down).
    void ClearKeyPresses() { std::fill(std::begin(keyPressed), std::end(keyPressed), false); }
    // False while the window is minimised.
    bool Active() const { return active; }

protected:
    // A key went down or up; codes outside 1..255 are ignored. Keys pressed with Alt belong to the
    // window manager's shortcuts, not to the program; a release always counts, with Alt or without,
    // so that no key stays down for ever. Only a real press (not the key's auto-repeat) counts as a
    // press to take.
    void RecordKey(int code, bool down, bool altHeld, bool repeat) {
        if (!InRange(code))
            return;
        if (!down) {
            keyDown[code] = false;
            return;
        }
        if (altHeld)
            return;
        keyDown[code] = true;
        if (!repeat) {
            keyPressed[code] = true;
            pressedWithControl[code] = keyDown[KeyControl];
            pressedWithShift[code] = keyDown[KeyShift];
        }
    }
    void RecordMinimised() { active = false; }
    // Back from being minimised or a change of focus: active again, and the keys from 9 up forgotten,
    // since those released while the window was away never reported their release.
    void RecordActivated() {
        active = true;
        std::fill(std::begin(keyDown) + 9, std::end(keyDown), false);
    }

private:
    static bool InRange(int code) { return code > 0 && code < KeyCount; }

    bool keyDown[KeyCount] = {};
    bool keyPressed[KeyCount] = {};
    bool pressedWithControl[KeyCount] = {};
    bool pressedWithShift[KeyCount] = {};
    bool active = true;
};
