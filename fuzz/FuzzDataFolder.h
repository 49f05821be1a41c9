// The data folder a fuzzing process writes each input into, mounted through PhysicsFS for the whole
// process, so that the code under test reads the fuzzer's bytes exactly as it reads a presentation's
// data. The log stays off: writing every message to disk would only slow the fuzzer down.
#pragma once

#include "Base/Log.h"
#include "Testing/TempFolder.h"

#include <cstdio>
#include <cstdlib>

inline TempFolder& FuzzDataFolder() {
    static TempFolder folder(TempFolder::Mounted);
    static const bool ready = [] {
        ResetLogForTests();
        return folder.Ready();
    }();
    if (!ready) {
        std::fprintf(stderr, "cannot set up the fuzzing data folder\n");
        std::abort();
    }
    return folder;
}
