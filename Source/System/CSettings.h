// The display and volume settings the viewer chooses before the presentation starts, and the logic
// of the settings dialog (lists, preselection, reading the choices), kept apart from its drawing so
// that it can be tested without a display.
#pragma once

#include <string>

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
