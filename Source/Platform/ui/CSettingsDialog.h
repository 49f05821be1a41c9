// The settings dialog on screen: a small window of its own, shown before the presentation's window
// exists, drawing CSettings' lists with Dear ImGui and letting the viewer change the selections. It
// only draws and says what the viewer chose: filling the lists and reading the choices into the
// settings record are the caller's. Enter is OK, Escape (or closing it) is Cancel; a stop request
// (Base/StopRequest.h) ends it at the next frame.
#pragma once

#include <functional>
#include <string>

class CSettings;

// The dialog's title and button captions (the script's system block may set them).
struct SettingsDialogTexts {
    std::string title = "Settings";
    std::string ok = "OK";
    std::string cancel = "Cancel";
};

enum class SettingsDialogResult {
    Accepted,    // OK
    Cancelled,   // Cancel
    NoDisplay,   // nothing to show it on
    Failed,      // the window or its drawing could not be made (logged)
    Interrupted, // SIGINT or SIGTERM arrived while it was shown
};

class CSettingsDialog {
public:
    // Runs the dialog modally over the lists in `dialog`, whose selections the viewer changes.
    SettingsDialogResult Run(CSettings& dialog, const SettingsDialogTexts& texts);
    // True when Run would find nothing to show the dialog on.
    bool NoDisplay() const;

    // Called once per shown frame with the frame number; tests use it to press keys. It also lets the
    // dialog run on a display that nobody can see.
    std::function<void(int frame)> onFrame;

    // Queues a key press as if typed into the dialog (for tests).
    static void PressEnter();
    static void PressEscape();
};
