#include "Platform/windows/CDirectoryChangesWatcher.h"

#include "Base/Log.h"
#include "Platform/win32/WideNames.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <filesystem>
#include <map>
#include <set>

namespace {

// Everything an editor's save can do to a name in a folder.
constexpr DWORD NotifyFilter = FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_LAST_WRITE | FILE_NOTIFY_CHANGE_SIZE |
                               FILE_NOTIFY_CHANGE_CREATION | FILE_NOTIFY_CHANGE_ATTRIBUTES;

// The most one read returns; a folder on a network share takes no more than 64 KiB.
constexpr size_t BufferBytes = 65536;

// The fixed part of a FILE_NOTIFY_INFORMATION record, before its name.
constexpr size_t RecordHeader = offsetof(FILE_NOTIFY_INFORMATION, FileName);

// Reads completed in one Poll for one folder before the rest wait for the next: changes that keep
// coming never keep Poll from returning.
constexpr int ReadsPerPoll = 16;

// Names compare as the file system compares them: without regard to letter case.
bool SameName(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}

bool Exists(const std::string& path) { return GetFileAttributesW(WideName(path).c_str()) != INVALID_FILE_ATTRIBUTES; }

// True while some program holds the file open for writing (or to delete it): it cannot be opened to
// read without letting others write. Readers that let others read, as the program itself, viewers
// and virus scanners do, hold nothing back.
bool OpenForWriting(const std::string& path) {
    HANDLE file = CreateFileW(WideName(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return GetLastError() == ERROR_SHARING_VIOLATION;
    CloseHandle(file);
    return false;
}

// The path a link (or any other reparse point) at `path` leads to; empty when it cannot be followed.
std::wstring FinalPath(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return {};
    std::wstring target;
    const DWORD flags = FILE_NAME_NORMALIZED | VOLUME_NAME_DOS;
    const DWORD length = GetFinalPathNameByHandleW(file, nullptr, 0, flags);
    if (length > 0) {
        target.resize(length);
        const DWORD written = GetFinalPathNameByHandleW(file, target.data(), length, flags);
        target.resize(written < length ? written : 0);
    }
    CloseHandle(file);
    // The answer comes in the long form ("\\?\C:\..." or "\\?\UNC\server\..."); the short one is
    // what the watched paths use.
    if (target.rfind(L"\\\\?\\UNC\\", 0) == 0)
        return L"\\\\" + target.substr(8);
    if (target.rfind(L"\\\\?\\", 0) == 0)
        return target.substr(4);
    return target;
}

// Identifies a folder whatever it is called: two spellings of one folder share one read.
struct FolderId {
    DWORD volume = 0, high = 0, low = 0;
    bool operator==(const FolderId&) const = default;
};

} // namespace

struct CDirectoryChangesWatcher::Folder {
    std::string path; // as the log names it
    std::wstring widePath;
    FolderId id;
    HANDLE handle = INVALID_HANDLE_VALUE;
    HANDLE event = nullptr;
    OVERLAPPED overlapped{};
    bool reading = false; // a read is in flight, writing into `buffer`
    std::vector<DWORD> buffer = std::vector<DWORD>(BufferBytes / sizeof(DWORD)); // aligned as the read needs
    std::vector<std::pair<std::wstring, std::string>> names; // name in the folder -> the watched path it reports

    Folder() = default;
    Folder(const Folder&) = delete;
    Folder& operator=(const Folder&) = delete;

    ~Folder() {
        // The system writes into the buffer until the cancelled read has completed.
        if (reading) {
            CancelIoEx(handle, &overlapped);
            DWORD ignored = 0;
            GetOverlappedResult(handle, &overlapped, &ignored, TRUE);
        }
        if (handle != INVALID_HANDLE_VALUE)
            CloseHandle(handle);
        if (event)
            CloseHandle(event);
    }

    // Starts the next read; false with the system's error code when it cannot be started.
    bool StartRead(DWORD& error) {
        ResetEvent(event);
        overlapped = OVERLAPPED{};
        overlapped.hEvent = event;
        if (!ReadDirectoryChangesW(handle, buffer.data(), static_cast<DWORD>(buffer.size() * sizeof(DWORD)), FALSE,
                                   NotifyFilter, nullptr, &overlapped, nullptr)) {
            error = GetLastError();
            return false;
        }
        reading = true;
        return true;
    }

    // The watched path `name` reports; null when it is not watched. The system may give a file's
    // short (8.3) name, which is looked up in its long form while the file is there.
    const std::string* Find(const std::wstring& name) const {
        for (const auto& [watchedName, reported] : names)
            if (SameName(watchedName, name))
                return &reported;
        if (name.find(L'~') == std::wstring::npos)
            return nullptr;
        const std::wstring shortPath = widePath + L'\\' + name;
        wchar_t longPath[MAX_PATH];
        const DWORD length = GetLongPathNameW(shortPath.c_str(), longPath, MAX_PATH);
        if (length == 0 || length >= MAX_PATH)
            return nullptr;
        const std::wstring longName = std::filesystem::path(std::wstring(longPath, length)).filename().wstring();
        if (SameName(longName, name))
            return nullptr;
        for (const auto& [watchedName, reported] : names)
            if (SameName(watchedName, longName))
                return &reported;
        return nullptr;
    }
};

std::unique_ptr<CFileWatcher> CreateFileWatcher() { return std::make_unique<CDirectoryChangesWatcher>(); }

CDirectoryChangesWatcher::CDirectoryChangesWatcher(int quietMs, int maxHoldMs)
    : quiet(std::max(quietMs, 0)), maxHold(std::max(maxHoldMs, quietMs)) {}

CDirectoryChangesWatcher::~CDirectoryChangesWatcher() = default;

bool CDirectoryChangesWatcher::Watch(const std::vector<std::string>& files) {
    // Changes already made count under the names they were made to.
    ReadEvents();

    // Each watched path is found by (folder, name); a symbolic link is watched at its target as well,
    // since an editor following the link saves there.
    std::map<std::wstring, std::vector<std::pair<std::wstring, std::string>>> byFolder;
    std::vector<std::string> paths;
    for (const std::string& file : files) {
        bool valid = false;
        const std::wstring wide = WideName(file, &valid);
        std::error_code error;
        std::filesystem::path path;
        if (valid && !wide.empty())
            path = std::filesystem::absolute(std::filesystem::path(wide), error).lexically_normal();
        if (!valid || wide.empty() || error || !path.has_filename()) {
            LOG("CDirectoryChangesWatcher::Watch", "Not watching '%s': it does not name a file", file.c_str());
            continue;
        }
        const std::string reported = Utf8Name(path.wstring());
        paths.push_back(reported);
        byFolder[path.parent_path().wstring()].emplace_back(path.filename().wstring(), reported);
        const DWORD attributes = GetFileAttributesW(path.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
            const std::filesystem::path target = FinalPath(path.wstring());
            if (target.has_filename() && !SameName(target.wstring(), path.wstring()))
                byFolder[target.parent_path().wstring()].emplace_back(target.filename().wstring(), reported);
        }
    }

    std::vector<std::unique_ptr<Folder>> added;
    for (const auto& [folderPath, names] : byFolder) {
        const std::string folderName = Utf8Name(folderPath);
        HANDLE handle =
            CreateFileW(folderPath.c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr);
        if (handle == INVALID_HANDLE_VALUE) {
            LOG("CDirectoryChangesWatcher::Watch", "Not watching files in '%s': %s", folderName.c_str(),
                SystemMessage(GetLastError()).c_str());
            continue;
        }
        BY_HANDLE_FILE_INFORMATION info;
        DWORD refusal = ERROR_SUCCESS;
        if (!GetFileInformationByHandle(handle, &info))
            refusal = GetLastError();
        else if (!(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            refusal = ERROR_DIRECTORY;
        if (refusal != ERROR_SUCCESS) {
            LOG("CDirectoryChangesWatcher::Watch", "Not watching files in '%s': %s", folderName.c_str(),
                SystemMessage(refusal).c_str());
            CloseHandle(handle);
            continue;
        }
        const FolderId id{info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
        auto same = [&](const std::unique_ptr<Folder>& folder) { return folder && folder->id == id; };

        // A folder already watched keeps its read in flight, and what it has gathered; two spellings
        // of one folder share one read, the first spelling naming it in the log.
        Folder* folder = nullptr;
        if (auto kept = std::find_if(added.begin(), added.end(), same); kept != added.end()) {
            folder = kept->get();
        } else if (auto old = std::find_if(folders.begin(), folders.end(), same); old != folders.end()) {
            added.push_back(std::move(*old));
            folder = added.back().get();
            folder->names.clear();
        }
        if (folder) {
            CloseHandle(handle);
        } else {
            auto fresh = std::make_unique<Folder>();
            fresh->path = folderName;
            fresh->widePath = folderPath;
            fresh->id = id;
            fresh->handle = handle;
            fresh->event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
            DWORD error = fresh->event ? ERROR_SUCCESS : GetLastError();
            if (error != ERROR_SUCCESS || !fresh->StartRead(error)) {
                LOG("CDirectoryChangesWatcher::Watch", "Not watching files in '%s': %s", folderName.c_str(),
                    SystemMessage(error).c_str());
                continue;
            }
            added.push_back(std::move(fresh));
            folder = added.back().get();
        }
        for (const auto& [name, reported] : names) {
            auto taken = [&](const auto& entry) { return SameName(entry.first, name); };
            if (std::none_of(folder->names.begin(), folder->names.end(), taken))
                folder->names.emplace_back(name, reported);
        }
    }
    // The folders no longer watched go here: their reads are cancelled and their handles closed.
    folders = std::move(added);

    // A change already gathered still counts when its file stays watched. The caller's order is kept,
    // so that a read that lost changes reports the first file asked for in its folder.
    std::set<std::string> reachable;
    for (const auto& folder : folders)
        for (const auto& [name, reported] : folder->names)
            reachable.insert(reported);
    auto unwatched = [&](const std::string& path) { return !reachable.count(path); };
    std::erase_if(changedPaths, unwatched);
    std::erase_if(paths, unwatched);
    watched = std::move(paths);

    if (folders.empty()) {
        LOG("CDirectoryChangesWatcher::Watch", "Watching none of the %s files asked for",
            std::to_string(files.size()).c_str());
        return false;
    }
    return true;
}

bool CDirectoryChangesWatcher::Poll(std::string& changed) {
    ReadEvents();
    if (changedPaths.empty())
        return false;
    const Clock::duration quietFor = Clock::now() - lastEvent;
    if (quietFor < quiet)
        return false;
    if (quietFor < maxHold && std::any_of(changedPaths.begin(), changedPaths.end(), OpenForWriting))
        return false;
    for (const std::string& path : changedPaths) {
        if (Exists(path)) {
            changed = path;
            changedPaths.clear();
            return true;
        }
    }
    return false;
}

void CDirectoryChangesWatcher::ReadEvents() {
    std::erase_if(folders, [&](const std::unique_ptr<Folder>& folder) { return !ReadFolder(*folder); });
}

bool CDirectoryChangesWatcher::ReadFolder(Folder& folder) {
    for (int read = 0; read < ReadsPerPoll && HasOverlappedIoCompleted(&folder.overlapped); ++read) {
        DWORD bytes = 0;
        DWORD error = ERROR_SUCCESS;
        if (!GetOverlappedResult(folder.handle, &folder.overlapped, &bytes, FALSE)) {
            error = GetLastError();
            if (error == ERROR_IO_INCOMPLETE)
                return true;
        }
        folder.reading = false;
        // More changed than the buffer held and the changes were lost: whatever they were, the
        // folder's files may have changed.
        const bool lost = (error == ERROR_SUCCESS && bytes == 0) || error == ERROR_NOTIFY_ENUM_DIR;
        if (error == ERROR_SUCCESS && bytes > 0)
            HandleRecords(folder, bytes);
        // A read is also cancelled when the thread that started it ends; the system keeps the changes
        // made until the next.
        if (error == ERROR_SUCCESS || error == ERROR_NOTIFY_ENUM_DIR || error == ERROR_OPERATION_ABORTED)
            folder.StartRead(error);
        if (!folder.reading) {
            // A deleted folder refuses further reads; its handle is all that keeps it, so it goes.
            if (error == ERROR_ACCESS_DENIED || error == ERROR_DELETE_PENDING || error == ERROR_INVALID_HANDLE ||
                error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_NETNAME_DELETED)
                LOG("CDirectoryChangesWatcher::ReadEvents", "Stopped watching files in '%s': the folder is gone",
                    folder.path.c_str());
            else
                LOG("CDirectoryChangesWatcher::ReadEvents", "Stopped watching files in '%s': %s", folder.path.c_str(),
                    SystemMessage(error).c_str());
            return false;
        }
        if (lost)
            NoteLostChanges(folder);
    }
    return true;
}

void CDirectoryChangesWatcher::NoteLostChanges(const Folder& folder) {
    // The first file asked for among the folder's.
    for (const std::string& path : watched) {
        auto same = [&](const auto& entry) { return entry.second == path; };
        if (std::any_of(folder.names.begin(), folder.names.end(), same)) {
            NoteChange(path);
            return;
        }
    }
}

void CDirectoryChangesWatcher::HandleRecords(Folder& folder, size_t bytes) {
    // Each record is read field by field within the bytes the read returned, so that a short or
    // malformed answer never reads past them.
    const unsigned char* base = reinterpret_cast<const unsigned char*>(folder.buffer.data());
    bytes = std::min(bytes, folder.buffer.size() * sizeof(DWORD));
    size_t offset = 0;
    while (offset + RecordHeader <= bytes) {
        DWORD next = 0, nameBytes = 0;
        std::memcpy(&next, base + offset + offsetof(FILE_NOTIFY_INFORMATION, NextEntryOffset), sizeof next);
        std::memcpy(&nameBytes, base + offset + offsetof(FILE_NOTIFY_INFORMATION, FileNameLength), sizeof nameBytes);
        if (nameBytes > bytes - offset - RecordHeader)
            break;
        std::wstring name(nameBytes / sizeof(wchar_t), L'\0');
        std::memcpy(name.data(), base + offset + RecordHeader, name.size() * sizeof(wchar_t));
        if (!name.empty())
            if (const std::string* path = folder.Find(name))
                NoteChange(*path);
        // Windows starts each record on a DWORD; Wine packs them, which the copies above allow.
        if (next == 0 || next > bytes - offset)
            break;
        offset += next;
    }
}

void CDirectoryChangesWatcher::NoteChange(const std::string& path) {
    if (std::find(changedPaths.begin(), changedPaths.end(), path) == changedPaths.end())
        changedPaths.push_back(path);
    lastEvent = Clock::now();
}
