#include "Platform/sdl/CSDLWindow.h"

#include "Base/Log.h"
#include "Platform/Platform.h"

#include <SDL.h>

#include <algorithm>

std::unique_ptr<CSDLWindow> CSDLWindow::Create(const std::string& title, int width, int height, bool fullscreen,
                                               bool hidden) {
    if (!InitVideo())
        return nullptr;
    Uint32 flags = SDL_WINDOW_OPENGL;
    if (hidden)
        flags |= SDL_WINDOW_HIDDEN;
    else if (fullscreen)
        flags |= SDL_WINDOW_FULLSCREEN;

    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    // Drawing goes to framebuffers of the device's own; the window only receives the result.
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_MULTISAMPLEBUFFERS, 0);

    SDL_Window* w = SDL_CreateWindow(title.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, std::max(width, 1),
                                     std::max(height, 1), flags);
    if (!w) {
        LOG("CreateMainWindow", "Failed to create the window: %s", SDL_GetError());
        return nullptr;
    }
    if (fullscreen && !hidden) {
        SDL_DisplayMode mode = {};
        SDL_DisplayMode wanted = {0, width, height, 0, nullptr};
        if (SDL_GetClosestDisplayMode(SDL_GetWindowDisplayIndex(w), &wanted, &mode))
            SDL_SetWindowDisplayMode(w, &mode);
    }
    SDL_ShowCursor(SDL_DISABLE);
    SDL_DisableScreenSaver();
    return std::unique_ptr<CSDLWindow>(new CSDLWindow(w));
}

CSDLWindow::~CSDLWindow() {
    if (window)
        SDL_DestroyWindow(window);
}

bool CSDLWindow::PumpEvents() {
    SDL_Event event;
    while (SDL_PollEvent(&event))
        HandleEvent(event);
    return !closeRequested;
}

void CSDLWindow::OnActivated() {
    RecordActivated();
    // Like the keys, buttons released while the window was away never reported their release.
    mouse.left = mouse.right = false;
    if (SDL_GetRelativeMouseMode())
        SDL_SetRelativeMouseMode(SDL_FALSE);
}

MouseState CSDLWindow::TakeMouse() {
    MouseState now = mouse;
    mouse.lookX = mouse.lookY = mouse.wheel = 0.0f;
    return now;
}

void CSDLWindow::OnMouseMove(int x, int y, int dx, int dy) {
    mouse.x = x;
    mouse.y = y;
    if (mouse.right) {
        mouse.lookX += static_cast<float>(dx);
        mouse.lookY += static_cast<float>(dy);
    }
}

void CSDLWindow::OnMouseButton(bool rightButton, bool down) {
    if (!rightButton) {
        mouse.left = down;
        return;
    }
    mouse.right = down;
    if (mouseLook || !down)
        SDL_SetRelativeMouseMode(down ? SDL_TRUE : SDL_FALSE);
}

void CSDLWindow::OnWheel(float notches) { mouse.wheel += notches; }

void CSDLWindow::SetMouseLook(bool enabled) {
    mouseLook = enabled;
    if (!enabled && SDL_GetRelativeMouseMode())
        SDL_SetRelativeMouseMode(SDL_FALSE);
}

void CSDLWindow::HandleEvent(const SDL_Event& event) {
    if (eventObserver)
        eventObserver(event);
    switch (event.type) {
    case SDL_QUIT:
        OnCloseRequest();
        break;
    case SDL_WINDOWEVENT:
        switch (event.window.event) {
        case SDL_WINDOWEVENT_CLOSE:
            OnCloseRequest();
            break;
        case SDL_WINDOWEVENT_MINIMIZED:
            OnMinimised();
            break;
        case SDL_WINDOWEVENT_RESTORED:
        case SDL_WINDOWEVENT_FOCUS_GAINED:
        case SDL_WINDOWEVENT_FOCUS_LOST:
            if (window && (SDL_GetWindowFlags(window) & SDL_WINDOW_MINIMIZED))
                OnMinimised();
            else
                OnActivated();
            break;
        default:
            break;
        }
        break;
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
        const SDL_Keycode key = event.key.keysym.sym;
        const bool alt = (event.key.keysym.mod & KMOD_ALT) || key == SDLK_LALT || key == SDLK_RALT;
        OnKey(KeyCodeFor(key), event.type == SDL_KEYDOWN, alt, event.key.repeat != 0);
        break;
    }
    case SDL_MOUSEMOTION:
        OnMouseMove(event.motion.x, event.motion.y, event.motion.xrel, event.motion.yrel);
        break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        if (event.button.button == SDL_BUTTON_LEFT || event.button.button == SDL_BUTTON_RIGHT)
            OnMouseButton(event.button.button == SDL_BUTTON_RIGHT, event.type == SDL_MOUSEBUTTONDOWN);
        break;
    case SDL_MOUSEWHEEL:
        OnWheel(static_cast<float>(event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -event.wheel.y : event.wheel.y));
        break;
    default:
        break;
    }
}

int CSDLWindow::KeyCodeFor(int sdlKey) {
    switch (sdlKey) {
    case SDLK_BACKSPACE:
        return 0x08;
    case SDLK_TAB:
        return 0x09;
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
        return KeyEnter;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT:
        return KeyShift;
    case SDLK_LCTRL:
    case SDLK_RCTRL:
        return KeyControl;
    case SDLK_PAUSE:
        return 0x13;
    case SDLK_ESCAPE:
        return KeyEscape;
    case SDLK_SPACE:
        return KeySpace;
    case SDLK_COMMA:
        return KeyComma;
    case SDLK_PERIOD:
        return KeyPeriod;
    case SDLK_PAGEUP:
        return 0x21;
    case SDLK_PAGEDOWN:
        return 0x22;
    case SDLK_END:
        return 0x23;
    case SDLK_HOME:
        return 0x24;
    case SDLK_LEFT:
        return KeyLeft;
    case SDLK_UP:
        return KeyUp;
    case SDLK_RIGHT:
        return KeyRight;
    case SDLK_DOWN:
        return KeyDownArrow;
    case SDLK_INSERT:
        return 0x2D;
    case SDLK_DELETE:
        return 0x2E;
    case SDLK_LEFTBRACKET:
        return KeyOpenBracket;
    case SDLK_BACKSLASH:
        return KeyBackslash;
    case SDLK_RIGHTBRACKET:
        return KeyCloseBracket;
    default:
        break;
    }
    if (sdlKey >= SDLK_a && sdlKey <= SDLK_z)
        return 0x41 + (sdlKey - SDLK_a);
    if (sdlKey >= SDLK_0 && sdlKey <= SDLK_9)
        return 0x30 + (sdlKey - SDLK_0);
    if (sdlKey >= SDLK_F1 && sdlKey <= SDLK_F12)
        return 0x70 + (sdlKey - SDLK_F1);
    return 0;
}

void CSDLWindow::SetTitle(const std::string& title) {
    if (window)
        SDL_SetWindowTitle(window, title.c_str());
}

std::string CSDLWindow::Title() const { return window ? SDL_GetWindowTitle(window) : ""; }
