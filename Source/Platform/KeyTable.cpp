#include "Platform/CWindow.h"

bool KeyDown[256] = {};
bool AppActive = true;
