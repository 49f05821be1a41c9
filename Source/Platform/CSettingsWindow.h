// What a platform provides to show the settings dialog, CSettings (Base/CSettings.h): a small window
// of its own, shown before the presentation's window exists, that draws CSettings' lists and lets the
// viewer change the selections. It only shows them and says what the viewer chose: filling the lists
// and reading the choices into the settings record are the application's (RunSettingsWindow,
// App/run/RunSettingsWindow.h). Enter is OK, Escape (or closing it) is Cancel; a stop request
// (Base/StopRequest.h) ends it at the next frame. CreateSettingsWindow (Platform.h) makes one.
#pragma once

#include <string>

class CSettings;

// The window's title and button captions (the script's system block may set them).
struct SettingsWindowTexts {
    std::string title = "Settings";
    std::string ok = "OK";
    std::string cancel = "Cancel";
};

enum class SettingsWindowResult {
    Accepted,    // OK
    Cancelled,   // Cancel
    NoDisplay,   // nothing to show it on
    Failed,      // the window or its drawing could not be made (logged)
    Interrupted, // SIGINT or SIGTERM arrived while it was shown
};

class CSettingsWindow {
public:
    virtual ~CSettingsWindow() = default;

    // Runs the dialog modally over the lists in `dialog`, whose selections the viewer changes.
    virtual SettingsWindowResult Run(CSettings& dialog, const SettingsWindowTexts& texts) = 0;
    // True when Run would find nothing to show the dialog on.
    virtual bool NoDisplay() const = 0;
};
