// The platform's factories, the only way into the machine: the video system (falling back to an
// offscreen driver where no display can be reached), the main window, the OpenGL graphics device on
// it, the audio outputs, the file watcher, the video encoder, the settings dialog's window and the
// display and multisampling queries the dialog offers. Only the application's composition root calls
// these; everything else sees the interfaces they return. Each backend folder below implements its
// share.
#pragma once

#include "Base/CSettings.h"
#include "Platform/CAudioOutput.h"
#include "Platform/CFileWatcher.h"
#include "Platform/CGraphicsDevice.h"
#include "Platform/CSettingsWindow.h"
#include "Platform/CVideoEncoder.h"
#include "Platform/CVideoJoiner.h"
#include "Platform/CWindow.h"

#include <memory>
#include <string>
#include <vector>

struct GraphicsDeviceOptions {
    int width = 1024; // back buffer size in pixels
    int height = 768;
    int AAType = 0;              // samples per pixel; 0 or 1 for none
    int renderTargetSize = 1024; // edge of the square depth buffer shared with render targets
    bool vsync = true;
};

// Starts the video system once. Uses SDL's offscreen driver when no display can be reached.
bool InitVideo();
// True when the video system runs without a display (the offscreen driver).
bool IsHeadless();

std::unique_ptr<CWindow> CreateMainWindow(const std::string& title, int width, int height, bool fullscreen,
                                          bool hidden);
// The OpenGL device on a window made by CreateMainWindow; null (with a log line) when it cannot be made.
std::unique_ptr<CGraphicsDevice> CreateGraphicsDevice(CWindow& window, const GraphicsDeviceOptions& options);

// Plays through SDL2's audio (the dummy or disk driver serve headless runs).
std::unique_ptr<CAudioOutput> CreateAudioOutput();
// Plays nothing: the position changes only through SetPositionFrames, for offline capture.
std::unique_ptr<CAudioOutput> CreateCaptureAudioOutput();

// The window that shows the settings dialog (Dear ImGui in a window of its own). Never null: where
// there is no display, its NoDisplay says so.
std::unique_ptr<CSettingsWindow> CreateSettingsWindow();
// The main display's modes, largest first (empty when there is no display).
std::vector<DisplayMode> GetDisplayModes();
// The main display's current size; false when unknown.
bool DesktopSize(int& width, int& height);
// The multisample levels the device can make: 0 (none) first, then 2, 4, 8, 16 as supported.
std::vector<int> SupportedSampleCounts();

// The watcher for this machine (inotify on Linux, ReadDirectoryChangesW on Windows). Always an object: where the kernel
// refuses to watch, its Watch says so and returns false.
std::unique_ptr<CFileWatcher> CreateFileWatcher();

// The encoder through FFmpeg's libraries (libx264, FFmpeg's own AAC encoder, libswscale and
// libswresample). It lives in a module beside the program (quorin-vanto-video.so or .dll), loaded on the
// first call: FFmpeg's libraries bring some 130 others with them, whose loading would add about
// 75 ms to every start. Never null: when the module cannot be loaded, the encoder's Open fails
// with the reason.
std::unique_ptr<CVideoEncoder> CreateVideoEncoder();
// The joiner of exported parts, from the same module; never null, like the encoder.
std::unique_ptr<CVideoJoiner> CreateVideoJoiner();
