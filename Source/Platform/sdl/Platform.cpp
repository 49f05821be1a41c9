#include "Platform/Platform.h"

#include "Platform/gl/CGLDevice.h"
#include "Platform/sdl/CSDLWindow.h"

#include <SDL.h>
#include <epoxy/gl.h>

#include <algorithm>

std::unique_ptr<CWindow> CreateMainWindow(const std::string& title, int width, int height, bool fullscreen,
                                          bool hidden) {
    return CSDLWindow::Create(title, width, height, fullscreen, hidden);
}

std::unique_ptr<CGraphicsDevice> CreateGraphicsDevice(CWindow& window, const GraphicsDeviceOptions& options) {
    // Every window comes from CreateMainWindow.
    return CGLDevice::Create(static_cast<CSDLWindow&>(window).Handle(), options.width, options.height, options.AAType,
                             options.renderTargetSize, options.vsync);
}

std::vector<DisplayMode> GetDisplayModes() {
    std::vector<DisplayMode> modes;
    if (!InitVideo())
        return modes;
    const int count = SDL_GetNumDisplayModes(0);
    for (int i = 0; i < count; ++i) {
        SDL_DisplayMode mode;
        if (SDL_GetDisplayMode(0, i, &mode) == 0)
            modes.push_back(DisplayMode{mode.w, mode.h, mode.refresh_rate});
    }
    return modes;
}

bool DesktopSize(int& width, int& height) {
    SDL_DisplayMode mode;
    if (!InitVideo() || SDL_GetDesktopDisplayMode(0, &mode) != 0)
        return false;
    width = mode.w;
    height = mode.h;
    return true;
}

std::vector<int> SupportedSampleCounts() {
    std::vector<int> counts = {0};
    if (!InitVideo())
        return counts;
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    // The query makes a context of its own; the device's stays current afterwards.
    SDL_Window* previousWindow = SDL_GL_GetCurrentWindow();
    SDL_GLContext previousContext = SDL_GL_GetCurrentContext();
    SDL_Window* window = SDL_CreateWindow("quorin-vanto", 0, 0, 16, 16, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (!window)
        return counts;
    SDL_GLContext context = SDL_GL_CreateContext(window);
    if (context) {
        GLint maxSamples = 0;
        glGetIntegerv(GL_MAX_SAMPLES, &maxSamples);
        for (int n : {2, 4, 8, 16})
            if (n <= maxSamples)
                counts.push_back(n);
        SDL_GL_DeleteContext(context);
    }
    SDL_DestroyWindow(window);
    if (previousContext)
        SDL_GL_MakeCurrent(previousWindow, previousContext);
    return counts;
}
