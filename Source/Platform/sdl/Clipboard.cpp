#include "Platform/Clipboard.h"

#include "Base/Log.h"

#include <SDL.h>

bool CopyToClipboard(const std::string& text) {
    if (!SDL_WasInit(SDL_INIT_VIDEO) || SDL_SetClipboardText(text.c_str()) != 0) {
        LOG("CopyToClipboard", "Failed to copy to the clipboard: %s",
            SDL_WasInit(SDL_INIT_VIDEO) ? SDL_GetError() : "the video system is not running");
        return false;
    }
    return true;
}
