// The data layer's file system calls on Windows, over the wide Win32 API.
//
// Windows has no openat: a data folder's name is opened part by part through full paths, each folder
// on the way held open without FILE_SHARE_DELETE, so that it cannot be renamed, removed or swapped
// for a link until the next part is open. Its file systems ignore letter case, so each part's
// spelling on disk is compared with the name's, as a case-sensitive file system would.
#include "Platform/NativeFile.h"

#include "Platform/win32/WideNames.h"

#include <algorithm>
#include <cwchar>
#include <fcntl.h>
#include <io.h>
#include <utility>
#include <vector>

namespace {

HANDLE Native(intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

// Closes the handle it holds when it goes.
class CHandle {
public:
    explicit CHandle(HANDLE handle = INVALID_HANDLE_VALUE) : handle(handle) {}
    ~CHandle() { Reset(); }
    CHandle(CHandle&& other) noexcept : handle(other.Release()) {}
    CHandle(const CHandle&) = delete;
    CHandle& operator=(const CHandle&) = delete;

    bool IsOpen() const { return handle != INVALID_HANDLE_VALUE; }
    HANDLE Get() const { return handle; }
    HANDLE Release() { return std::exchange(handle, INVALID_HANDLE_VALUE); }
    void Reset(HANDLE other = INVALID_HANDLE_VALUE) {
        if (IsOpen())
            CloseHandle(handle);
        handle = other;
    }

private:
    HANDLE handle;
};

// Whether a reparse point stands for another name: a symbolic link, a junction, a mount point. Other
// reparse points (a file of a cloud drive's folder, a deduplicated file) keep their own data behind a
// driver and are the files they look like.
bool IsLinkTag(DWORD tag) { return IsReparseTagNameSurrogate(tag); }

// Whether the open handle is a link itself (opened with FILE_FLAG_OPEN_REPARSE_POINT); a reparse
// point whose tag cannot be read counts as one.
bool IsLink(HANDLE handle, DWORD attributes) {
    if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return false;
    FILE_ATTRIBUTE_TAG_INFO tag{};
    return !GetFileInformationByHandleEx(handle, FileAttributeTagInfo, &tag, sizeof tag) || IsLinkTag(tag.ReparseTag);
}

bool SameFile(const BY_HANDLE_FILE_INFORMATION& a, const BY_HANDLE_FILE_INFORMATION& b) {
    return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
           a.nFileIndexLow == b.nFileIndexLow;
}

// Whether Windows would read a part of a data name as something other than the file of that name:
// "." and "..", an alternate stream ("a:b"), a name it trims ("a." and "a "), a device (CON, NUL,
// COM1.txt), a second separator, a wildcard, or a character no Windows name may hold.
bool IsSpecialPart(const std::wstring& part) {
    if (part.empty() || part == L"." || part == L".." || part.back() == L'.' || part.back() == L' ')
        return true;
    for (const wchar_t c : part)
        if (c < 32 || std::wcschr(L"<>:\"/\\|?*", c))
            return true;
    // A device's name is one whatever follows its first dot, and whatever spaces end it.
    std::wstring stem = part.substr(0, part.find(L'.'));
    while (!stem.empty() && stem.back() == L' ')
        stem.pop_back();
    for (wchar_t& c : stem)
        if (c >= L'a' && c <= L'z')
            c = wchar_t(c - L'a' + L'A');
    if (stem == L"CON" || stem == L"PRN" || stem == L"AUX" || stem == L"NUL" || stem == L"CONIN$" || stem == L"CONOUT$")
        return true;
    // COM0 to COM9 and LPT0 to LPT9, the superscript digits one, two and three included.
    const bool numbered = stem.size() == 4 && (stem.compare(0, 3, L"COM") == 0 || stem.compare(0, 3, L"LPT") == 0);
    return numbered && ((stem[3] >= L'0' && stem[3] <= L'9') || stem[3] == L'\u00b9' || stem[3] == L'\u00b2' ||
                        stem[3] == L'\u00b3');
}

// Whether the entry at `path` is spelled `part` on disk, letter case included: the file system finds
// an entry whatever the case, and by its short name ("PROGRA~1") too. `part` holds no wildcard.
bool SpelledAs(const std::wstring& path, const std::wstring& part) {
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW(path.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return false;
    FindClose(search);
    return part == found.cFileName;
}

// The full path of an open folder ("\\?\C:\demo"), its links resolved, without a separator at its
// end; empty when the system cannot tell.
std::wstring FinalPath(HANDLE folder) {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetFinalPathNameByHandleW(folder, path.data(), DWORD(path.size()), FILE_NAME_NORMALIZED);
        if (length == 0)
            return {};
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(length); // the room needed, the terminating null included
    }
    while (!path.empty() && path.back() == L'\\')
        path.pop_back();
    return path;
}

NativeKind KindOf(DWORD attributes, DWORD tag) {
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) && IsLinkTag(tag))
        return NativeKind::Symlink;
    return attributes & FILE_ATTRIBUTE_DIRECTORY ? NativeKind::Folder : NativeKind::Regular;
}

DataError ErrorOf(DWORD code) {
    switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_DIRECTORY:
    case ERROR_NOT_READY:
        return DataError::NotFound;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
        return DataError::Permission;
    case ERROR_FILENAME_EXCED_RANGE:
        return DataError::BadName;
    case ERROR_CANT_RESOLVE_FILENAME:
        return DataError::Symlink;
    case ERROR_CRC:
    case ERROR_READ_FAULT:
    case ERROR_GEN_FAILURE:
    case ERROR_IO_DEVICE:
        return DataError::Io;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
        return DataError::OutOfMemory;
    default:
        return DataError::Other;
    }
}

// Reads until `count` bytes arrived, the end came or an error: at `offset`, or from the position
// when it is negative. The bytes read, or -1 when an error came before any.
int64_t ReadFully(HANDLE handle, void* buffer, int64_t count, int64_t offset) {
    auto* bytes = static_cast<uint8_t*>(buffer);
    int64_t done = 0;
    while (done < count) {
        const DWORD wanted = DWORD(std::min<int64_t>(count - done, int64_t(1) << 30));
        DWORD got = 0;
        OVERLAPPED place{};
        if (offset >= 0) {
            const uint64_t at = uint64_t(offset + done);
            place.Offset = DWORD(at);
            place.OffsetHigh = DWORD(at >> 32);
        }
        if (!ReadFile(handle, bytes + done, wanted, &got, offset >= 0 ? &place : nullptr)) {
            // Reading at an offset past the end, or from a pipe whose writer is gone, is the end.
            const DWORD code = GetLastError();
            if (code == ERROR_HANDLE_EOF || code == ERROR_BROKEN_PIPE)
                break;
            return done > 0 ? done : -1;
        }
        if (got == 0)
            break;
        done += got;
    }
    return done;
}

} // namespace

void CNativeFile::Close() {
    if (handle >= 0)
        CloseHandle(Native(handle));
    handle = -1;
}

bool CNativeFile::Describe(NativeKind& kind, int64_t& size, std::string& error) const {
    if (handle < 0) {
        error = SystemMessage(ERROR_INVALID_HANDLE);
        return false;
    }
    // A console, a pipe or a port has no file information to ask for.
    if (GetFileType(Native(handle)) != FILE_TYPE_DISK) {
        kind = NativeKind::Other;
        size = 0;
        return true;
    }
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(Native(handle), &info)) {
        error = SystemMessage(GetLastError());
        return false;
    }
    kind = IsLink(Native(handle), info.dwFileAttributes)      ? NativeKind::Symlink
           : info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY ? NativeKind::Folder
                                                              : NativeKind::Regular;
    size = int64_t((uint64_t(info.nFileSizeHigh) << 32) | info.nFileSizeLow);
    return true;
}

int64_t CNativeFile::Length() const {
    LARGE_INTEGER size;
    return handle >= 0 && GetFileSizeEx(Native(handle), &size) ? int64_t(size.QuadPart) : -1;
}

int64_t CNativeFile::ReadAt(int64_t offset, void* buffer, int64_t count) const {
    if (handle < 0 || offset < 0)
        return -1;
    // A pipe or a device has no offsets to read at.
    if (GetFileType(Native(handle)) != FILE_TYPE_DISK)
        return -1;
    // A read at an offset moves a synchronous handle's position to its end: the position is put back.
    const LARGE_INTEGER zero{};
    LARGE_INTEGER position;
    if (!SetFilePointerEx(Native(handle), zero, &position, FILE_CURRENT))
        return -1;
    const int64_t done = ReadFully(Native(handle), buffer, count, offset);
    SetFilePointerEx(Native(handle), position, nullptr, FILE_BEGIN);
    return done;
}

int64_t CNativeFile::Read(void* buffer, int64_t count) {
    return handle >= 0 ? ReadFully(Native(handle), buffer, count, -1) : -1;
}

bool CNativeFile::Seek(int64_t offset) {
    LARGE_INTEGER to, now;
    to.QuadPart = offset;
    return handle >= 0 && offset >= 0 && SetFilePointerEx(Native(handle), to, &now, FILE_BEGIN) &&
           now.QuadPart == offset;
}

int64_t CNativeFile::Tell() const {
    const LARGE_INTEGER zero{};
    LARGE_INTEGER now;
    return handle >= 0 && SetFilePointerEx(Native(handle), zero, &now, FILE_CURRENT) ? int64_t(now.QuadPart) : -1;
}

bool OpenNativeFile(const std::string& path, CNativeFile& file, std::string& error) {
    file.Close();
    bool valid = true;
    const std::wstring wide = WideName(path, &valid);
    if (!valid || wide.empty()) {
        error = SystemMessage(ERROR_INVALID_NAME);
        return false;
    }
    // Opening a pipe's name never waits for it (a busy one fails); a folder opens too
    // (FILE_FLAG_BACKUP_SEMANTICS), for Describe to tell. Others may still rename or remove the file.
    const HANDLE opened =
        CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (opened == INVALID_HANDLE_VALUE) {
        error = SystemMessage(GetLastError());
        return false;
    }
    file.handle = reinterpret_cast<intptr_t>(opened);
    return true;
}

DataFileResult OpenNativeFileInFolder(const std::string& folder, const std::string& name, CNativeFile& file) {
    file.Close();
    bool validFolder = true, validName = true;
    const std::wstring wideFolder = WideName(folder, &validFolder);
    const std::wstring wideName = WideName(name, &validName);
    if (!validFolder || !validName || wideFolder.empty())
        return DataFileResult::NotFound;
    std::vector<std::wstring> parts;
    for (size_t start = 0; start <= wideName.size();) {
        size_t slash = wideName.find(L'/', start);
        if (slash == std::wstring::npos)
            slash = wideName.size();
        if (slash > start)
            parts.push_back(wideName.substr(start, slash - start));
        start = slash + 1;
    }
    if (parts.empty() || std::any_of(parts.begin(), parts.end(), IsSpecialPart))
        return DataFileResult::NotFound;

    // The data folder itself may be a link: it is followed, and the parts are opened below where it
    // led (a "\\?\" path, which Windows takes as it is spelled, at any length).
    std::vector<CHandle> held;
    held.emplace_back(CreateFileW(wideFolder.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info;
    if (!held.back().IsOpen() || !GetFileInformationByHandle(held.back().Get(), &info) ||
        !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return DataFileResult::NotFound;
    std::wstring path = FinalPath(held.back().Get());
    if (path.empty()) {
        path = wideFolder;
        while (!path.empty() && (path.back() == L'/' || path.back() == L'\\'))
            path.pop_back();
    }

    for (size_t i = 0; i < parts.size(); ++i) {
        const bool last = i + 1 == parts.size();
        path += L'\\';
        path += parts[i];
        // A folder on the way is held without FILE_SHARE_DELETE until the file is open; the file may be
        // renamed or removed by others while it is read, as on other systems.
        CHandle part(CreateFileW(path.c_str(), last ? GENERIC_READ : FILE_READ_ATTRIBUTES,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | (last ? FILE_SHARE_DELETE : 0), nullptr,
                                 OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        if (!part.IsOpen() || !GetFileInformationByHandle(part.Get(), &info) || !SpelledAs(path, parts[i]))
            return DataFileResult::NotFound;
        if (IsLink(part.Get(), info.dwFileAttributes))
            return DataFileResult::Symlink;
        if (!last) {
            if (GetFileType(part.Get()) != FILE_TYPE_DISK || !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                return DataFileResult::NotFound;
            held.push_back(std::move(part));
            continue;
        }
        if (GetFileType(part.Get()) != FILE_TYPE_DISK)
            return DataFileResult::NotRegular;
        if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            return DataFileResult::Folder;
        if (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
            // A file whose data a driver supplies is read through the driver: opened again, the name
            // followed this time, and kept only when that open reached the same file.
            CHandle through(CreateFileW(path.c_str(), GENERIC_READ,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                        FILE_FLAG_BACKUP_SEMANTICS, nullptr));
            BY_HANDLE_FILE_INFORMATION reached;
            if (!through.IsOpen() || !GetFileInformationByHandle(through.Get(), &reached) || !SameFile(info, reached))
                return DataFileResult::NotFound;
            part.Reset(through.Release());
        }
        file.handle = reinterpret_cast<intptr_t>(part.Release());
    }
    return DataFileResult::Ok;
}

NativeKind LookAtNative(const std::string& path, DataError& error) {
    bool valid = true;
    const std::wstring wide = WideName(path, &valid);
    if (!valid || wide.empty()) {
        error = DataError::NotFound;
        return NativeKind::Missing;
    }
    const size_t slash = wide.find_last_of(L"/\\");
    const std::wstring last = slash == std::wstring::npos ? wide : wide.substr(slash + 1);
    const bool drive = wide.size() == 2 && wide[1] == L':';
    if (last.empty() || last == L"." || last == L".." || drive) {
        // A drive, or a folder named by its relation to another: no entry of its own to spell.
        WIN32_FILE_ATTRIBUTE_DATA data;
        if (GetFileAttributesExW(wide.c_str(), GetFileExInfoStandard, &data))
            return KindOf(data.dwFileAttributes & ~DWORD(FILE_ATTRIBUTE_REPARSE_POINT), 0);
        error = ErrorOf(GetLastError());
        return error == DataError::NotFound ? NativeKind::Missing : NativeKind::Failed;
    }
    if (IsSpecialPart(last)) {
        error = DataError::NotFound;
        return NativeKind::Missing;
    }
    // The directory entry itself, a link not followed; a spelling that differs from it is missing.
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW(wide.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        error = ErrorOf(GetLastError());
        return error == DataError::NotFound ? NativeKind::Missing : NativeKind::Failed;
    }
    FindClose(search);
    if (last != found.cFileName) {
        error = DataError::NotFound;
        return NativeKind::Missing;
    }
    // A reparse point's tag is in dwReserved0.
    return KindOf(found.dwFileAttributes, found.dwReserved0);
}

bool IsNativeFolder(const std::string& path) {
    bool valid = true;
    const std::wstring wide = WideName(path, &valid);
    if (!valid || wide.empty())
        return false;
    const CHandle folder(CreateFileW(wide.c_str(), FILE_READ_ATTRIBUTES,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                     FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info;
    return folder.IsOpen() && GetFileType(folder.Get()) == FILE_TYPE_DISK &&
           GetFileInformationByHandle(folder.Get(), &info) && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

FILE* OpenNativeLogFile(const std::string& path, NativeLogRefusal& refusal) {
    refusal = NativeLogRefusal::Failed;
    bool valid = true;
    const std::wstring wide = WideName(path, &valid);
    if (!valid || wide.empty())
        return nullptr;
    constexpr DWORD Share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    CHandle log(CreateFileW(wide.c_str(), GENERIC_WRITE, Share, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!log.IsOpen()) {
        // A folder, or a link to one, is refused as access denied: the entry tells which. A folder
        // fails like any other name that cannot be written, as it does on Linux.
        const DWORD attributes = GetFileAttributesW(wide.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
            refusal = NativeLogRefusal::Symlink;
        return nullptr;
    }
    BY_HANDLE_FILE_INFORMATION info;
    if (GetFileType(log.Get()) != FILE_TYPE_DISK || !GetFileInformationByHandle(log.Get(), &info)) {
        refusal = NativeLogRefusal::NotRegular;
        return nullptr;
    }
    if (IsLink(log.Get(), info.dwFileAttributes)) {
        refusal = NativeLogRefusal::Symlink;
        return nullptr;
    }
    if (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        // A file whose data a driver keeps is written through the driver, when that reaches the same file.
        CHandle through(CreateFileW(wide.c_str(), GENERIC_WRITE, Share, nullptr, OPEN_EXISTING, 0, nullptr));
        BY_HANDLE_FILE_INFORMATION reached;
        if (!through.IsOpen() || !GetFileInformationByHandle(through.Get(), &reached) || !SameFile(info, reached))
            return nullptr;
        log.Reset(through.Release());
    }
    // Emptied only now that it is known to be a file of its own.
    const LARGE_INTEGER zero{};
    if (!SetFilePointerEx(log.Get(), zero, nullptr, FILE_BEGIN) || !SetEndOfFile(log.Get()))
        return nullptr;
    // Lines end in '\n' alone, as on other systems.
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(log.Get()), _O_WRONLY | _O_BINARY);
    if (fd < 0)
        return nullptr;
    log.Release(); // the descriptor owns it now
    FILE* file = _fdopen(fd, "w");
    if (!file) {
        _close(fd);
        return nullptr;
    }
    refusal = NativeLogRefusal::None;
    return file;
}

std::FILE* OpenNativeStdioFile(const std::string& path, const char* mode) {
    bool valid = false;
    const std::wstring wide = WideName(path, &valid);
    if (!valid || wide.empty())
        return nullptr;
    return _wfopen(wide.c_str(), WideName(mode).c_str());
}
