#include "App/run/SettingsDialog.h"

#include "Base/CSettings.h"
#include "Platform/Platform.h"

SettingsDialogResult RunSettingsDialog(CSettingsDialog& shown, SettingsRecord& record,
                                       const CommandLineOptions& options) {
    if (!InitVideo())
        return SettingsDialogResult::Failed;
    if (shown.NoDisplay())
        return SettingsDialogResult::NoDisplay;
    CSettings dialog;
    int desktopWidth = 0, desktopHeight = 0;
    DesktopSize(desktopWidth, desktopHeight);
    dialog.Initialise(GetDisplayModes(), desktopWidth, desktopHeight, SupportedSampleCounts(), record, options);
    const SettingsDialogResult result =
        shown.Run(dialog, SettingsDialogTexts{record.title, record.okText, record.cancelText});
    if (result == SettingsDialogResult::Accepted)
        dialog.Accept(record);
    else if (result == SettingsDialogResult::Cancelled)
        dialog.Cancel(record);
    return result;
}
