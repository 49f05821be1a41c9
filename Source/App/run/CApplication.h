// The program's start-up sequence and its run: command line, log, virtual file system, data path and
// script, one member per stage, so that later stages (device, resources, scenes, music, main loop)
// slot in after the script. Every failure logs its line, shows the error box and ends with status 1.
#pragma once

#include "App/authoring/CFailureCapture.h"

#include <memory>
#include <optional>
#include <string>

class CSystem;

class CApplication {
public:
    // Returns the process exit status: 0 after a run (or a Check) in which every stage succeeded.
    int Run(int argc, char** argv);

    // The version label logged at start and printed by --version.
    static constexpr const char* Version = "Test 2.0";
    static constexpr const char* BuildLabel = "Release";

private:
    // Handles --help and --version; true when the program should exit at once.
    bool HandleInformationArguments(int argc, char** argv);

    bool ParseArguments(int argc, char** argv); // stage 1
    void LogVersion();                          // stage 2
    bool InitFileSystem();                      // stage 3
    bool MountDataPath();                       // stage 4
    bool LoadScript();                          // stage 5: the presentation
    bool ResolveCaptureRange();                 // stage 6: bar:beat:tick ranges in the script's tempo

    // Logs nothing itself: shows the box for a stage that has logged its line, and returns false.
    bool Fail(const std::string& boxText);
    // Check, Capture and Join runs are unattended: no box waits for a click.
    bool Unattended() const;

    std::unique_ptr<CSystem> presentation;
    // With Watch, a script that fails waits in the window for a fix: what went wrong.
    std::optional<LoadFailure> scriptFailure;
};

// The program's entry point: runs one CApplication and returns the exit status; after a stop signal
// it does not return but ends by that signal.
int RunApplication(int argc, char** argv);
