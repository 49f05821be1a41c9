// What a process keeps from one run to the next: the command line as parsed, the settings record the
// dialog fills and the spectrum. Tests of the program's own stages reset it before and after.
#pragma once

#include "Base/CSettings.h"
#include "Base/CommandLine.h"
#include "Base/SpectrumBuffer.h"

#include <algorithm>

inline void ResetProcessState() {
    Options = CommandLineOptions();
    Settings = SettingsRecord();
    std::fill(std::begin(SpectrumBuffer), std::end(SpectrumBuffer), 0.0f);
}
