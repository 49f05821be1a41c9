#include "Platform/NewFile.h"

#include "Platform/win32/WideNames.h"

#include <algorithm>

NewFileResult WriteNewFile(const std::string& path, const void* bytes, size_t size, std::string& error) {
    bool valid = true;
    const std::wstring wide = WideName(path, &valid);
    if (!valid || wide.empty()) {
        error = "cannot create '" + path + "': " + SystemMessage(ERROR_INVALID_NAME);
        return NewFileResult::Failed;
    }
    // CREATE_NEW refuses any name already there, a link (even a dangling one) included, and
    // FILE_FLAG_OPEN_REPARSE_POINT has no link followed on any account.
    const HANDLE file = CreateFileW(wide.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD code = GetLastError();
        if (code == ERROR_FILE_EXISTS || code == ERROR_ALREADY_EXISTS)
            return NewFileResult::Taken;
        // A folder at the name is refused as access denied.
        if (code == ERROR_ACCESS_DENIED && GetFileAttributesW(wide.c_str()) != INVALID_FILE_ATTRIBUTES)
            return NewFileResult::Taken;
        error = "cannot create '" + path + "': " + SystemMessage(code);
        return NewFileResult::Failed;
    }
    // A device's name (NUL, CON, COM1.png) opens the device, where the bytes would vanish unseen.
    if (GetFileType(file) != FILE_TYPE_DISK) {
        CloseHandle(file);
        error = "cannot create '" + path + "': the name is a device's, not a file's";
        return NewFileResult::Failed;
    }
    size_t done = 0;
    DWORD writeError = 0;
    while (done < size) {
        const DWORD wanted = DWORD(std::min<size_t>(size - done, size_t(1) << 30));
        DWORD written = 0;
        if (!WriteFile(file, static_cast<const char*>(bytes) + done, wanted, &written, nullptr)) {
            writeError = GetLastError();
            break;
        }
        if (written == 0) {
            writeError = ERROR_DISK_FULL;
            break;
        }
        done += written;
    }
    if (!CloseHandle(file) && writeError == 0)
        writeError = GetLastError();
    if (writeError != 0) {
        DeleteFileW(wide.c_str()); // ours: made above
        error = "cannot write '" + path + "': " + SystemMessage(writeError);
        return NewFileResult::Failed;
    }
    return NewFileResult::Created;
}
