// The main window on SDL2: records key presses and releases in KeyDown by the classic key codes,
// keeps AppActive false while minimised, and turns a close request into the end of the main loop.
#pragma once

#include "Platform/CWindow.h"

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
    // Applies one event to KeyDown, AppActive and the close request.
    void HandleEvent(const SDL_Event& event);

    // What the events come down to, by the classic key codes (0 is ignored).
    void OnKey(int keyCode, bool down, bool altHeld);
    void OnMinimised() { AppActive = false; }
    // The window came back or changed focus without being minimised: active again, held keys forgotten.
    void OnActivated();
    void OnCloseRequest() { closeRequested = true; }

    SDL_Window* Handle() const { return window; }
    bool CloseRequested() const { return closeRequested; }

    // The classic key code of an SDL key, or 0 for keys the program has no code for.
    static int KeyCodeFor(int sdlKey);

private:
    explicit CSDLWindow(SDL_Window* w) : window(w) {}

    SDL_Window* window;
    bool closeRequested = false;
};
