// Loads the video module on first use (see CreateVideoEncoder in Platform.h).
#include "Platform/Desktop.h"
#include "Platform/Platform.h"
#include "Platform/video/CMissingVideoEncoder.h"
#include "Platform/video/CMissingVideoJoiner.h"
#include "Platform/video/ModuleObject.h"

#include <dlfcn.h>
#include <unistd.h>

#include <filesystem>
#include <mutex>

namespace {

// The module is looked for beside the running program (a build folder), then where an installed
// program's module lies (lib/quorin-vanto), wherever the program was started from.
std::string ModulePath() {
    const std::string folder = ProgramFolder();
    const std::filesystem::path base = folder.empty() ? std::filesystem::path(".") : std::filesystem::path(folder);
    const std::string beside = (base / QV_VIDEO_MODULE_NAME).string();
    const std::string installed = (base / QV_VIDEO_MODULE_DIR / QV_VIDEO_MODULE_NAME).string();
    return access(beside.c_str(), F_OK) == 0 || access(installed.c_str(), F_OK) != 0 ? beside : installed;
}

// The module's entry point `name`, or null with the reason in `failure`.
void* ModuleEntry(const char* name, std::string& failure) {
    static std::once_flag loaded;
    static void* module = nullptr;
    static std::string loadFailure;
    static std::string path;
    std::call_once(loaded, [] {
        path = ModulePath();
        // Kept loaded to the end of the process: objects made by it may live until then.
        module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        // dlerror's text names the file.
        if (!module) {
            const char* error = dlerror();
            loadFailure = error ? error : "'" + path + "' cannot be loaded";
        }
    });
    void* entry = module ? dlsym(module, name) : nullptr;
    if (!entry)
        failure = module ? "'" + path + "' has no entry point" : loadFailure;
    return entry;
}

} // namespace

std::unique_ptr<CVideoEncoder> CreateVideoEncoder() {
    std::string failure;
    void* entry = ModuleEntry("QvCreateVideoEncoder", failure);
    return MadeByModule<CVideoEncoder, CMissingVideoEncoder>(entry, failure);
}

std::unique_ptr<CVideoJoiner> CreateVideoJoiner() {
    std::string failure;
    void* entry = ModuleEntry("QvCreateVideoJoiner", failure);
    return MadeByModule<CVideoJoiner, CMissingVideoJoiner>(entry, failure);
}
