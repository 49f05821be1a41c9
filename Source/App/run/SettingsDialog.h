// The settings dialog's run from the application's side: fills the dialog's lists from the display,
// the driver and the record (with the command line's presets), shows it, and reads the viewer's
// choice into the record.
#pragma once

#include "Platform/ui/CSettingsDialog.h"

struct CommandLineOptions;
struct SettingsRecord;

// Accepted: `record` holds the choices. Cancelled: only its `accepted` changed. NoDisplay and Failed:
// the record is untouched.
SettingsDialogResult RunSettingsDialog(CSettingsDialog& shown, SettingsRecord& record,
                                       const CommandLineOptions& options);
