#include "Platform/Desktop.h"

#include "Platform/win32/WideNames.h"

bool DesktopReachable() { return true; }

// Segoe UI on every Windows since Vista; Tahoma and Arial before it and on trimmed installs.
std::string InterfaceFontFile() {
    wchar_t windows[MAX_PATH];
    const UINT length = GetWindowsDirectoryW(windows, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return {};
    for (const wchar_t* name : {L"segoeui.ttf", L"tahoma.ttf", L"arial.ttf"}) {
        const std::wstring font = std::wstring(windows, length) + L"\\Fonts\\" + name;
        const DWORD attributes = GetFileAttributesW(font.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY))
            return Utf8Name(font);
    }
    return {};
}

std::string ProgramFolder() {
    std::wstring self(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, self.data(), DWORD(self.size()));
        if (length == 0)
            return std::string();
        // A name that filled the room may have been cut short.
        if (length < self.size()) {
            self.resize(length);
            break;
        }
        self.resize(self.size() * 2);
    }
    const size_t slash = self.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::string() : Utf8Name(self.substr(0, slash));
}
