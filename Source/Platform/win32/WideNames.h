// Names cross into the Win32 API as UTF-16 and come back as UTF-8, the program's encoding for every
// name and text, whatever code page the machine runs with; the system's error codes become its words.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <string>

// The UTF-16 form of a UTF-8 name; '/' is kept (the API takes both separators). Empty when `utf8` is
// not valid UTF-8 (`ok` then false), so that a mangled name never opens another file.
inline std::wstring WideName(const std::string& utf8, bool* ok = nullptr) {
    if (ok)
        *ok = true;
    if (utf8.empty())
        return {};
    const int length =
        MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    if (length <= 0) {
        if (ok)
            *ok = false;
        return {};
    }
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), static_cast<int>(utf8.size()), wide.data(), length);
    return wide;
}

// The UTF-8 form of a UTF-16 name (unpaired surrogates become U+FFFD).
inline std::string Utf8Name(const wchar_t* wide, size_t count) {
    if (count == 0)
        return {};
    const int length = WideCharToMultiByte(CP_UTF8, 0, wide, static_cast<int>(count), nullptr, 0, nullptr, nullptr);
    if (length <= 0)
        return {};
    std::string utf8(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide, static_cast<int>(count), utf8.data(), length, nullptr, nullptr);
    return utf8;
}
inline std::string Utf8Name(const std::wstring& wide) { return Utf8Name(wide.data(), wide.size()); }

// The system's words for an error code, in UTF-8, without the trailing line break and full stop, and
// with "it" for an insert the caller has no value for.
inline std::string SystemMessage(DWORD code) {
    wchar_t* text = nullptr;
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string message = length > 0 ? Utf8Name(text, length) : std::string();
    if (text)
        LocalFree(text);
    // Some texts name their subject as an insert ("%1 is not a valid Win32 application").
    for (size_t insert = message.find("%1"); insert != std::string::npos; insert = message.find("%1", insert))
        message.replace(insert, 2, "it");
    while (!message.empty() &&
           (message.back() == '\n' || message.back() == '\r' || message.back() == ' ' || message.back() == '.'))
        message.pop_back();
    if (message.empty())
        message = "system error " + std::to_string(code);
    return message;
}
