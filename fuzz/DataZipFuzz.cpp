// Feeds arbitrary bytes as the data zip: the screen must return, an archive it passes must mount,
// and every file of the mounted archive must read (or fail) within its limits.
#include "Base/DataFile.h"
#include "Base/DataPaths.h"
#include "Base/DataZip.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// Folders as deep as the screen lets an archive's names go, and a few more: an odd name may make a
// folder list itself, which the program never does (it reads by name) but a walk would follow.
void ReadAll(const std::string& folder, int& budget, int depth = 0) {
    if (depth > 40)
        return;
    const std::vector<std::string> names = DataPaths().List(folder);
    for (auto name = names.begin(); name != names.end() && budget > 0; ++name, --budget) {
        const std::string path = folder.empty() ? *name : folder + "/" + *name;
        if (StatDataFile(path) == DataFileResult::Folder) {
            ReadAll(path, budget, depth + 1);
            continue;
        }
        std::vector<uint8_t> bytes;
        ReadDataFile(path, bytes, int64_t(1) << 20);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = "/tmp/qv-fuzz-data-" + std::to_string(getpid()) + ".zip";
    if (!DataPaths().Start())
        std::abort();
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file || std::fwrite(data, 1, size, file) != size || std::fclose(file) != 0)
        std::abort();
    std::string reason;
    if (MountDataZip(path, reason)) {
        int budget = 256;
        ReadAll("", budget);
        if (!UnmountDataZip(path, reason))
            std::abort();
    }
    return 0;
}
