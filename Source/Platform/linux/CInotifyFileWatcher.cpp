#include "Platform/linux/CInotifyFileWatcher.h"

#include "Base/Log.h"
#include "Platform/Platform.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Everything an editor's save can do to a name in a folder (the folder's own removal comes as IN_IGNORED).
constexpr uint32_t WatchMask =
    IN_MODIFY | IN_CLOSE_WRITE | IN_ATTRIB | IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_ONLYDIR;

bool Exists(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}

} // namespace

std::unique_ptr<CFileWatcher> CreateFileWatcher() { return std::make_unique<CInotifyFileWatcher>(); }

CInotifyFileWatcher::CInotifyFileWatcher(int quietMs, int maxHoldMs)
    : quiet(std::max(quietMs, 0)), maxHold(std::max(maxHoldMs, quietMs)) {
    fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd < 0)
        initError = errno;
}

CInotifyFileWatcher::~CInotifyFileWatcher() {
    // Closing the descriptor releases every watch on it.
    if (fd >= 0)
        close(fd);
}

bool CInotifyFileWatcher::Watch(const std::vector<std::string>& files) {
    if (fd < 0) {
        LOG("CInotifyFileWatcher::Watch", "Cannot watch files: %s", std::strerror(initError));
        return false;
    }

    // Each watched path is found by (folder, name); a symbolic link is watched at its target as well,
    // since an editor following the link saves there.
    std::map<std::string, std::vector<std::pair<std::string, std::string>>> byFolder;
    std::vector<std::string> paths;
    for (const std::string& file : files) {
        std::error_code error;
        std::filesystem::path path = std::filesystem::absolute(file, error).lexically_normal();
        if (error || !path.has_filename()) {
            LOG("CInotifyFileWatcher::Watch", "Not watching '%s': it does not name a file", file.c_str());
            continue;
        }
        const std::string reported = path.string();
        paths.push_back(reported);
        byFolder[path.parent_path().string()].emplace_back(path.filename().string(), reported);
        if (std::filesystem::is_symlink(path, error)) {
            std::filesystem::path target = std::filesystem::canonical(path, error);
            if (!error && target != path)
                byFolder[target.parent_path().string()].emplace_back(target.filename().string(), reported);
        }
    }

    std::map<int, Folder> added;
    for (const auto& [folder, names] : byFolder) {
        int wd = inotify_add_watch(fd, folder.c_str(), WatchMask);
        if (wd < 0) {
            LOG("CInotifyFileWatcher::Watch", "Not watching files in '%s': %s", folder.c_str(), std::strerror(errno));
            continue;
        }
        // Two spellings of one folder share a descriptor; the first spelling names it in the log.
        Folder& entry = added[wd];
        if (entry.path.empty())
            entry.path = folder;
        for (const auto& [name, reported] : names)
            entry.names.emplace(name, reported);
    }
    for (const auto& [wd, folder] : folders)
        if (!added.count(wd))
            inotify_rm_watch(fd, wd);
    folders = std::move(added);

    // A change already gathered still counts when its file stays watched. The caller's order is kept,
    // so that a lost event queue reports the first file asked for.
    std::set<std::string> reachable;
    for (const auto& [wd, folder] : folders)
        for (const auto& [name, reported] : folder.names)
            reachable.insert(reported);
    auto unwatched = [&](const std::string& path) { return !reachable.count(path); };
    std::erase_if(changedPaths, unwatched);
    std::erase_if(writing, unwatched);
    std::erase_if(paths, unwatched);
    watched = std::move(paths);

    if (folders.empty()) {
        LOG("CInotifyFileWatcher::Watch", "Watching none of the %zu files asked for", files.size());
        return false;
    }
    return true;
}

bool CInotifyFileWatcher::Poll(std::string& changed) {
    if (fd < 0)
        return false;
    ReadEvents();
    if (changedPaths.empty())
        return false;
    const Clock::duration quietFor = Clock::now() - lastEvent;
    if (quietFor < quiet || (!writing.empty() && quietFor < maxHold))
        return false;
    for (const std::string& path : changedPaths) {
        if (Exists(path)) {
            changed = path;
            changedPaths.clear();
            writing.clear();
            return true;
        }
    }
    return false;
}

void CInotifyFileWatcher::ReadEvents() {
    // Room for many events; one event with the longest name takes sizeof(inotify_event) + 256.
    alignas(inotify_event) char buffer[16384];
    for (;;) {
        ssize_t got = read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return;
        size_t length = size_t(got), offset = 0;
        while (offset + sizeof(inotify_event) <= length) {
            inotify_event event;
            std::memcpy(&event, buffer + offset, sizeof event);
            const size_t size = sizeof event + event.len;
            if (size > length - offset)
                break;
            const char* name = buffer + offset + sizeof event;
            HandleEvent(event.wd, event.mask, std::string(name, strnlen(name, event.len)));
            offset += size;
        }
    }
}

void CInotifyFileWatcher::HandleEvent(int wd, uint32_t mask, const std::string& name) {
    if (mask & IN_Q_OVERFLOW) {
        // Events were lost: whatever they were, the files may have changed.
        if (!watched.empty())
            NoteChange(watched.front());
        return;
    }
    auto folder = folders.find(wd);
    if (folder == folders.end())
        return;
    if (mask & IN_IGNORED) {
        LOG("CInotifyFileWatcher::HandleEvent", "Stopped watching files in '%s': the folder is gone",
            folder->second.path.c_str());
        folders.erase(folder);
        return;
    }
    auto entry = folder->second.names.find(name);
    if (name.empty() || entry == folder->second.names.end())
        return;
    const std::string& path = entry->second;
    if (mask & IN_MODIFY)
        writing.insert(path);
    if (mask & (IN_CLOSE_WRITE | IN_DELETE | IN_MOVED_FROM))
        writing.erase(path);
    NoteChange(path);
}

void CInotifyFileWatcher::NoteChange(const std::string& path) {
    if (std::find(changedPaths.begin(), changedPaths.end(), path) == changedPaths.end())
        changedPaths.push_back(path);
    lastEvent = Clock::now();
}
