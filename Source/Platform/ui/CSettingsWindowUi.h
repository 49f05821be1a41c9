// The settings window drawn with Dear ImGui, in an SDL window with an OpenGL context of its own.
#pragma once

#include "Platform/CSettingsWindow.h"

#include <functional>

class CSettingsWindowUi final : public CSettingsWindow {
public:
    SettingsWindowResult Run(CSettings& dialog, const SettingsWindowTexts& texts) override;
    bool NoDisplay() const override;

    // Called once per shown frame with the frame number; tests use it to press keys. It also lets the
    // dialog run on a display that nobody can see.
    std::function<void(int frame)> onFrame;

    // Queues a key press as if typed into the dialog (for tests).
    static void PressEnter();
    static void PressEscape();
};
