// The settings dialog's run from the application's side: fills CSettings' lists from the display, the
// driver and the record (with the command line's presets), shows it in the platform's settings
// window, and reads the viewer's choice into the record.
#pragma once

#include "Platform/CSettingsWindow.h"

struct CommandLineOptions;
struct SettingsRecord;

// Accepted: `record` holds the choices. Cancelled: only its `accepted` changed. NoDisplay and Failed:
// the record is untouched.
SettingsWindowResult RunSettingsWindow(CSettingsWindow& window, SettingsRecord& record,
                                       const CommandLineOptions& options);
