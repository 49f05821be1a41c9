// Loads the video encoder module on first use (see CreateVideoEncoder in Platform.h).
#include "Platform/Platform.h"
#include "Platform/video/CMissingVideoEncoder.h"

#include "Platform/win32/WideNames.h"

#include <mutex>

namespace {

using Factory = CVideoEncoder* (*)();

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

} // namespace

std::unique_ptr<CVideoEncoder> CreateVideoEncoder() {
    static std::once_flag loaded;
    static Factory factory = nullptr;
    static std::string failure;
    std::call_once(loaded, [] {
        const std::wstring path = ModulePath();
        // The module's own libraries (FFmpeg's) are looked for beside it first. No error box is shown
        // for a broken one: the reason goes to the export's message. Kept loaded to the end of the
        // process: encoders made by it may live until then.
        DWORD mode = 0;
        const bool quiet = SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &mode);
        const HMODULE module = LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
        const DWORD error = module ? 0 : GetLastError();
        if (quiet)
            SetThreadErrorMode(mode, nullptr);
        if (module)
            factory =
                reinterpret_cast<Factory>(reinterpret_cast<void*>(GetProcAddress(module, "QvCreateVideoEncoder")));
        if (!factory) {
            const std::string words = module ? std::string() : SystemMessage(error);
            failure = "cannot load the video encoder: '" + Utf8Name(path) + "'" +
                      (module ? " has no entry point" : ": " + words);
        }
    });
    if (!factory)
        return std::make_unique<CMissingVideoEncoder>(failure);
    return std::unique_ptr<CVideoEncoder>(factory());
}
