// The settings dialog on screen: a small window of its own, shown before the presentation's window
// exists, drawing CSettings' lists with Dear ImGui. Enter is OK, Escape (or closing it) is Cancel.
#pragma once

#include <functional>

class CSettings;
struct CommandLineOptions;
struct SettingsRecord;

enum class SettingsDialogResult {
    Accepted,  // OK: the record holds the choices
    Cancelled, // Cancel: only `accepted` changed
    NoDisplay, // nothing to show it on; the record is untouched
    Failed,    // the window or its drawing could not be made (logged)
};

class CSettingsDialog {
public:
    // Runs the dialog modally. `dialog` receives the lists built from the display; `record` gets the
    // result of OK or Cancel.
    SettingsDialogResult Run(CSettings& dialog, SettingsRecord& record, const CommandLineOptions& options);

    // Called once per shown frame with the frame number; tests use it to press keys. It also lets the
    // dialog run on a display that nobody can see.
    std::function<void(int frame)> onFrame;

    // Queues a key press as if typed into the dialog (for tests).
    static void PressEnter();
    static void PressEscape();
};
