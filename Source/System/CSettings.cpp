#include "System/CSettings.h"

SettingsRecord Settings;

int RenderTargetSizeFor(float width, float height) {
    int m = static_cast<int>(width > height ? width : height);
    int size = 256;
    while (size < m && size < (1 << 30))
        size *= 2;
    return size;
}
