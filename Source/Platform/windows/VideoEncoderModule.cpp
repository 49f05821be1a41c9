// Loads the video module on first use (see CreateVideoEncoder in Platform.h).
#include "Platform/Platform.h"
#include "Platform/video/CMissingVideoEncoder.h"
#include "Platform/video/CMissingVideoJoiner.h"

#include "Platform/win32/WideNames.h"

#include <mutex>

namespace {

// The module lies beside the running program, wherever the program was started from.
std::wstring ModulePath() {
    std::wstring self(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, self.data(), DWORD(self.size()));
        if (length == 0) {
            self.clear();
            break;
        }
        // A name that filled the room may have been cut short.
        if (length < self.size()) {
            self.resize(length);
            break;
        }
        self.resize(self.size() * 2);
    }
    const size_t slash = self.find_last_of(L"\\/");
    const std::wstring folder = slash == std::wstring::npos ? std::wstring(L".") : self.substr(0, slash);
    return folder + L"\\" + WideName(QV_VIDEO_MODULE_NAME);
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
