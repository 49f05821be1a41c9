#include "App/run/RunSettingsWindow.h"

#include "Base/CSettings.h"
#include "Platform/Platform.h"

SettingsWindowResult RunSettingsWindow(CSettingsWindow& window, SettingsRecord& record,
                                       const CommandLineOptions& options) {
    if (!InitVideo())
        return SettingsWindowResult::Failed;
    if (window.NoDisplay())
        return SettingsWindowResult::NoDisplay;
    CSettings dialog;
    int desktopWidth = 0, desktopHeight = 0;
    DesktopSize(desktopWidth, desktopHeight);
    dialog.Initialise(GetDisplayModes(), desktopWidth, desktopHeight, SupportedSampleCounts(), record, options);
    const SettingsWindowResult result =
        window.Run(dialog, SettingsWindowTexts{record.title, record.okText, record.cancelText});
    if (result == SettingsWindowResult::Accepted)
        dialog.Accept(record);
    else if (result == SettingsWindowResult::Cancelled)
        dialog.Cancel(record);
    return result;
}
