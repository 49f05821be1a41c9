// Loads the video module on first use (see CreateVideoEncoder in Platform.h).
#include "Platform/Platform.h"
#include "Platform/video/CMissingVideoEncoder.h"
#include "Platform/video/CMissingVideoJoiner.h"

#include <dlfcn.h>
#include <limits.h>
#include <unistd.h>

#include <mutex>

namespace {

// The module is looked for beside the running program (a build folder), then where an installed
// program's module lies (lib/quorin-vanto), wherever the program was started from.
std::string ModulePath() {
    char self[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    std::string folder = length > 0 ? std::string(self, static_cast<size_t>(length)) : std::string();
    const size_t slash = folder.rfind('/');
    folder = slash == std::string::npos ? std::string(".") : folder.substr(0, slash);
    const std::string beside = folder + "/" QV_VIDEO_MODULE_NAME;
    const std::string installed = folder + "/" QV_VIDEO_MODULE_DIR "/" QV_VIDEO_MODULE_NAME;
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
    auto factory = reinterpret_cast<CVideoEncoder* (*)()>(ModuleEntry("QvCreateVideoEncoder", failure));
    if (!factory)
        return std::make_unique<CMissingVideoEncoder>("cannot load the video encoder: " + failure);
    return std::unique_ptr<CVideoEncoder>(factory());
}

std::unique_ptr<CVideoJoiner> CreateVideoJoiner() {
    std::string failure;
    auto factory = reinterpret_cast<CVideoJoiner* (*)()>(ModuleEntry("QvCreateVideoJoiner", failure));
    if (!factory)
        return std::make_unique<CMissingVideoJoiner>("cannot load the video encoder: " + failure);
    return std::unique_ptr<CVideoJoiner>(factory());
}
