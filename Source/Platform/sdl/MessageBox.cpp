#include "Platform/MessageBox.h"

#include "Base/EscapeControlCharacters.h"
#include "Platform/Desktop.h"

#include <SDL.h>

#include <cstdio>
#include <cstring>

void ShowErrorBox(const std::string& message, bool allowDialog) {
    // The message may quote names from the data; neither the terminal nor the box gets control characters.
    const std::string text = EscapeControlCharacters(message);
    std::fprintf(stderr, "%s\n", text.c_str());
    std::fflush(stderr);
    if (!allowDialog || !DesktopReachable())
        return;

    bool initialisedHere = false;
    if (!SDL_WasInit(SDL_INIT_VIDEO)) {
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
            return;
        initialisedHere = true;
    }
    // Drivers without a screen would accept the call and show nothing, or fail after a wait.
    const char* driver = SDL_GetCurrentVideoDriver();
    if (driver && std::strcmp(driver, "offscreen") != 0 && std::strcmp(driver, "dummy") != 0 &&
        std::strcmp(driver, "evdev") != 0)
        SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_INFORMATION, "ERROR", text.c_str(), nullptr);
    if (initialisedHere)
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
}
