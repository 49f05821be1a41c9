#include "Platform/Desktop.h"

#include <climits>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

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

std::string ProgramFolder() {
    char self[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0)
        return std::string();
    const std::string path(self, static_cast<size_t>(length));
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash == 0 ? 1 : slash);
}
