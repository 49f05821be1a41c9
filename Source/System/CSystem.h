// The script's top level: the system settings (title, music, tempo, spectrum switch) and the musical
// time base that turns bar:beat:tick literals into seconds. The resource registry lives with
// CResourceManager and the scene list with CSceneManager.
#pragma once

#include <string>

class CTokeniser;

class CSystem {
public:
    // Parses the whole script up to the word `end`.
    bool LoadFromTokeniser(CTokeniser& tokeniser);
    // Parses one `system` block after its keyword.
    bool LoadSystemBlockFromTokeniser(CTokeniser& tokeniser);

    // Back to the defaults (for tests that parse several scripts in one process).
    void Reset();

    std::string AppName = "Test";
    std::string Music;
    bool SpectrumEnabled = false;
    float Bpm = 120.0f;
    int Beats = 4;
    int Ticks = 96;
    float DebugStartTime = 0.0f;
};

extern CSystem System;

// Converts a time literal with the tempo in force; false when beat >= Beats or tick >= Ticks.
bool MusicalTimeToSeconds(int bar, int beat, int tick, float& seconds);
