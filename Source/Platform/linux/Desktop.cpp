#include "Platform/Desktop.h"

#include <cstdlib>
#include <sys/stat.h>

bool DesktopReachable() {
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 && *x11) || (wayland && *wayland);
}

std::string InterfaceFontFile() {
    const char* const font = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
    struct stat info;
    return stat(font, &info) == 0 && S_ISREG(info.st_mode) ? font : "";
}
