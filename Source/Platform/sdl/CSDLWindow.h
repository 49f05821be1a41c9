// The main window on SDL2: records key presses and releases in KeyDown by the classic key codes,
// keeps AppActive false while minimised, and turns a close request into the end of the main loop.
#pragma once

#include "Platform/CWindow.h"

#include <functional>
#include <memory>
#include <string>

struct SDL_Window;
union SDL_Event;

class CSDLWindow : public CWindow {
public:
    // Centred on the screen (or covering it in fullscreen), the cursor hidden, the screen saver off.
    static std::unique_ptr<CSDLWindow> Create(const std::string& title, int width, int height, bool fullscreen,
                                              bool hidden);
    ~CSDLWindow() override;

    bool PumpEvents() override;
    // Applies one event to KeyDown, AppActive, the mouse and the close request.
    void HandleEvent(const SDL_Event& event);
    MouseState TakeMouse() override;

    // Sees every event first (the overlay's toolkit while it is shown); the window still handles
    // each one, so keys keep reaching KeyDown.
    void SetEventObserver(std::function<void(const SDL_Event&)> observer) { eventObserver = std::move(observer); }
    // While on, holding the right button captures the pointer so that looking about never stops at
    // the screen's edge.
    void SetMouseLook(bool enabled) override;

    // What the events come down to, by the classic key codes (0 is ignored).
    void OnKey(int keyCode, bool down, bool altHeld);
    void OnMinimised() { AppActive = false; }
    // The window came back or changed focus without being minimised: active again, held keys forgotten.
    void OnActivated();
    void OnCloseRequest() { closeRequested = true; }
    void OnMouseMove(int x, int y, int dx, int dy);
    void OnMouseButton(bool rightButton, bool down);
    void OnWheel(float notches);

    SDL_Window* Handle() const { return window; }
    bool CloseRequested() const { return closeRequested; }

    // The classic key code of an SDL key, or 0 for keys the program has no code for.
    static int KeyCodeFor(int sdlKey);

private:
    explicit CSDLWindow(SDL_Window* w) : window(w) {}

    SDL_Window* window;
    bool closeRequested = false;
    std::function<void(const SDL_Event&)> eventObserver;
    MouseState mouse;
    bool mouseLook = false;
};
