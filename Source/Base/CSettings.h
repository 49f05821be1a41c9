// The display and volume settings the viewer chooses before the presentation starts, and the settings
// dialog, CSettings: its lists, preselection and reading of the choices, kept apart from its drawing
// so that it can be tested without a display. The platform shows it (CSettingsWindow,
// Platform/CSettingsWindow.h); the application fills, shows and reads it (RunSettingsWindow,
// App/run/RunSettingsWindow.h).
#pragma once

#include <string>
#include <vector>

struct CommandLineOptions;

struct SettingsRecord {
    bool accepted = true;
    bool fullscreen = true;
    float aspect = 4.0f / 3.0f;
    int AAType = 4;
    int renderTargetSize = 1024;
    float volume = 1.0f;
    float width = 1024.0f;
    float height = 768.0f;
    std::string title = "Settings";
    std::string okText = "OK";
    std::string cancelText = "Cancel";
};

extern SettingsRecord Settings;

// The smallest power of two not below the larger of width and height, and never below 256.
int RenderTargetSizeFor(float width, float height);

// One display mode as the display reports it; modes differing only in refresh rate are one choice.
struct DisplayMode {
    int width = 0;
    int height = 0;
    int refreshRate = 0;
};

// Writes the command line's Width, Height, Windowed, Aspect, AntiAlias and Volume into the record:
// the values the presentation uses when the dialog is skipped, and the dialog's preselection
// otherwise. A size given without an aspect takes the aspect of that size.
void ApplyCommandLinePresets(const CommandLineOptions& options, SettingsRecord& record);

// The dialog's state: the four choice lists with their selected entries (-1 when none) and the volume
// slider. The drawing code shows these and changes only the selections and the slider.
class CSettings {
public:
    static constexpr int VolumeSliderMax = 1000;

    // Fills the lists from the display's modes in enumeration order, the desktop's size and the
    // anti-alias sample counts the driver supports, preselecting from the record (and from the
    // command line where it named a value).
    void Initialise(const std::vector<DisplayMode>& modes, int desktopWidth, int desktopHeight,
                    const std::vector<int>& supportedSampleCounts, const SettingsRecord& record,
                    const CommandLineOptions& options);

    // OK: reads every choice into the record and sets accepted.
    void Accept(SettingsRecord& record) const;
    // Cancel: clears accepted and changes nothing else.
    void Cancel(SettingsRecord& record) const;

    // The text of the selected entry of a list, or "" when nothing is selected.
    static const std::string& Selected(const std::vector<std::string>& list, int index);

    std::vector<std::string> resolutions;
    int resolutionIndex = -1;
    std::vector<std::string> displayModes;
    int displayModeIndex = -1;
    std::vector<std::string> aspects;
    int aspectIndex = -1;
    std::vector<std::string> antiAliasLevels;
    int antiAliasIndex = -1;
    int volumePosition = 0;
};
