// The program's command line: options written as words, values as words or quoted strings, read with
// the script's own tokeniser. On Linux the text is built from argv by BuildCommandLineText.
#pragma once

#include "Base/CMusicalTime.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

struct CommandLineOptions {
    bool SkipSettings = false;
    bool DebugKeys = false;
    bool Watch = false; // live reload: the data is watched and the presentation rebuilt on a change
    bool Log = false;
    bool IgnoreResourceErrors = false;
    bool Check = false;
    bool Windowed = false;
    std::string DataPath = "data";
    std::string Config = "Config.txt";

    // Initial values of the settings record; a value < 0 means "not given".
    float Width = -1.0f;
    float Height = -1.0f;
    float Aspect = -1.0f;
    int AntiAlias = -1;
    float Volume = -1.0f;

    // Offline capture into numbered PNG files, or a video file when the name ends in .mp4 or .mkv;
    // empty means no capture.
    std::string Capture;
    float CaptureFps = 60.0f;
    float CaptureStart = 0.0f;
    float CaptureEnd = -1.0f; // < 0: the length of the music or the end of the last scene
    int CaptureQuality = 18;  // a video's constant rate factor: 0 (lossless) to 51
    // A start or end given as bar:beat:tick, kept as written: the command line is read before the
    // script whose tempo gives it a time (ResolveCaptureTimes).
    std::optional<BarBeatTick> CaptureStartBars, CaptureEndBars;
    // CapturePart <i> <n>: only part i (counted from 1) of the range cut into n; 0 for the whole.
    int CapturePart = 0, CaptureParts = 0;
    // With Capture: every frame is drawn and read back as the capture would, and then dropped:
    // nothing is written. The summary then says how fast drawing alone is.
    bool DrawOnly = false;

    // Join <out> <part...>: the video the parts are joined into, and the parts; empty means no join.
    std::string Join;
    std::vector<std::string> JoinParts;

    // What one presentation's resources, layers and music may take, in MiB (CMemoryBudget).
    int MemoryLimit = 2048;
};

extern CommandLineOptions Options;

// Parses the command-line text (the arguments only) into Options. Returns false on any error; messages
// reach the log only once the Log option has been read, and errors in option values are also written
// to standard error.
bool ParseCommandLine(const char* text, size_t length);

// Gives CaptureStart and CaptureEnd given as bar:beat:tick their seconds in the script's `tempo`, and
// checks the range once both are known. False with the message (also logged) for a beat or tick
// past its bar or beat, or an end not after the start.
bool ResolveCaptureTimes(const CMusicalTime& tempo, std::string& error);

// Builds the command-line text from argv (argv[0], the program, is skipped): words made of letters,
// digits and "._-+" that begin with a letter as they stand; anything else (numbers included) in double
// quotes. Returns false (with a message in `error`) for an argument holding a double quote,
// which the command line has no way to carry.
bool BuildCommandLineText(int argc, const char* const* argv, std::string& text, std::string& error);

// The usage text printed by --help.
const char* CommandLineUsage();
