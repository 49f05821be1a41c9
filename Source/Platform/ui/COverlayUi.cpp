#include "Platform/ui/COverlayUi.h"

#include "Base/Log.h"
#include "Platform/Desktop.h"
#include "Platform/gl/CGLDevice.h"
#include "Platform/sdl/CSDLWindow.h"

#include <SDL.h>
#include <epoxy/gl.h>
#include <imgui.h>
#include <imgui_impl_opengl3.h>
#include <imgui_impl_sdl.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <vector>

namespace {

// Letters at 1024 x 768; larger windows scale them up.
constexpr float BodyPixels = 16.0f;
constexpr float LargeFactor = 2.0f;

const ImU32 Accent = IM_COL32(90, 200, 255, 255);
const ImU32 Playhead = IM_COL32(255, 80, 70, 255);
const ImU32 LoopFill = IM_COL32(255, 210, 60, 50);
const ImU32 LoopEdge = IM_COL32(255, 210, 60, 230);
const ImU32 GridLine = IM_COL32(255, 255, 255, 40);
const ImU32 BarLine = IM_COL32(255, 255, 255, 110);
const ImU32 LabelText = IM_COL32(220, 220, 220, 255);
const ImU32 Marker = IM_COL32(255, 170, 40, 255);
const ImU32 MarkerLine = IM_COL32(255, 170, 40, 120);
const ImU32 ReactionFill = IM_COL32(255, 170, 40, 40);
// The most ranges listed under the spectrum; the rest still shade the plot.
constexpr size_t MaxReactionRows = 6;
const ImU32 Bars = IM_COL32(80, 170, 230, 255);
const ImU32 BeatLine = IM_COL32(255, 255, 255, 22);
const ImU32 Waveform = IM_COL32(110, 195, 245, 210);
const ImU32 MusicBack = IM_COL32(0, 0, 0, 70);
const ImVec4 ErrorRed(1.0f, 0.35f, 0.3f, 1.0f);
const ImVec4 Dim(0.6f, 0.6f, 0.6f, 1.0f);

constexpr ImGuiWindowFlags PanelFlags = ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_NoMove |
                                        ImGuiWindowFlags_NoSavedSettings | ImGuiWindowFlags_NoFocusOnAppearing |
                                        ImGuiWindowFlags_NoNav;

// The spectrum is drawn in decibels: music's levels mostly lie far below 1, where a straight scale
// shows nothing. 1 is the top, MinDecibels the bottom.
constexpr float MinDecibels = -60.0f;

float LevelFraction(float value) {
    if (!(value > 0.0f) || !std::isfinite(value))
        return 0.0f;
    return std::clamp((20.0f * std::log10(value) - MinDecibels) / -MinDecibels, 0.0f, 1.0f);
}

// "440", "2.5k", "20k".
void FrequencyText(float hz, char* text, size_t size) {
    if (hz >= 1000.0f)
        std::snprintf(text, size, "%gk", static_cast<double>(hz / 1000.0f));
    else
        std::snprintf(text, size, "%g", static_cast<double>(hz));
}

// The waveform and the spectrum over time take a strip each under the bar numbers, as tall as this
// many lines of text, while the music's overview is there or being made.
constexpr float WaveformLines = 1.6f;
constexpr float MusicSpectrumLines = 2.2f;

bool ShowsMusic(const OverlayTimeline& line) {
    return line.musicPending || !line.waveLows.empty() || (line.spectrumColumns > 0 && line.spectrumRows > 0);
}

// A level of the spectrum over time (0 to 255) as a colour: quiet is dark and see-through, loud
// bright; from deep blue through the overlay's accent to warm white.
void SpectrumColour(uint8_t level, uint8_t* rgba) {
    struct Stop {
        float at, r, g, b, a;
    };
    static constexpr Stop Stops[] = {{0.0f, 10, 20, 60, 0},
                                     {0.35f, 30, 60, 160, 150},
                                     {0.65f, 60, 170, 235, 230},
                                     {0.85f, 240, 200, 90, 255},
                                     {1.0f, 255, 250, 230, 255}};
    const float t = static_cast<float>(level) / 255.0f;
    int i = 0;
    while (i + 2 < static_cast<int>(std::size(Stops)) && t > Stops[i + 1].at)
        ++i;
    const Stop& a = Stops[i];
    const Stop& b = Stops[i + 1];
    const float f = std::clamp((t - a.at) / (b.at - a.at), 0.0f, 1.0f);
    rgba[0] = static_cast<uint8_t>(a.r + (b.r - a.r) * f);
    rgba[1] = static_cast<uint8_t>(a.g + (b.g - a.g) * f);
    rgba[2] = static_cast<uint8_t>(a.b + (b.b - a.b) * f);
    rgba[3] = static_cast<uint8_t>(a.a + (b.a - a.a) * f);
}

} // namespace

std::unique_ptr<COverlayUi> COverlayUi::Create(CWindow& window, CGraphicsDevice& device) {
    CGLDevice* gl = dynamic_cast<CGLDevice*>(&device);
    CSDLWindow* sdl = dynamic_cast<CSDLWindow*>(&window);
    if (!gl || !sdl) {
        LOG("COverlayUi::Create", "The overlay draws only on the OpenGL device in an SDL window");
        return nullptr;
    }
    std::unique_ptr<COverlayUi> overlay(new COverlayUi(*sdl, *gl));
    if (!overlay->Init())
        return nullptr;
    return overlay;
}

COverlayUi::COverlayUi(CSDLWindow& window, CGLDevice& device) : window(window), device(device) {}

bool COverlayUi::Init() {
    IMGUI_CHECKVERSION();
    context = ImGui::CreateContext();
    ImGui::SetCurrentContext(context);
    ImGuiIO& io = ImGui::GetIO();
    io.IniFilename = nullptr; // nothing is kept between runs
    io.LogFilename = nullptr;
    sdlBackend = ImGui_ImplSDL2_InitForOpenGL(window.Handle(), SDL_GL_GetCurrentContext());
    glBackend = sdlBackend && ImGui_ImplOpenGL3_Init("#version 330");
    if (!glBackend) {
        LOG("COverlayUi::Create", "Failed to start the overlay's drawing");
        return false;
    }
    window.SetEventObserver([this](const SDL_Event& event) { OnEvent(event); });
    device.SetWindowOverlay([this](int width, int height) { RenderOverWindow(width, height); });
    return true;
}

COverlayUi::~COverlayUi() {
    device.SetWindowOverlay(nullptr);
    window.SetEventObserver(nullptr);
    if (!context)
        return;
    if (spectrumTexture)
        glDeleteTextures(1, &spectrumTexture);
    ImGui::SetCurrentContext(context);
    if (glBackend)
        ImGui_ImplOpenGL3_Shutdown();
    if (sdlBackend)
        ImGui_ImplSDL2_Shutdown();
    ImGui::DestroyContext(context);
    // The presentation runs without a cursor.
    SDL_ShowCursor(SDL_DISABLE);
}

void COverlayUi::SetShown(bool show) {
    shown = show;
    // The toolkit shows the cursor as it draws; hiding the overlay hides it again.
    if (!shown)
        SDL_ShowCursor(SDL_DISABLE);
}

void COverlayUi::OnEvent(const SDL_Event& event) {
    if (event.type == SDL_MOUSEMOTION) {
        pointerX = static_cast<float>(event.motion.x);
        pointerY = static_cast<float>(event.motion.y);
        pointerSeen = true;
    } else if (event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_LEAVE) {
        pointerSeen = false;
    }
    if (!shown)
        return;
    // The toolkit reads keys as held or not once a frame: a key let go in the frame it went down in
    // would never be seen (a quick Enter after typing a number). Its release waits for the next frame.
    if (event.type == SDL_KEYDOWN)
        keysDownThisFrame.push_back(event.key.keysym.scancode);
    if (event.type == SDL_KEYUP && std::find(keysDownThisFrame.begin(), keysDownThisFrame.end(),
                                             event.key.keysym.scancode) != keysDownThisFrame.end()) {
        deferredKeyUps.push_back(event);
        return;
    }
    ImGui::SetCurrentContext(context);
    ImGui_ImplSDL2_ProcessEvent(&event);
}

void COverlayUi::ReleaseDeferredKeys() {
    keysDownThisFrame.clear();
    std::vector<SDL_Event> releases;
    releases.swap(deferredKeyUps);
    ImGui::SetCurrentContext(context);
    for (const SDL_Event& event : releases)
        ImGui_ImplSDL2_ProcessEvent(&event);
}

float COverlayUi::ScaleFor(int windowWidth, int windowHeight) {
    const float s = std::min(static_cast<float>(windowWidth) / 1024.0f, static_cast<float>(windowHeight) / 768.0f);
    if (!(s > 0.0f))
        return 1.0f;
    return std::clamp(s, 0.75f, 4.0f);
}

void COverlayUi::ApplyScale(float newScale) {
    scale = newScale;
    ImGuiIO& io = ImGui::GetIO();
    io.Fonts->Clear();
    ImFontConfig config;
    config.OversampleH = 2;
    const float body = std::round(BodyPixels * scale), large = std::round(BodyPixels * LargeFactor * scale);
    if (const std::string font = InterfaceFontFile(); !font.empty()) {
        bodyFont = io.Fonts->AddFontFromFileTTF(font.c_str(), body, &config);
        largeFont = io.Fonts->AddFontFromFileTTF(font.c_str(), large, &config);
    }
    if (!bodyFont || !largeFont) {
        // The toolkit's own font, where the system's is missing.
        io.Fonts->Clear();
        config.SizePixels = body;
        bodyFont = io.Fonts->AddFontDefault(&config);
        config.SizePixels = large;
        largeFont = io.Fonts->AddFontDefault(&config);
    }
    io.FontDefault = bodyFont;
    // The font texture is made again on the next frame.
    ImGui_ImplOpenGL3_DestroyDeviceObjects();

    ImGuiStyle style;
    ImGui::StyleColorsDark(&style);
    style.WindowRounding = 6.0f;
    style.WindowBorderSize = 0.0f;
    style.FrameRounding = 3.0f;
    style.Colors[ImGuiCol_WindowBg] = ImVec4(0.05f, 0.06f, 0.08f, 0.80f);
    style.Colors[ImGuiCol_TableRowBgAlt] = ImVec4(1.0f, 1.0f, 1.0f, 0.04f);
    style.Colors[ImGuiCol_PlotLines] = ImVec4(0.35f, 0.78f, 1.0f, 1.0f);
    style.ScaleAllSizes(scale);
    ImGui::GetStyle() = style;
}

OverlayActions COverlayUi::Draw(const OverlayFrame& frame) {
    OverlayActions actions;
    pending = false;
    if (!shown && !frame.error.shown) {
        ReleaseDeferredKeys();
        return actions;
    }
    ImGui::SetCurrentContext(context);
    int windowWidth = 0, windowHeight = 0;
    SDL_GetWindowSize(window.Handle(), &windowWidth, &windowHeight);
    const float wanted = ScaleFor(windowWidth, windowHeight);
    if (std::fabs(wanted - scale) > 0.01f)
        ApplyScale(wanted);
    // An error shown over the hidden overlay leaves the cursor as the presentation has it.
    ImGuiIO& io = ImGui::GetIO();
    if (shown)
        io.ConfigFlags &= ~ImGuiConfigFlags_NoMouseCursorChange;
    else
        io.ConfigFlags |= ImGuiConfigFlags_NoMouseCursorChange;

    ImGui_ImplOpenGL3_NewFrame();
    ImGui_ImplSDL2_NewFrame();
    // The toolkit's backend asks the desktop where the pointer is, which some X servers answer with
    // a stale place while a button is held; the window's own motion events are always current.
    if (pointerSeen)
        io.MousePos = ImVec2(pointerX, pointerY);
    ImGui::NewFrame();
    if (shown) {
        float statusBottom = 0.0f;
        DrawStatus(frame, statusBottom);
        const float spectrumBottom = DrawSpectrum(frame.spectrum);
        const float margin = 8.0f * scale;
        const float timelineTop = io.DisplaySize.y - TimelineHeight(frame.timeline) - margin;
        DrawTimeline(frame.timeline, actions);
        DrawScenes(frame, statusBottom + margin, timelineTop - margin, actions);
        DrawInspector(frame.inspector, spectrumBottom + margin, timelineTop - margin, actions);
        DrawNotice(frame.notice, timelineTop - margin);
    }
    if (frame.error.shown)
        DrawError(frame.error);
    ImGui::Render();
    actions.wantsMouse = shown && io.WantCaptureMouse;
    actions.wantsKeyboard = shown && io.WantTextInput;
    ReleaseDeferredKeys(); // this frame saw them down
    pending = true;
    return actions;
}

void COverlayUi::RenderOverWindow(int width, int height) {
    if (pending) {
        UploadSpectrumTexture();
        ImGui::SetCurrentContext(context);
        ImGui_ImplOpenGL3_RenderDrawData(ImGui::GetDrawData());
        pending = false;
    }
    if (!keepPixels || width <= 0 || height <= 0)
        return;
    const size_t row = static_cast<size_t>(width) * 4;
    pixels.resize(row * static_cast<size_t>(height));
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    // GL rows run bottom-up.
    std::vector<uint8_t> swap(row);
    for (int y = 0; y < height / 2; ++y) {
        uint8_t* a = pixels.data() + static_cast<size_t>(y) * row;
        uint8_t* b = pixels.data() + static_cast<size_t>(height - 1 - y) * row;
        std::memcpy(swap.data(), a, row);
        std::memcpy(a, b, row);
        std::memcpy(b, swap.data(), row);
    }
    for (size_t i = 3; i < pixels.size(); i += 4)
        pixels[i] = 255;
    pixelsWidth = width;
    pixelsHeight = height;
}

bool COverlayUi::WindowPixels(std::vector<uint8_t>& rgba, int& width, int& height) const {
    if (pixels.empty())
        return false;
    rgba = pixels;
    width = pixelsWidth;
    height = pixelsHeight;
    return true;
}

void COverlayUi::DrawStatus(const OverlayFrame& frame, float& bottom) {
    const OverlayStatus& status = frame.status;
    const float margin = 8.0f * scale;
    ImGui::SetNextWindowPos(ImVec2(margin, margin));
    ImGui::SetNextWindowSizeConstraints(ImVec2(22.0f * ImGui::GetFontSize(), 0.0f), ImVec2(FLT_MAX, FLT_MAX));
    ImGui::Begin("##status", nullptr, PanelFlags | ImGuiWindowFlags_AlwaysAutoResize);
    ImGui::PushFont(largeFont);
    ImGui::TextUnformatted(status.position.c_str());
    ImGui::PopFont();
    ImGui::Text("%.2f s of %.2f s", static_cast<double>(status.seconds), static_cast<double>(status.length));
    ImGui::SameLine();
    if (status.paused)
        ImGui::TextColored(ImVec4(1.0f, 0.8f, 0.3f, 1.0f), "  Paused");
    else
        ImGui::TextColored(ImVec4(0.5f, 1.0f, 0.5f, 1.0f), "  Playing");
    ImGui::Text("%.0f fps   %.1f ms", static_cast<double>(status.framesPerSecond),
                static_cast<double>(status.lastFrameMs));
    if (status.frameTimes && status.frameTimeCount > 0) {
        float longest = 0.0f;
        for (int i = 0; i < status.frameTimeCount; ++i)
            longest = std::max(longest, status.frameTimes[i]);
        // A steady 60 Hz sits at half height; a spike stretches the scale.
        const float top = std::max(33.4f, longest);
        // The label goes beside the graph, where it hides none of it.
        ImGui::PlotLines("##frames", status.frameTimes, status.frameTimeCount,
                         std::clamp(status.frameTimeOldest, 0, status.frameTimeCount - 1), nullptr, 0.0f, top,
                         ImVec2(16.0f * ImGui::GetFontSize(), 3.0f * ImGui::GetFontSize()));
        ImGui::SameLine();
        ImGui::BeginGroup();
        ImGui::TextDisabled("up to");
        ImGui::TextDisabled("%.1f ms", static_cast<double>(longest));
        ImGui::EndGroup();
    }
    if (!status.loop.empty())
        ImGui::TextColored(ImVec4(1.0f, 0.82f, 0.25f, 1.0f), "Loop %s", status.loop.c_str());
    if (!status.loopCommand.empty()) {
        ImGui::PushStyleColor(ImGuiCol_Text, Dim);
        ImGui::PushTextWrapPos(ImGui::GetCursorPosX() + 32.0f * ImGui::GetFontSize());
        ImGui::TextWrapped("X copies: %s", status.loopCommand.c_str());
        ImGui::PopTextWrapPos();
        ImGui::PopStyleColor();
    }
    if (!status.camera.empty())
        ImGui::TextColored(ImGui::ColorConvertU32ToFloat4(Accent), "%s", status.camera.c_str());
    if (!status.help.empty()) {
        ImGui::PushStyleColor(ImGuiCol_Text, Dim);
        ImGui::TextUnformatted(status.help.c_str());
        ImGui::PopStyleColor();
    }
    bottom = ImGui::GetWindowPos().y + ImGui::GetWindowSize().y;
    ImGui::End();
}

void COverlayUi::DrawScenes(const OverlayFrame& frame, float top, float bottom, OverlayActions& actions) {
    if (bottom - top < 4.0f * ImGui::GetFontSize())
        return;
    const float margin = 8.0f * scale;
    ImGui::SetNextWindowPos(ImVec2(margin, top));
    ImGui::SetNextWindowSizeConstraints(ImVec2(22.0f * ImGui::GetFontSize(), 0.0f),
                                        ImVec2(ImGui::GetIO().DisplaySize.x * 0.5f, bottom - top));
    // The panel grows with its layers down to the time line, then scrolls (with the wheel over it), so
    // that two scenes at once are never cut off.
    constexpr ImGuiWindowFlags Scrolling =
        (PanelFlags & ~ImGuiWindowFlags_NoScrollbar) | ImGuiWindowFlags_AlwaysAutoResize;
    ImGui::Begin("##scenes", nullptr, Scrolling);
    if (frame.scenes.empty()) {
        ImGui::PushStyleColor(ImGuiCol_Text, Dim);
        ImGui::TextUnformatted("No scene runs now");
        ImGui::PopStyleColor();
    }
    for (size_t i = 0; i < frame.scenes.size(); ++i) {
        const OverlayScene& scene = frame.scenes[i];
        ImGui::PushID(static_cast<int>(i));
        if (i > 0)
            ImGui::Spacing();
        ImGui::TextColored(ImGui::ColorConvertU32ToFloat4(Accent), "%s", scene.name.c_str());
        ImGui::SameLine();
        ImGui::PushStyleColor(ImGuiCol_Text, Dim);
        ImGui::Text("  %s   %.2f s", scene.localPosition.c_str(), static_cast<double>(scene.localTime));
        ImGui::PopStyleColor();
        if (!scene.layers.empty() &&
            ImGui::BeginTable("##layers", 3, ImGuiTableFlags_RowBg | ImGuiTableFlags_SizingFixedFit)) {
            for (const OverlayLayer& layer : scene.layers) {
                ImGui::TableNextRow();
                // A layer that is off draws nothing: it is greyed out.
                if (!layer.active)
                    ImGui::PushStyleColor(ImGuiCol_Text, ImGui::GetStyleColorVec4(ImGuiCol_TextDisabled));
                ImGui::TableNextColumn();
                // The row opens the layer in the inspector; the arrow keys' place shows as a lighter row.
                if (layer.highlighted && !layer.inspected)
                    ImGui::PushStyleColor(ImGuiCol_Header, ImVec4(1.0f, 1.0f, 1.0f, 0.12f));
                if (ImGui::Selectable(layer.name.c_str(), layer.inspected || layer.highlighted,
                                      ImGuiSelectableFlags_SpanAllColumns)) {
                    actions.chosenScene = scene.index;
                    actions.chosenLayer = layer.name;
                }
                if (layer.highlighted && !layer.inspected)
                    ImGui::PopStyleColor();
                ImGui::TableNextColumn();
                ImGui::TextUnformatted(layer.type.c_str());
                ImGui::TableNextColumn();
                if (layer.renderTarget.empty())
                    ImGui::TextDisabled("(screen)"); // not a render target named Screen
                else
                    ImGui::TextUnformatted(layer.renderTarget.c_str());
                if (!layer.active)
                    ImGui::PopStyleColor();
            }
            ImGui::EndTable();
        }
        ImGui::PopID();
    }
    ImGui::End();
}

float COverlayUi::DrawSpectrum(const OverlaySpectrum& spectrum) {
    const ImVec2 display = ImGui::GetIO().DisplaySize;
    const float margin = 8.0f * scale, font = ImGui::GetFontSize();
    const float width = std::min(display.x * 0.42f, 40.0f * font);
    // Under the plot, one row per range that keyframes follow (as many as fit in a few rows).
    const size_t reactionRows = std::min<size_t>(spectrum.reactions.size(), MaxReactionRows);
    const float rowHeight = ImGui::GetTextLineHeightWithSpacing();
    const float listHeight = static_cast<float>(reactionRows) * rowHeight;
    const float height = std::min(display.y * 0.32f, width * 0.55f) + listHeight;
    ImGui::SetNextWindowPos(ImVec2(display.x - margin - width, margin));
    ImGui::SetNextWindowSize(ImVec2(width, height));
    ImGui::Begin("##spectrum", nullptr, PanelFlags);
    const float panelBottom = margin + height;
    ImGui::TextUnformatted("Spectrum");
    const std::span<const float> edges = spectrum.bandEdges;
    const int bands = edges.empty() ? 0 : static_cast<int>(edges.size()) - 1;
    const ImVec2 origin = ImGui::GetCursorScreenPos(), room = ImGui::GetContentRegionAvail();
    // Two rows of marker labels over the plot, a row of frequencies under it, levels on the left.
    const float labelRow = font * 1.1f;
    const float x0 = origin.x + ImGui::CalcTextSize("-40 dB").x + 0.4f * font, x1 = origin.x + room.x;
    const float y0 = origin.y + 2.0f * labelRow, y1 = origin.y + room.y - font * 1.3f - listHeight;
    ImDrawList* draw = ImGui::GetWindowDrawList();
    if (y1 - y0 < font || x1 - x0 < font) {
        ImGui::End();
        return panelBottom;
    }
    auto yOf = [&](float value) { return y1 - LevelFraction(value) * (y1 - y0); };
    draw->AddRectFilled(ImVec2(x0, y0), ImVec2(x1, y1), IM_COL32(0, 0, 0, 90));
    for (int db : {0, -20, -40}) {
        const float y = y1 - (static_cast<float>(db) - MinDecibels) / -MinDecibels * (y1 - y0);
        draw->AddLine(ImVec2(x0, y), ImVec2(x1, y), GridLine);
        char text[16];
        std::snprintf(text, sizeof text, "%d dB", db);
        draw->AddText(ImVec2(x0 - ImGui::CalcTextSize(text).x - 0.3f * font, y - 0.5f * font), LabelText, text);
    }

    float lastRight = -FLT_MAX;
    for (const OverlayFrequencyLabel& label : spectrum.labels) {
        const float x = x0 + label.at * (x1 - x0);
        draw->AddLine(ImVec2(x, y0), ImVec2(x, y1), GridLine);
        char text[16];
        FrequencyText(label.hz, text, sizeof text);
        const float textWidth = ImGui::CalcTextSize(text).x;
        const float left = std::min(x - textWidth * 0.5f, x1 - textWidth);
        if (left < lastRight + font * 0.5f)
            continue;
        draw->AddText(ImVec2(left, y1 + font * 0.15f), LabelText, text);
        lastRight = left + textWidth;
    }

    const int count = spectrum.values ? std::clamp(spectrum.count, 0, bands) : 0;
    for (int k = 0; k < count; ++k) {
        const size_t edge = static_cast<size_t>(k);
        const float left = x0 + edges[edge] * (x1 - x0);
        const float right = std::max(left + 1.0f, x0 + edges[edge + 1] * (x1 - x0));
        draw->AddRectFilled(ImVec2(left, yOf(spectrum.values[k])), ImVec2(std::min(right - 0.5f, x1), y1), Bars);
    }

    // The bands the keyframes follow, with their level now. Labels take the first of two rows with
    // room; where neither has room the band number alone is tried, then nothing.
    float rowRight[2] = {-FLT_MAX, -FLT_MAX};
    for (int band : spectrum.markedBands) {
        if (band < 0 || band >= bands)
            continue;
        const size_t edge = static_cast<size_t>(band);
        const float x = x0 + 0.5f * (edges[edge] + edges[edge + 1]) * (x1 - x0);
        float value = band < count ? spectrum.values[band] : 0.0f;
        if (!std::isfinite(value))
            value = 0.0f;
        draw->AddLine(ImVec2(x, y0), ImVec2(x, y1), MarkerLine, std::max(1.0f, scale));
        draw->AddCircleFilled(ImVec2(x, yOf(value)), 3.5f * scale, Marker);
        char full[32], brief[16];
        std::snprintf(full, sizeof full, "%d: %.3f", band, static_cast<double>(value));
        std::snprintf(brief, sizeof brief, "%d", band);
        bool placed = false;
        for (const char* text : {full, brief}) {
            const float textWidth = ImGui::CalcTextSize(text).x;
            const float left = std::clamp(x - textWidth * 0.5f, x0, x1 - textWidth);
            for (int row = 0; row < 2 && !placed; ++row) {
                if (left < rowRight[row] + 0.5f * font)
                    continue;
                draw->AddText(ImVec2(left, origin.y + labelRow * static_cast<float>(row)), Marker, text);
                rowRight[row] = left + textWidth;
                placed = true;
            }
            if (placed)
                break;
        }
    }
    DrawReactions(spectrum, reactionRows, x0, x1, y0, y1, origin.x, y1 + font * 1.3f);
    ImGui::End();
    return panelBottom;
}

void COverlayUi::DrawReactions(const OverlaySpectrum& spectrum, size_t rows, float x0, float x1, float y0, float y1,
                               float left, float top) {
    const std::span<const float> edges = spectrum.bandEdges;
    const int bands = edges.empty() ? 0 : static_cast<int>(edges.size()) - 1;
    const float font = ImGui::GetFontSize(), rowHeight = ImGui::GetTextLineHeightWithSpacing();
    ImDrawList* draw = ImGui::GetWindowDrawList();
    auto yOf = [&](float value) { return y1 - LevelFraction(value) * (y1 - y0); };
    for (size_t i = 0; i < spectrum.reactions.size(); ++i) {
        const OverlayReaction& reaction = spectrum.reactions[i];
        // The range over the plot, with its level now as a line across it: once for reactions that
        // share their bands.
        bool shaded = false;
        for (size_t j = 0; j < i && !shaded; ++j)
            shaded = spectrum.reactions[j].firstBand == reaction.firstBand &&
                     spectrum.reactions[j].lastBand == reaction.lastBand;
        if (!shaded && reaction.firstBand >= 0 && reaction.lastBand < bands &&
            reaction.firstBand <= reaction.lastBand) {
            const float from = x0 + edges[static_cast<size_t>(reaction.firstBand)] * (x1 - x0);
            const float to = std::max(from + 2.0f, x0 + edges[static_cast<size_t>(reaction.lastBand) + 1] * (x1 - x0));
            draw->AddRectFilled(ImVec2(from, y0), ImVec2(to, y1), ReactionFill);
            const float y = yOf(reaction.level);
            draw->AddLine(ImVec2(from, y), ImVec2(to, y), Marker, std::max(1.0f, 2.0f * scale));
        }
        if (i >= rows)
            continue;
        // The row: kind and range, the level now, and the value now (a bar for the 0-to-1 kinds).
        const float y = top + static_cast<float>(i) * rowHeight;
        char low[16], high[16], text[96];
        FrequencyText(reaction.low, low, sizeof low);
        FrequencyText(reaction.high, high, sizeof high);
        std::snprintf(text, sizeof text, "%s %s-%s Hz  level %.3f", reaction.kind.c_str(), low, high,
                      static_cast<double>(reaction.level));
        draw->AddText(ImVec2(left, y), LabelText, text);
        const float barLeft = std::max(left + ImGui::CalcTextSize(text).x + font, x1 - 8.0f * font);
        if (reaction.kind == "accumulate") {
            std::snprintf(text, sizeof text, "%.2f", static_cast<double>(reaction.value));
            draw->AddText(ImVec2(barLeft, y), Marker, text);
        } else {
            const float fill = std::clamp(std::isfinite(reaction.value) ? reaction.value : 0.0f, 0.0f, 1.0f);
            const float barTop = y + 0.2f * font, barBottom = y + 0.9f * font;
            draw->AddRectFilled(ImVec2(barLeft, barTop), ImVec2(x1, barBottom), IM_COL32(0, 0, 0, 90));
            draw->AddRectFilled(ImVec2(barLeft, barTop), ImVec2(barLeft + fill * (x1 - barLeft), barBottom), Marker);
        }
    }
}

void COverlayUi::DrawInspector(const OverlayInspector& inspector, float top, float bottom, OverlayActions& actions) {
    if (!inspector.open || bottom - top < 4.0f * ImGui::GetFontSize())
        return;
    const ImVec2 display = ImGui::GetIO().DisplaySize;
    const float margin = 8.0f * scale, font = ImGui::GetFontSize();
    const float width = std::min(display.x * 0.42f, 40.0f * font);
    ImGui::SetNextWindowPos(ImVec2(display.x - margin - width, top));
    ImGui::SetNextWindowSize(ImVec2(width, bottom - top));
    // Typing into a number needs the window's focus, so it may take it.
    constexpr ImGuiWindowFlags Flags = PanelFlags & ~ImGuiWindowFlags_NoFocusOnAppearing;
    ImGui::Begin("##inspector", nullptr, Flags);
    ImGui::PushFont(largeFont);
    ImGui::TextColored(ImGui::ColorConvertU32ToFloat4(Accent), "%s", inspector.layer.c_str());
    ImGui::PopFont();
    ImGui::SameLine();
    ImGui::PushStyleColor(ImGuiCol_Text, Dim);
    ImGui::Text("%s in %s", inspector.type.c_str(), inspector.scene.c_str());
    ImGui::PopStyleColor();
    ImGui::SameLine(ImGui::GetContentRegionMax().x - ImGui::CalcTextSize("Close").x -
                    2.0f * ImGui::GetStyle().FramePadding.x);
    if (ImGui::SmallButton("Close"))
        actions.close = true;

    const ImVec4 warning(1.0f, 0.7f, 0.25f, 1.0f);
    ImGui::PushTextWrapPos(0.0f);
    if (!inspector.writable)
        ImGui::TextColored(warning, "The data is a zip, which is read-only: edits show here but cannot be written.");
    if (!inspector.running)
        ImGui::TextColored(Dim, "The scene is not running: move the playhead into it to write a keyframe.");
    ImGui::PopTextWrapPos();
    if (inspector.hasEdits) {
        if (ImGui::Button("Write (Enter)"))
            actions.write = true;
        ImGui::SameLine();
        if (ImGui::Button("As keyframes (Shift+Enter)"))
            actions.writeKeyframes = true;
        ImGui::SameLine();
        if (ImGui::Button("Discard (Esc)"))
            actions.discard = true;
    } else {
        ImGui::PushTextWrapPos(0.0f);
        ImGui::TextDisabled("Drag a number (Ctrl+click to type it), then Enter writes it at the playhead.");
        ImGui::PopTextWrapPos();
    }
    ImGui::Separator();
    // The parameters scroll under the header, which keeps the buttons in sight.
    ImGui::BeginChild("##parameters", ImVec2(0.0f, 0.0f), false, ImGuiWindowFlags_NoNav);

    for (size_t i = 0; i < inspector.parameters.size(); ++i) {
        const OverlayParameter& parameter = inspector.parameters[i];
        ImGui::PushID(static_cast<int>(i));
        if (parameter.edited)
            ImGui::TextColored(warning, "%s (edited)", parameter.name.c_str());
        else
            ImGui::TextUnformatted(parameter.name.c_str());
        ImGui::SameLine();
        ImGui::TextDisabled("%s", parameter.type.c_str());
        if (parameter.keyframes > 0) {
            ImGui::SameLine();
            ImGui::TextDisabled(" %s, %d keyframe%s", parameter.kind.c_str(), parameter.keyframes,
                                parameter.keyframes == 1 ? "" : "s");
        }
        if (parameter.loneLine > 0) {
            ImGui::PushTextWrapPos(0.0f);
            ImGui::TextColored(warning, "A single keyframe (line %d) has no effect: it takes two keyframes.",
                               parameter.loneLine);
            ImGui::PopTextWrapPos();
        }
        if (parameter.components == 0) {
            ImGui::SameLine();
            ImGui::Text(" \"%s\"", parameter.word.c_str());
            ImGui::PopID();
            continue;
        }
        float value[4];
        std::copy(std::begin(parameter.value), std::end(parameter.value), value);
        ImGui::SetNextItemWidth(-FLT_MIN);
        bool changed = false;
        if (parameter.boolean) {
            bool on = value[0] >= 0.5f;
            if (ImGui::Checkbox("##value", &on)) {
                value[0] = on ? 1.0f : 0.0f;
                changed = true;
            }
        } else {
            // About a two-hundredth of the curve's range per pixel dragged; whole numbers step by one.
            float speed = parameter.whole ? 0.1f : std::max((parameter.high - parameter.low) / 200.0f, 0.001f);
            if (parameter.samples == 0)
                speed = std::max(std::fabs(value[0]) / 100.0f, 0.01f);
            changed = ImGui::DragScalarN("##value", ImGuiDataType_Float, value, parameter.components, speed, nullptr,
                                         nullptr, parameter.whole ? "%.0f" : "%.4g");
        }
        if (changed) {
            actions.tweaked = parameter.name;
            std::copy(std::begin(value), std::end(value), actions.tweakValue);
        }
        if (parameter.samples > 1)
            DrawCurve(parameter);
        ImGui::Spacing();
        ImGui::PopID();
    }
    ImGui::EndChild();
    ImGui::End();
}

void COverlayUi::DrawCurve(const OverlayParameter& parameter) {
    // The components in red, green, blue and white, as a colour's are.
    static const ImU32 Components[4] = {IM_COL32(255, 110, 100, 255), IM_COL32(120, 230, 120, 255),
                                        IM_COL32(110, 160, 255, 255), IM_COL32(230, 230, 230, 255)};
    const float font = ImGui::GetFontSize();
    const ImVec2 origin = ImGui::GetCursorScreenPos();
    const float width = ImGui::GetContentRegionAvail().x, height = 3.5f * font;
    ImGui::Dummy(ImVec2(width, height));
    if (width < 4.0f)
        return;
    ImDrawList* draw = ImGui::GetWindowDrawList();
    const float x0 = origin.x, x1 = origin.x + width, y0 = origin.y + 2.0f, y1 = origin.y + height - 2.0f;
    draw->AddRectFilled(ImVec2(x0, origin.y), ImVec2(x1, origin.y + height), IM_COL32(0, 0, 0, 90), 3.0f * scale);
    const float range = parameter.high - parameter.low;
    auto yOf = [&](float v) {
        if (!std::isfinite(v))
            v = parameter.low;
        return y1 - std::clamp((v - parameter.low) / range, 0.0f, 1.0f) * (y1 - y0);
    };
    auto xOf = [&](float at) { return x0 + std::clamp(at, 0.0f, 1.0f) * (x1 - x0); };
    if (parameter.low < 0.0f && parameter.high > 0.0f)
        draw->AddLine(ImVec2(x0, yOf(0.0f)), ImVec2(x1, yOf(0.0f)), GridLine);
    const int n = parameter.samples, c = parameter.components;
    if (parameter.curve.size() < static_cast<size_t>(n * c))
        return;
    std::vector<ImVec2> points(static_cast<size_t>(n));
    for (int k = 0; k < c; ++k) {
        for (int i = 0; i < n; ++i) {
            const float v = parameter.curve[static_cast<size_t>(k * n + i)];
            points[static_cast<size_t>(i)] =
                ImVec2(x0 + (x1 - x0) * static_cast<float>(i) / static_cast<float>(n - 1), yOf(v));
        }
        const ImU32 colour = c == 1 ? Accent : Components[k];
        draw->AddPolyline(points.data(), n, colour, 0, std::max(1.0f, 1.5f * scale));
        for (size_t key = 0; key < parameter.keyAt.size(); ++key) {
            const size_t at = key * static_cast<size_t>(c) + static_cast<size_t>(k);
            if (at < parameter.keyValue.size())
                draw->AddCircleFilled(ImVec2(xOf(parameter.keyAt[key]), yOf(parameter.keyValue[at])), 3.0f * scale,
                                      colour);
        }
    }
    const float x = xOf(parameter.playheadAt);
    draw->AddLine(ImVec2(x, origin.y), ImVec2(x, origin.y + height), Playhead, std::max(1.0f, scale));
    if (parameter.edited)
        for (int k = 0; k < c; ++k)
            draw->AddCircle(ImVec2(x, yOf(parameter.value[k])), 4.5f * scale, Marker, 0, std::max(1.0f, 1.5f * scale));
    char text[48];
    std::snprintf(text, sizeof text, "%.4g", static_cast<double>(parameter.high));
    draw->AddText(ImVec2(x0 + 0.2f * font, origin.y), LabelText, text);
    std::snprintf(text, sizeof text, "%.4g", static_cast<double>(parameter.low));
    draw->AddText(ImVec2(x0 + 0.2f * font, origin.y + height - font), LabelText, text);
}

float COverlayUi::TimelineHeight(const OverlayTimeline& timeline) const {
    const float font = ImGui::GetFontSize();
    const float lanes = static_cast<float>(std::max<size_t>(timeline.scenes.size(), 1));
    const float laneRoom = std::min(lanes * font * 1.35f, ImGui::GetIO().DisplaySize.y * 0.3f);
    const float musicRoom = ShowsMusic(timeline) ? font * (WaveformLines + MusicSpectrumLines) : 0.0f;
    return font * 1.6f + musicRoom + laneRoom + ImGui::GetStyle().WindowPadding.y * 2.0f;
}

void COverlayUi::DrawTimeline(const OverlayTimeline& line, OverlayActions& actions) {
    const ImVec2 display = ImGui::GetIO().DisplaySize;
    const float margin = 8.0f * scale, font = ImGui::GetFontSize();
    const float height = TimelineHeight(line);
    ImGui::SetNextWindowPos(ImVec2(margin, display.y - margin - height));
    ImGui::SetNextWindowSize(ImVec2(display.x - 2.0f * margin, height));
    ImGui::Begin("##timeline", nullptr, PanelFlags);
    const ImVec2 origin = ImGui::GetCursorScreenPos(), room = ImGui::GetContentRegionAvail();
    if (room.x < 2.0f || room.y < 2.0f) {
        ImGui::End();
        return;
    }
    // The program lays the next frame out for this strip: its width, and the widest bar number with
    // a gap, which sets how far apart numbers must be.
    char text[32];
    std::snprintf(text, sizeof text, "%d", line.widestBar);
    actions.strip = OverlayStrip{room.x, ImGui::CalcTextSize(text).x + font};
    const float left = origin.x, width = room.x;
    auto xAt = [&](float at) { return left + at * width; };

    // A click seeks, and so does every move of a drag; holding still does not seek again, which
    // would restart the sound over and over.
    // The program snaps the seek to beats, to bars with Alt, nowhere with Shift.
    ImGui::InvisibleButton("##strip", room);
    const ImGuiIO& io = ImGui::GetIO();
    const bool pressed = ImGui::IsItemActivated();
    if (pressed || (ImGui::IsItemActive() && io.MouseDelta.x != 0.0f)) {
        actions.seekAt = (io.MousePos.x - left) / width;
        actions.seekDragged = !pressed;
        actions.shiftHeld = io.KeyShift;
        actions.altHeld = io.KeyAlt;
    }

    ImDrawList* draw = ImGui::GetWindowDrawList();
    const float top = origin.y, bottom = origin.y + room.y;
    const float gridTop = top + font * 1.3f;
    const float lanesTop = ShowsMusic(line) ? gridTop + font * (WaveformLines + MusicSpectrumLines) : gridTop;
    if (lanesTop > gridTop)
        DrawMusic(line, left, width, gridTop, lanesTop - 0.15f * font);
    for (float at : line.beatLines) {
        const float x = xAt(at);
        draw->AddLine(ImVec2(x, gridTop), ImVec2(x, bottom), BeatLine);
    }
    for (const OverlayBarLine& bar : line.barLines) {
        const float x = xAt(bar.at);
        draw->AddLine(ImVec2(x, bar.labelled ? top : gridTop), ImVec2(x, bottom), bar.labelled ? BarLine : GridLine);
        if (bar.labelled) {
            std::snprintf(text, sizeof text, "%d", bar.bar);
            draw->AddText(ImVec2(x + 0.25f * font, top), LabelText, text);
        }
    }

    const size_t laneCount = std::max<size_t>(line.scenes.size(), 1);
    const float laneHeight = (bottom - lanesTop) / static_cast<float>(laneCount);
    for (const OverlayLane& lane : line.lanes) {
        if (lane.scene < 0 || static_cast<size_t>(lane.scene) >= line.scenes.size())
            continue;
        const float y0 = lanesTop + laneHeight * static_cast<float>(lane.scene) + 1.0f;
        const float y1 = y0 + laneHeight - 2.0f;
        const float x0 = xAt(lane.from), x1 = xAt(lane.to);
        const ImVec2 a(x0, y0), b(std::max(x1, x0 + 1.0f), y1);
        draw->AddRectFilled(a, b, lane.now ? IM_COL32(40, 120, 170, 235) : IM_COL32(55, 65, 80, 220), 3.0f * scale);
        if (lane.now)
            draw->AddRect(a, b, Accent, 3.0f * scale);
        if (laneHeight >= font) {
            draw->PushClipRect(a, b, true);
            const std::string& name = line.scenes[static_cast<size_t>(lane.scene)].name;
            draw->AddText(ImVec2(a.x + 0.3f * font, y0 + (laneHeight - 2.0f - font) * 0.5f), LabelText, name.c_str());
            draw->PopClipRect();
        }
    }

    const float loopStart = xAt(line.loopStartAt), loopEnd = xAt(line.loopEndAt);
    if (line.hasLoop)
        draw->AddRectFilled(ImVec2(loopStart, top), ImVec2(loopEnd, bottom), LoopFill);
    if (line.hasLoopStart)
        draw->AddLine(ImVec2(loopStart, top), ImVec2(loopStart, bottom), LoopEdge, 2.0f * scale);
    if (line.hasLoopEnd)
        draw->AddLine(ImVec2(loopEnd, top), ImVec2(loopEnd, bottom), LoopEdge, 2.0f * scale);

    const float x = xAt(line.playheadAt);
    draw->AddLine(ImVec2(x, top), ImVec2(x, bottom), Playhead, 2.0f * scale);
    const float notch = 0.45f * font;
    draw->AddTriangleFilled(ImVec2(x - notch, top), ImVec2(x + notch, top), ImVec2(x, top + notch), Playhead);
    ImGui::End();
}

void COverlayUi::DrawMusic(const OverlayTimeline& line, float left, float width, float top, float bottom) {
    ImDrawList* draw = ImGui::GetWindowDrawList();
    const float font = ImGui::GetFontSize();
    const float split = top + (bottom - top) * WaveformLines / (WaveformLines + MusicSpectrumLines);
    const float musicRight = left + std::clamp(line.musicEndAt, 0.0f, 1e4f) * width;
    draw->AddRectFilled(ImVec2(left, top), ImVec2(left + width, bottom), MusicBack);
    if (line.musicPending && line.waveLows.empty()) {
        draw->AddText(ImVec2(left + 0.4f * font, top + (split - top - font) * 0.5f), ImGui::GetColorU32(Dim),
                      "Reading the music...");
        return;
    }

    // One bar per pixel column, from its lowest sample to its highest, at least a pixel tall.
    const float middle = std::floor((top + split) * 0.5f), half = (split - top) * 0.5f - 1.0f;
    const size_t pixels = std::min(line.waveLows.size(), line.waveHighs.size());
    for (size_t x = 0; x < pixels; ++x) {
        const float low = std::clamp(line.waveLows[x], -1.0f, 1.0f), high = std::clamp(line.waveHighs[x], low, 1.0f);
        const float y0 = middle - high * half, y1 = std::max(middle - low * half, y0 + 1.0f);
        const float x0 = left + static_cast<float>(x);
        draw->AddRectFilled(ImVec2(x0, y0), ImVec2(std::min(x0 + 1.0f, musicRight), y1), Waveform);
    }

    PrepareSpectrumTexture(line);
    if (spectrumTexture && spectrumVersion == line.musicVersion && musicRight > left) {
        // Rows run from the lowest frequency up: the texture's first row goes at the bottom. Music
        // that outlasts the show is cut at the strip's end.
        draw->PushClipRect(ImVec2(left, top), ImVec2(left + width, bottom), true);
        draw->AddImage(reinterpret_cast<ImTextureID>(static_cast<intptr_t>(spectrumTexture)), ImVec2(left, split),
                       ImVec2(musicRight, bottom), ImVec2(0.0f, 1.0f), ImVec2(1.0f, 0.0f));
        draw->PopClipRect();
    }
}

void COverlayUi::PrepareSpectrumTexture(const OverlayTimeline& line) {
    if (line.musicVersion == spectrumVersion && spectrumTexture)
        return;
    const int columns = line.spectrumColumns, rows = line.spectrumRows;
    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
    if (columns <= 0 || rows <= 0 || columns > maxSize || rows > maxSize ||
        line.spectrum.size() != static_cast<size_t>(columns) * static_cast<size_t>(rows))
        return;
    spectrumPixels.resize(line.spectrum.size() * 4);
    for (size_t i = 0; i < line.spectrum.size(); ++i)
        SpectrumColour(line.spectrum[i], spectrumPixels.data() + i * 4);
    if (!spectrumTexture)
        glGenTextures(1, &spectrumTexture);
    spectrumWidth = columns;
    spectrumHeight = rows;
    spectrumVersion = line.musicVersion;
    spectrumUpload = true;
}

void COverlayUi::UploadSpectrumTexture() {
    if (!spectrumUpload || !spectrumTexture)
        return;
    spectrumUpload = false;
    // The device keeps its own bindings: what is changed here is put back.
    GLint activeTexture = 0, boundTexture = 0, unpackBuffer = 0, alignment = 0, rowLength = 0;
    glGetIntegerv(GL_ACTIVE_TEXTURE, &activeTexture);
    glActiveTexture(GL_TEXTURE0);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &boundTexture);
    glGetIntegerv(GL_PIXEL_UNPACK_BUFFER_BINDING, &unpackBuffer);
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    glGetIntegerv(GL_UNPACK_ROW_LENGTH, &rowLength);
    glBindBuffer(GL_PIXEL_UNPACK_BUFFER, 0);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glBindTexture(GL_TEXTURE_2D, spectrumTexture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, spectrumWidth, spectrumHeight, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 spectrumPixels.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(boundTexture));
    glPixelStorei(GL_UNPACK_ROW_LENGTH, rowLength);
    glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
    glBindBuffer(GL_PIXEL_UNPACK_BUFFER, static_cast<GLuint>(unpackBuffer));
    glActiveTexture(static_cast<GLenum>(activeTexture));
    // The pixels are on the card now.
    spectrumPixels.clear();
    spectrumPixels.shrink_to_fit();
}

void COverlayUi::DrawNotice(const std::string& notice, float bottom) {
    if (notice.empty())
        return;
    const ImVec2 display = ImGui::GetIO().DisplaySize;
    ImGui::SetNextWindowPos(ImVec2(display.x * 0.5f, bottom), ImGuiCond_Always, ImVec2(0.5f, 1.0f));
    ImGui::Begin("##notice", nullptr, PanelFlags | ImGuiWindowFlags_AlwaysAutoResize);
    ImGui::TextUnformatted(notice.c_str());
    ImGui::End();
}

void COverlayUi::DrawError(const OverlayError& error) {
    const ImVec2 display = ImGui::GetIO().DisplaySize;
    const float width = std::min(display.x * 0.6f, 48.0f * ImGui::GetFontSize());
    ImGui::SetNextWindowPos(ImVec2(display.x * 0.5f, display.y * 0.3f), ImGuiCond_Always, ImVec2(0.5f, 0.0f));
    ImGui::SetNextWindowSize(ImVec2(width, 0.0f)); // as tall as the message needs
    ImGui::PushStyleColor(ImGuiCol_WindowBg, ImVec4(0.16f, 0.03f, 0.03f, 0.92f));
    ImGui::PushStyleColor(ImGuiCol_Border, ErrorRed);
    ImGui::PushStyleVar(ImGuiStyleVar_WindowBorderSize, std::max(1.0f, 2.0f * scale));
    ImGui::Begin("##error", nullptr, PanelFlags);
    ImGui::PushFont(largeFont);
    ImGui::TextColored(ErrorRed, "The presentation did not load");
    ImGui::PopFont();
    if (error.line > 0)
        ImGui::Text("%s, line %d", error.file.c_str(), error.line);
    else
        ImGui::TextUnformatted(error.file.c_str());
    ImGui::Spacing();
    ImGui::PushTextWrapPos(0.0f);
    ImGui::TextUnformatted(error.message.c_str());
    ImGui::PopTextWrapPos();
    ImGui::Spacing();
    ImGui::PushStyleColor(ImGuiCol_Text, Dim);
    ImGui::TextUnformatted("Save the file again to retry.");
    ImGui::PopStyleColor();
    ImGui::End();
    ImGui::PopStyleVar();
    ImGui::PopStyleColor(2);
}
