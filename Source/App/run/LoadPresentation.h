// Reads the script from the mounted data and parses it into a new presentation, logging each step
// and failure the way start-up reports them. Start-up uses it once; live reload again on a change.
#pragma once

#include <memory>
#include <string>

class CSystem;
struct CommandLineOptions;
struct PresentationLimits;
struct ScreenSetup;
struct SettingsRecord;

// What the command line lets a presentation take (MemoryLimit, IgnoreResourceErrors).
PresentationLimits LimitsFrom(const CommandLineOptions& options);
// The screen the settings record describes, which a presentation is created for.
ScreenSetup ScreenFrom(const SettingsRecord& record);

// The presentation parsed from the script `name`, or null when the script cannot be found, read or
// parsed; `failure` then holds the short text for the error box, and `stoppedAt`, when given, the
// script's line where parsing stopped (0 when it was not parsed), for an author to look at when the
// parser gave no message of its own.
std::unique_ptr<CSystem> LoadPresentation(const std::string& name, std::string& failure, int* stoppedAt = nullptr);
