// Starts SDL's video system once for the window, the display queries and the settings dialog, on its
// own so that the window and the factories that make it both depend on it rather than on each other.
#include "Platform/Platform.h"

#include "Base/Log.h"
#include "Platform/Desktop.h"

#include <SDL.h>

#include <cstdlib>
#include <string>

namespace {
bool g_Headless = false;

bool StartVideo(const char* driver) {
    if (driver)
        SDL_SetHint(SDL_HINT_VIDEODRIVER, driver);
    return SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
}
} // namespace

bool InitVideo() {
    if (SDL_WasInit(SDL_INIT_VIDEO))
        return true;
    // The window class on X11, and the program's name where the desktop shows one.
    SDL_setenv("SDL_VIDEO_X11_WMCLASS", "quorin-vanto", 0);
    SDL_SetHint("SDL_VIDEO_X11_WMCLASS", "quorin-vanto");
    SDL_SetHint(SDL_HINT_APP_NAME, "quorin-vanto");
    SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "0");
    // SIGINT and SIGTERM are the app's (a stop request every loop checks); SDL would turn them into a
    // quit event that Check and Capture never read.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");

    const char* chosen = std::getenv("SDL_VIDEODRIVER");
    bool ok = false;
    if (chosen || DesktopReachable())
        ok = StartVideo(nullptr);
    if (!ok) {
        // No display reachable: draw offscreen.
        ok = StartVideo("offscreen");
    }
    if (!ok) {
        LOG("InitVideo", "Failed to start the video system: %s", SDL_GetError());
        return false;
    }
    const char* driver = SDL_GetCurrentVideoDriver();
    g_Headless = driver && std::string(driver) == "offscreen";
    return true;
}

bool IsHeadless() { return g_Headless; }
