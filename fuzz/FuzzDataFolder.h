// A temporary data folder, mounted through PhysicsFS for the whole fuzzing process, into which each
// input is written as a file: the code under test then reads the fuzzer's bytes exactly as it reads
// a presentation's data. The folder is removed when the process exits.
#pragma once

#include "Base/Log.h"

#include <physfs.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

class FuzzDataFolder {
public:
    static FuzzDataFolder& Get() {
        static FuzzDataFolder folder;
        return folder;
    }

    // Replaces the file `name` with the bytes; false only when the folder cannot be written.
    bool Write(const std::string& name, const uint8_t* data, size_t size) {
        std::FILE* f = std::fopen((directory + "/" + name).c_str(), "wb");
        if (!f)
            return false;
        bool ok = size == 0 || std::fwrite(data, 1, size, f) == size;
        return std::fclose(f) == 0 && ok;
    }

private:
    FuzzDataFolder() {
        // The log stays off: writing every message to disk would only slow the fuzzer down.
        ResetLogForTests();
        // Memory-backed where the system has it, so the writes cost little.
        const char* base = std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : "/tmp";
        std::string pattern = std::string(base) + "/qv-fuzz-XXXXXX";
        if (!mkdtemp(pattern.data()) || !PHYSFS_init(nullptr) || !PHYSFS_mount(pattern.c_str(), nullptr, 1)) {
            std::fprintf(stderr, "cannot set up the fuzzing data folder %s\n", pattern.c_str());
            std::abort();
        }
        directory = pattern;
    }
    ~FuzzDataFolder() {
        PHYSFS_deinit();
        std::error_code ignored;
        std::filesystem::remove_all(directory, ignored);
    }

    std::string directory;
};
