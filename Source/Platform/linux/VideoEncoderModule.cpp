// Loads the video encoder module on first use (see CreateVideoEncoder in Platform.h).
#include "Platform/Platform.h"
#include "Platform/video/CMissingVideoEncoder.h"

#include <dlfcn.h>
#include <limits.h>
#include <unistd.h>

#include <mutex>

namespace {

using Factory = CVideoEncoder* (*)();

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

} // namespace

std::unique_ptr<CVideoEncoder> CreateVideoEncoder() {
    static std::once_flag loaded;
    static Factory factory = nullptr;
    static std::string failure;
    std::call_once(loaded, [] {
        const std::string path = ModulePath();
        // Kept loaded to the end of the process: encoders made by it may live until then.
        void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        const char* error = module ? nullptr : dlerror();
        if (module)
            factory = reinterpret_cast<Factory>(dlsym(module, "QvCreateVideoEncoder"));
        // dlerror's text names the file.
        if (!factory)
            failure =
                "cannot load the video encoder: " + (error ? std::string(error) : "'" + path + "' has no entry point");
    });
    if (!factory)
        return std::make_unique<CMissingVideoEncoder>(failure);
    return std::unique_ptr<CVideoEncoder>(factory());
}
