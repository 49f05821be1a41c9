// The authoring overlay on screen: Dear ImGui panels over the finished frame (position and frame
// times, the time line of scenes with the loop, the spectrum, the scenes and layers running now, a
// script error), drawn from plain data onto the window after the device has put the frame there, so
// that capture, which reads the device's back buffer, never sees them. The program lays the time line
// and the spectrum's axis out; the overlay maps that layout to pixels, draws it, and reports what the
// user did and the strip it drew.
#pragma once

#include "Platform/OverlayData.h"

#include <cstdint>
#include <memory>
#include <vector>

class CGLDevice;
class CGraphicsDevice;
class CSDLWindow;
class CWindow;
struct ImFont;
struct ImGuiContext;
union SDL_Event;

class COverlayUi {
public:
    // On the window's OpenGL device; null (with a log line) for another device or when the toolkit
    // cannot start. Destroy it before the device and the window.
    static std::unique_ptr<COverlayUi> Create(CWindow& window, CGraphicsDevice& device);
    ~COverlayUi();

    // Hidden at start. While shown the window's events reach the panels and the mouse cursor shows.
    void SetShown(bool shown);
    bool IsShown() const { return shown; }
    void Toggle() { SetShown(!shown); }

    // Builds this frame's panels; the device's next Present draws them over the window. Call it once
    // per frame before Present. Hidden, only an error is drawn (a failed reload must be seen).
    OverlayActions Draw(const OverlayFrame& frame);

    // How much larger than at 1024 x 768 the panels and letters are drawn at the window's size.
    float Scale() const { return scale; }
    static float ScaleFor(int windowWidth, int windowHeight);

    // For tests and screenshots: keep a copy of the window's picture as Present leaves it, overlay
    // included (RGBA, top row first).
    void KeepWindowPixels(bool keep) { keepPixels = keep; }
    bool WindowPixels(std::vector<uint8_t>& rgba, int& width, int& height) const;

private:
    COverlayUi(CSDLWindow& window, CGLDevice& device);
    bool Init();
    void OnEvent(const SDL_Event& event);
    void ReleaseDeferredKeys();
    void RenderOverWindow(int width, int height);
    void ApplyScale(float newScale);

    void DrawStatus(const OverlayFrame& frame, float& bottom);
    void DrawScenes(const OverlayFrame& frame, float top, float bottom, OverlayActions& actions);
    // Returns the panel's bottom edge.
    float DrawSpectrum(const OverlaySpectrum& spectrum);
    // The ranges reactions follow: shaded over the plot (x0..x1, y0..y1), and the first `rows` listed
    // from (left, top) down.
    void DrawReactions(const OverlaySpectrum& spectrum, size_t rows, float x0, float x1, float y0, float y1, float left,
                       float top);
    void DrawInspector(const OverlayInspector& inspector, float top, float bottom, OverlayActions& actions);
    void DrawCurve(const OverlayParameter& parameter);
    float TimelineHeight(const OverlayTimeline& timeline) const;
    void DrawTimeline(const OverlayTimeline& timeline, OverlayActions& actions);
    void DrawMusic(const OverlayTimeline& timeline, float left, float width, float top, float bottom);
    void PrepareSpectrumTexture(const OverlayTimeline& timeline);
    void UploadSpectrumTexture();
    void DrawNotice(const std::string& notice, float bottom);
    void DrawError(const OverlayError& error);

    CSDLWindow& window;
    CGLDevice& device;
    ImGuiContext* context = nullptr;
    bool sdlBackend = false, glBackend = false;
    bool shown = false;
    bool pending = false; // a frame was built and waits for Present
    float scale = 0.0f;
    // Where the window last saw the pointer, in window coordinates.
    bool pointerSeen = false;
    float pointerX = 0.0f, pointerY = 0.0f;
    ImFont* bodyFont = nullptr;
    ImFont* largeFont = nullptr;

    // Keys that went down since the last frame, and releases held back until a frame has seen them.
    std::vector<int> keysDownThisFrame;
    std::vector<SDL_Event> deferredKeyUps;

    // The music's spectrum over time as a texture, made again when its version changes; the pixels
    // wait for the next RenderOverWindow, where GL state is saved around the upload.
    unsigned int spectrumTexture = 0;
    uint64_t spectrumVersion = 0;
    std::vector<uint8_t> spectrumPixels;
    int spectrumWidth = 0, spectrumHeight = 0;
    bool spectrumUpload = false;

    bool keepPixels = false;
    std::vector<uint8_t> pixels;
    int pixelsWidth = 0, pixelsHeight = 0;
};
