#include "Platform/ui/CSettingsWindowUi.h"

#include "Base/CSettings.h"
#include "Base/Log.h"
#include "Base/StopRequest.h"
#include "Platform/Platform.h"

#include <SDL.h>
#include <epoxy/gl.h>
#include <imgui.h>
#include <imgui_impl_opengl3.h>
#include <imgui_impl_sdl.h>

#include <memory>

namespace {

constexpr int DialogWidth = 400;
constexpr int DialogHeight = 300;

void PushKey(SDL_Keycode key) {
    SDL_Event event{};
    event.type = SDL_KEYDOWN;
    event.key.state = SDL_PRESSED;
    event.key.keysym.sym = key;
    event.key.keysym.scancode = SDL_GetScancodeFromKey(key);
    SDL_PushEvent(&event);
    event.type = SDL_KEYUP;
    event.key.state = SDL_RELEASED;
    SDL_PushEvent(&event);
}

// One labelled drop-down list; returns nothing, changes the selection in place.
void ChoiceRow(const char* label, const char* id, const std::vector<std::string>& entries, int& selected) {
    ImGui::AlignTextToFramePadding();
    ImGui::TextUnformatted(label);
    ImGui::SameLine(120);
    ImGui::SetNextItemWidth(-1);
    if (ImGui::BeginCombo(id, CSettings::Selected(entries, selected).c_str())) {
        for (int i = 0; i < static_cast<int>(entries.size()); ++i) {
            bool isSelected = i == selected;
            if (ImGui::Selectable(entries[static_cast<size_t>(i)].c_str(), isSelected))
                selected = i;
            if (isSelected)
                ImGui::SetItemDefaultFocus();
        }
        ImGui::EndCombo();
    }
}

// Owns what the dialog made, so every return path releases it.
struct DialogWindow {
    SDL_Window* window = nullptr;
    SDL_GLContext context = nullptr;
    bool imgui = false, sdlBackend = false, glBackend = false;
    ~DialogWindow() {
        if (glBackend)
            ImGui_ImplOpenGL3_Shutdown();
        if (sdlBackend)
            ImGui_ImplSDL2_Shutdown();
        if (imgui)
            ImGui::DestroyContext();
        if (context)
            SDL_GL_DeleteContext(context);
        if (window)
            SDL_DestroyWindow(window);
    }
};

} // namespace

std::unique_ptr<CSettingsWindow> CreateSettingsWindow() { return std::make_unique<CSettingsWindowUi>(); }

void CSettingsWindowUi::PressEnter() { PushKey(SDLK_RETURN); }
void CSettingsWindowUi::PressEscape() { PushKey(SDLK_ESCAPE); }

bool CSettingsWindowUi::NoDisplay() const { return InitVideo() && !onFrame && IsHeadless(); }

SettingsWindowResult CSettingsWindowUi::Run(CSettings& dialog, const SettingsWindowTexts& texts) {
    if (!InitVideo())
        return SettingsWindowResult::Failed;
    if (NoDisplay())
        return SettingsWindowResult::NoDisplay;
    DialogWindow owned;

    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_MULTISAMPLEBUFFERS, 0);
    SDL_GL_SetAttribute(SDL_GL_MULTISAMPLESAMPLES, 0);
    owned.window = SDL_CreateWindow(texts.title.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, DialogWidth,
                                    DialogHeight, SDL_WINDOW_OPENGL | SDL_WINDOW_SHOWN);
    if (owned.window)
        owned.context = SDL_GL_CreateContext(owned.window);
    if (!owned.window || !owned.context) {
        LOG("CSettingsWindowUi::Run", "Failed to open the settings dialog: %s", SDL_GetError());
        return SettingsWindowResult::Failed;
    }
    SDL_GL_MakeCurrent(owned.window, owned.context);
    SDL_GL_SetSwapInterval(1);

    IMGUI_CHECKVERSION();
    ImGui::CreateContext();
    owned.imgui = true;
    ImGui::GetIO().IniFilename = nullptr; // the dialog keeps no settings between runs
    ImGui::StyleColorsDark();
    owned.sdlBackend = ImGui_ImplSDL2_InitForOpenGL(owned.window, owned.context);
    owned.glBackend = owned.sdlBackend && ImGui_ImplOpenGL3_Init("#version 330");
    if (!owned.glBackend) {
        LOG("CSettingsWindowUi::Run", "Failed to open the settings dialog: no drawing for it");
        return SettingsWindowResult::Failed;
    }

    enum class Choice { None, Ok, Cancel, Stop } choice = Choice::None;
    bool popupOpen = false;
    for (int frame = 0; choice == Choice::None; ++frame) {
        if (onFrame)
            onFrame(frame);
        if (StopRequested()) {
            choice = Choice::Stop;
            break;
        }
        SDL_Event event;
        while (SDL_PollEvent(&event)) {
            ImGui_ImplSDL2_ProcessEvent(&event);
            if (event.type == SDL_QUIT ||
                (event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_CLOSE))
                choice = Choice::Cancel;
            // While a list is open, Enter and Escape belong to it.
            if (event.type == SDL_KEYDOWN && !popupOpen && choice == Choice::None) {
                SDL_Keycode key = event.key.keysym.sym;
                if (key == SDLK_RETURN || key == SDLK_KP_ENTER)
                    choice = Choice::Ok;
                else if (key == SDLK_ESCAPE)
                    choice = Choice::Cancel;
            }
        }
        if (choice != Choice::None)
            break;

        ImGui_ImplOpenGL3_NewFrame();
        ImGui_ImplSDL2_NewFrame();
        ImGui::NewFrame();
        ImGui::SetNextWindowPos(ImVec2(0, 0));
        ImGui::SetNextWindowSize(ImGui::GetIO().DisplaySize);
        ImGui::Begin("##settings", nullptr,
                     ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_NoMove | ImGuiWindowFlags_NoSavedSettings);
        ImGui::TextUnformatted(texts.title.c_str());
        ImGui::Separator();
        ImGui::Spacing();
        ChoiceRow("Resolution", "##resolution", dialog.resolutions, dialog.resolutionIndex);
        ChoiceRow("Fullscreen", "##display", dialog.displayModes, dialog.displayModeIndex);
        ChoiceRow("Screen aspect", "##aspect", dialog.aspects, dialog.aspectIndex);
        ChoiceRow("Anti-alias", "##antialias", dialog.antiAliasLevels, dialog.antiAliasIndex);
        ImGui::AlignTextToFramePadding();
        ImGui::TextUnformatted("Volume");
        ImGui::SameLine(120);
        ImGui::SetNextItemWidth(-1);
        ImGui::SliderInt("##volume", &dialog.volumePosition, 0, CSettings::VolumeSliderMax, "");
        ImGui::SetCursorPosY(ImGui::GetWindowHeight() - ImGui::GetFrameHeightWithSpacing() - 8);
        float buttonWidth = (ImGui::GetContentRegionAvail().x - ImGui::GetStyle().ItemSpacing.x) / 2;
        if (ImGui::Button((texts.ok + "##ok").c_str(), ImVec2(buttonWidth, 0)))
            choice = Choice::Ok;
        ImGui::SameLine();
        if (ImGui::Button((texts.cancel + "##cancel").c_str(), ImVec2(buttonWidth, 0)))
            choice = Choice::Cancel;
        popupOpen = ImGui::IsPopupOpen("", ImGuiPopupFlags_AnyPopupId);
        ImGui::End();

        ImGui::Render();
        int w = 0, h = 0;
        SDL_GL_GetDrawableSize(owned.window, &w, &h);
        glViewport(0, 0, w, h);
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        ImGui_ImplOpenGL3_RenderDrawData(ImGui::GetDrawData());
        SDL_GL_SwapWindow(owned.window);
    }

    if (choice == Choice::Stop)
        return SettingsWindowResult::Interrupted;
    return choice == Choice::Ok ? SettingsWindowResult::Accepted : SettingsWindowResult::Cancelled;
}
