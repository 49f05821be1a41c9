// Start-up's way into the machine: the video system (falling back to an offscreen driver where no
// display can be reached), the main window, the OpenGL graphics device on it, and the display and
// multisampling queries the settings dialog offers.
#pragma once

#include "Platform/CSDLWindow.h"

#include <memory>
#include <string>
#include <vector>

class CGraphicsDevice;

struct DisplayMode {
    int width = 0;
    int height = 0;
    int refreshRate = 0;
};

struct GraphicsDeviceOptions {
    int width = 1024;  // back buffer size in pixels
    int height = 768;
    int AAType = 0;    // samples per pixel; 0 or 1 for none
    int renderTargetSize = 1024; // edge of the square depth buffer shared with render targets
    bool vsync = true;
};

// Starts the video system once. Uses SDL's offscreen driver when no display can be reached.
bool InitVideo();
// True when the video system runs without a display (the offscreen driver).
bool IsHeadless();

std::unique_ptr<CSDLWindow> CreateMainWindow(const std::string& title, int width, int height, bool fullscreen,
                                             bool hidden);
// The OpenGL device on the window; null (with a log line) when it cannot be made.
std::unique_ptr<CGraphicsDevice> CreateGraphicsDevice(CSDLWindow& window, const GraphicsDeviceOptions& options);

// The main display's modes, largest first (empty when there is no display).
std::vector<DisplayMode> GetDisplayModes();
// The main display's current size; false when unknown.
bool DesktopSize(int& width, int& height);
// The multisample levels the device can make: 0 (none) first, then 2, 4, 8, 16 as supported.
std::vector<int> SupportedSampleCounts();
