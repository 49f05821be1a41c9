// The main window on SDL2: translates key presses and releases into the classic key codes and the
// window's minimising and activation into CWindow's bookkeeping, and turns a close request into the
// end of the main loop.
#pragma once

#include "Platform/CWindow.h"

#include <functional>
#include <memory>
#include <string>

struct SDL_Window;
union SDL_Event;

class CSDLWindow : public CWindow {
public:
    void SetTitle(const std::string& title) override;
    std::string Title() const;
    // Centred on the screen (or covering it in fullscreen), the cursor hidden, the screen saver off.
    static std::unique_ptr<CSDLWindow> Create(const std::string& title, int width, int height, bool fullscreen,
                                              bool hidden);
    ~CSDLWindow() override;

    bool PumpEvents() override;
    // Applies one event to the keys, the active flag, the mouse and the close request.
    void HandleEvent(const SDL_Event& event);
    MouseState TakeMouse() override;

    // Sees every event first (the overlay's toolkit while it is shown); the window still handles
    // each one, so keys keep reaching the key table.
    void SetEventObserver(std::function<void(const SDL_Event&)> observer) { eventObserver = std::move(observer); }
    // While on, holding the right button captures the pointer so that looking about never stops at
    // the screen's edge.
    void SetMouseLook(bool enabled) override;

    // What the events come down to, by the classic key codes (0 is ignored); `repeat` marks a held
    // key's auto-repeat.
    void OnKey(int keyCode, bool down, bool altHeld, bool repeat = false) { RecordKey(keyCode, down, altHeld, repeat); }
    void OnMinimised() { RecordMinimised(); }
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
