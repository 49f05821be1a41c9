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

bool ReplaceFileContents(const std::string& path, const std::string& bytes, std::string& error) {
    bool valid = true;
    const std::wstring wide = WideName(path, &valid);
    const DWORD attributes = valid && !wide.empty() ? GetFileAttributesW(wide.c_str()) : INVALID_FILE_ATTRIBUTES;
    if (attributes == INVALID_FILE_ATTRIBUTES ||
        (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))) {
        error = "cannot replace '" + path + "': it is not a regular file";
        return false;
    }
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string temporary =
            path + "." + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(attempt) + ".tmp";
        const NewFileResult made = WriteNewFile(temporary, bytes.data(), bytes.size(), error);
        if (made == NewFileResult::Taken)
            continue;
        if (made == NewFileResult::Failed) {
            error = "cannot replace '" + path + "': " + error;
            return false;
        }
        // The new file takes the folder's permissions, as the old one did; MOVEFILE_WRITE_THROUGH
        // returns once the rename is on the disk.
        const std::wstring from = WideName(temporary);
        if (!MoveFileExW(from.c_str(), wide.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            const DWORD code = GetLastError();
            DeleteFileW(from.c_str()); // ours: made above
            error = "cannot replace '" + path + "': " + SystemMessage(code);
            return false;
        }
        return true;
    }
    error = "cannot replace '" + path + "': no free name for a temporary file beside it";
    return false;
}
