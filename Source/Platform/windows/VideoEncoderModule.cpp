// Loads the video module on first use (see CreateVideoEncoder in Platform.h).
#include "Platform/Desktop.h"
#include "Platform/Platform.h"
#include "Platform/video/CMissingVideoEncoder.h"
#include "Platform/video/CMissingVideoJoiner.h"
#include "Platform/video/ModuleObject.h"

#include "Platform/win32/WideNames.h"

#include <mutex>

namespace {

// The module lies beside the running program, wherever the program was started from.
std::wstring ModulePath() {
    const std::string folder = ProgramFolder();
    return (folder.empty() ? std::wstring(L".") : WideName(folder)) + L"\\" + WideName(QV_VIDEO_MODULE_NAME);
}

// The module's entry point `name`, or null with the reason in `failure`.
void* ModuleEntry(const char* name, std::string& failure) {
    static std::once_flag loaded;
    static HMODULE module = nullptr;
    static std::string loadFailure;
    static std::wstring path;
    std::call_once(loaded, [] {
        path = ModulePath();
        // The module's own libraries (FFmpeg's) are looked for beside it first. No error box is shown
        // for a broken one: the reason goes to the export's message. Kept loaded to the end of the
        // process: objects made by it may live until then.
        DWORD mode = 0;
        const bool quiet = SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &mode);
        module = LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
        const DWORD error = module ? 0 : GetLastError();
        if (quiet)
            SetThreadErrorMode(mode, nullptr);
        if (!module)
            loadFailure = "'" + Utf8Name(path) + "': " + SystemMessage(error);
    });
    void* entry = module ? reinterpret_cast<void*>(GetProcAddress(module, name)) : nullptr;
    if (!entry)
        failure = module ? "'" + Utf8Name(path) + "' has no entry point" : loadFailure;
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
